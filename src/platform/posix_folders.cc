// What the search for a mod's settings needs from a POSIX system: folders'
// identities and names, and who may have written a file.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/posix.h"

namespace zunt {

bool TPosixPlatform::IdentifyFolder(const std::string& folder, TFolderId* id) {
  struct stat st;
  if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  *id = TFolderId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return true;
}

std::string TPosixPlatform::WorkingFolder() {
  std::string folder(256, '\0');
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return {};
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder;
}

TTrust TPosixPlatform::Trust(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return TTrust::Trusted;  // loading it will tell
  if (st.st_uid != 0 && st.st_uid != geteuid()) return TTrust::OtherOwner;
  if ((st.st_mode & S_IWOTH) != 0) return TTrust::WritableByOthers;
  return TTrust::Trusted;
}

bool TPosixPlatform::ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) {
  std::string path = folder.empty() ? "." : folder;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
  if (!dir) return false;
  if (path.back() != '/') path += '/';
  while (const dirent* entry = readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    bool isFolder = stat((path + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    entries->push_back(TFolderEntry{std::move(name), isFolder});
  }
  return true;
}

}  // namespace zunt
