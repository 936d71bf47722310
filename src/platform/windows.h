// The platform on Windows: paths are UTF-8 inside the program and UTF-16 at
// the kernel's *W functions, so that any file name works on any ANSI code
// page; the message in a message box, the sound through winmm.
#ifndef ZUNT_PLATFORM_WINDOWS_H_
#define ZUNT_PLATFORM_WINDOWS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace zunt {

class TWindowsPlatform : public TPlatform {
 public:
  std::string_view PathSeparators() const override { return "\\/:"; }
  std::string_view ParentPrefix() const override { return "..\\"; }
  TFileKind Probe(const std::string& path) override;
  bool IdentifyFolder(const std::string& folder, TFolderId* id) override;
  std::string WorkingFolder() override;
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
  void PlaySuccessSound() override;

  /// Inputs larger than this are not loaded (the load-error message).
  uint64_t MaxInputSize = kMaxInputSize;
};

/// Returns the UTF-16 text of bytes in a code page (CP_UTF8 for the program's paths).
std::wstring WideFromCodePage(std::string_view bytes, unsigned codePage);

/// Returns the UTF-8 bytes of UTF-16 text; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

/// Returns a UTF-8 path as the *W functions take it: in UTF-16, and in the
/// "\\?\" form of its full path when that is too long for the plain form.
std::wstring WidePath(std::string_view path);

/// Returns the first argument after the program's own path in a UTF-16
/// command line, or an empty text when there is none. Runs of characters 1 to
/// 32 separate arguments; double quotes make a stretch with blanks and are
/// dropped; an empty argument never counts.
std::wstring FirstWideArgument(std::wstring_view commandLine);

/// Returns argument `index` of a UTF-16 command line by the same rule (0: the
/// program's own path), or an empty text when there is none.
std::wstring WideArgument(std::wstring_view commandLine, int index);

/// Returns a failure's message in UTF-16: Windows-1251 text, the path in UTF-8.
std::wstring WideMessage(const TFail& fail);

/// Returns the caption of every message box in UTF-16.
std::wstring WideCaption();

}  // namespace zunt

#endif  // ZUNT_PLATFORM_WINDOWS_H_
