#include "platform/fake.h"

#include <functional>

#include "base/fail.h"

namespace zunt {

TFileKind TFakePlatform::Probe(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  Calls.push_back("probe " + path);
  auto it = Files.find(path);
  return it == Files.end() ? TFileKind::Missing : it->second.Kind;
}

bool TFakePlatform::IdentifyFolder(const std::string& folder, TFolderId* id) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  if (folder.starts_with("../") || folder.starts_with("/")) return false;
  bool known = folder.empty();
  for (const auto& [path, file] : Files) known = known || path.starts_with(folder);
  if (!known) return false;
  id->Device = 1;
  for (const std::string& mount : Mounts) {
    if (folder.starts_with(mount)) id->Device = 2;
  }
  id->Number = std::hash<std::string>()(folder);
  return true;
}

bool TFakePlatform::RealPath(const std::string& path, std::string* real) {
  std::lock_guard<std::recursive_mutex> lock(Lock);
  // The working folder is "/w"; a link goes where Links says.
  auto link = Links.find(path);
  std::string target = link == Links.end() ? path : link->second;
  if (target.starts_with("./")) target.erase(0, 2);
  if (target.starts_with("/")) {
    *real = target;
  } else {
    *real = target.empty() || target == "." ? "/w" : "/w/" + target;
  }
  if (real->size() > 1 && real->back() == '/') real->pop_back();
  return true;
}

bool TFakePlatform::MakeFolders(const std::string& folder) {
  std::lock_guard<std::recursive_mutex> lock(Lock);
  Calls.push_back("mkdir " + folder);
  return true;
}

std::string TFakePlatform::WorkingFolder() { return Working; }

TTrust TFakePlatform::Trust(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  auto it = Files.find(path);
  return it == Files.end() ? TTrust::Trusted : it->second.Trust;
}

bool TFakePlatform::ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  TFolderId id;
  if (!IdentifyFolder(folder, &id)) return false;
  std::string last;
  for (const auto& [path, file] : Files) {
    if (!path.starts_with(folder) || file.Kind == TFileKind::Missing) continue;
    std::string rest = path.substr(folder.size());
    size_t slash = rest.find('/');
    std::string name = rest.substr(0, slash);
    if (name == last) continue;
    last = name;
    entries->push_back(TFolderEntry{name, slash != std::string::npos});
  }
  return true;
}

TLoadStatus TFakePlatform::Load(const std::string& path, std::unique_ptr<TInputFile>* file) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  Calls.push_back("load " + path);
  file->reset();
  auto it = Files.find(path);
  if (it == Files.end() || it->second.Locked || it->second.Kind != TFileKind::Regular) {
    return TLoadStatus::CannotOpen;
  }
  if (it->second.ReadShort) return TLoadStatus::ReadShort;
  if (it->second.TooLarge) return TLoadStatus::TooLarge;
  *file = std::make_unique<TTextFile>(it->second.Data);
  return TLoadStatus::Ok;
}

TWriteStatus TFakePlatform::WriteOutput(const std::string& path, std::string_view data,
                                        const std::vector<std::string>& inputs) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  Calls.push_back("write " + path);
  auto target = [this](const std::string& p) {
    auto it = Links.find(p);
    return it == Links.end() ? p : it->second;
  };
  for (const std::string& input : inputs) {
    if (target(input) == target(path)) return TWriteStatus::SameAsInput;
  }
  if (FailCreate) return TWriteStatus::CannotCreate;
  if (FailWrite) return TWriteStatus::CannotWrite;
  if (FailRename) return TWriteStatus::CannotCreate;
  Files[path].Data = std::string(data);
  return TWriteStatus::Ok;
}

std::unique_ptr<TOutputStream> TFakePlatform::OpenOutput(const std::string& path,
                                                         const std::vector<std::string>& inputs,
                                                         uint64_t sizeHint, TWriteStatus* status) {
  // The whole output written at the end, and FailError the reason for its failure.
  class TFakeOutput final : public TOutputStream {
   public:
    TFakeOutput(TFakePlatform& platform, std::string path, std::vector<std::string> inputs)
        : Whole(platform, std::move(path), std::move(inputs)), Platform(platform) {}
    bool Write(std::string_view data) override { return Whole.Write(data); }
    TWriteStatus Finish() override {
      Status = Whole.Finish();
      return Status;
    }
    int ErrorNumber() const override { return Status == TWriteStatus::Ok ? 0 : Platform.FailError; }

   private:
    TWholeOutput Whole;
    TFakePlatform& Platform;
    TWriteStatus Status = TWriteStatus::Ok;
  };
  (void)sizeHint;
  *status = TWriteStatus::Ok;
  return std::make_unique<TFakeOutput>(*this, path, inputs);
}

TWriteStatus TFakePlatform::WriteStandardOutput(std::string_view data, int* error) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  Calls.push_back("write -");
  *error = FailWrite ? FailError : 0;
  if (FailWrite) return TWriteStatus::CannotWrite;
  Stdout += data;
  return TWriteStatus::Ok;
}

void TFakePlatform::ShowFailure(const TFail& fail) {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  Shown = fail.Text();
}

void TFakePlatform::PlaySuccessSound() {
  std::lock_guard<std::recursive_mutex> guard(Lock);
  Calls.push_back("sound");
  SoundPlayed = true;
}

}  // namespace zunt
