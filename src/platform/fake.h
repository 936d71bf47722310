// An in-memory platform for tests: files in a map, faults on request, and a
// record of every call. Safe to call from several threads at once, as the
// command line's runs of several names do.
#ifndef ZUNT_PLATFORM_FAKE_H_
#define ZUNT_PLATFORM_FAKE_H_

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zunt {

class TFakePlatform : public TPlatform {
 public:
  struct TFile {
    std::string Data;
    TFileKind Kind = TFileKind::Regular;  // Missing here stands for a directory
    bool Locked = false;                  // opening it fails
    bool ReadShort = false;               // reading it delivers too few bytes
    bool TooLarge = false;                // it is larger than the limit
    TTrust Trust = TTrust::Trusted;
  };

  std::string Separators = "/";
  std::string Parent = "../";
  std::map<std::string, TFile> Files;
  bool FailCreate = false;  // the temporary output file cannot be made
  bool FailWrite = false;   // writing the output writes short
  bool FailRename = false;  // the finished output cannot be moved into place
  int FailError = 0;        // the system's reason given for a failed output (errno)
  // Paths that name one file under another name (a link): path to that name.
  std::map<std::string, std::string> Links;
  // Folders (prefixes such as "mnt/") that hold another file system. Every
  // folder below the working one is there; "../" and above are not.
  std::vector<std::string> Mounts;
  std::string Working = "/home/user";  // the working folder's absolute path

  std::vector<std::string> Calls;    // "probe PATH", "load PATH", "write PATH", "sound"
  std::optional<std::string> Shown;  // the message of a failure, if one was shown
  std::string Stdout;                // what was written to the standard output
  bool SoundPlayed = false;

  /// Adds an ordinary file.
  void AddFile(const std::string& path, std::string data) { Files[path].Data = std::move(data); }

  std::string_view PathSeparators() const override { return Separators; }
  std::string_view ParentPrefix() const override { return Parent; }
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
  void ShowFailure(const TFail& fail) override;
  void PlaySuccessSound() override;

 private:
  std::recursive_mutex Lock;  // over the files and the records, for runs on threads
};

}  // namespace zunt

#endif  // ZUNT_PLATFORM_FAKE_H_
