// The platform on POSIX systems: files through open/read/write, the output
// through a temporary file renamed or linked into place, a message on stderr
// in UTF-8, no sound.
#ifndef ZUNT_PLATFORM_POSIX_H_
#define ZUNT_PLATFORM_POSIX_H_

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace zunt {

class TPosixPlatform : public TPlatform {
 public:
  std::string_view PathSeparators() const override { return "/"; }
  std::string_view ParentPrefix() const override { return "../"; }
  TFileKind Probe(const std::string& path) override;
  bool IdentifyFolder(const std::string& folder, TFolderId* id) override;
  std::string WorkingFolder() override;
  TTrust Trust(const std::string& path) override;
  bool ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) override;
  bool RealPath(const std::string& path, std::string* real) override;
  bool MakeFolders(const std::string& folder) override;
  TLoadStatus Load(const std::string& path, std::unique_ptr<TInputFile>* file) override;
  TWriteStatus WriteOutput(const std::string& path, std::string_view data,
                           const std::vector<std::string>& inputs) override;
  std::unique_ptr<TOutputStream> OpenOutput(const std::string& path,
                                            const std::vector<std::string>& inputs,
                                            uint64_t sizeHint, TWriteStatus* status) override;
  TWriteStatus WriteStandardOutput(std::string_view data, int* error) override;
  THashSeed HashSeed() override;
  void ShowFailure(const TFail& fail) override;
  void PlaySuccessSound() override {}

  /// Inputs larger than this are not loaded (the load-error message).
  uint64_t MaxInputSize = kMaxInputSize;
  /// Inputs at least this large are mapped into memory rather than read.
  uint64_t MapSize = uint64_t{4} << 20;
  /// Makes the text written to stderr when a mapped input at path loses its
  /// bytes while it is read (the run then ends with status 1).
  std::string (*LoadErrorText)(const std::string& path) = nullptr;
  /// Whether the output is written to an unnamed temporary file where the file
  /// system has them; when false, a named one is used, as elsewhere.
  bool UnnamedTemporary = true;
};

}  // namespace zunt

#endif  // ZUNT_PLATFORM_POSIX_H_
