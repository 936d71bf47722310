// What the search for a mod's settings needs from a POSIX system: folders'
// identities and names, and who may have written a file.
#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
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

bool TPosixPlatform::RealPath(const std::string& path, std::string* real) {
  std::unique_ptr<char, void (*)(void*)> resolved(
      realpath(path.empty() ? "." : path.c_str(), nullptr), free);
  if (resolved) {
    *real = resolved.get();
    return true;
  }
  // A file not made yet: its folder's name and its own.
  size_t slash = path.find_last_of('/');
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (errno != ENOENT || name.empty() || name == "." || name == "..") return false;
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  resolved.reset(realpath(folder.c_str(), nullptr));
  if (!resolved) return false;
  *real = resolved.get();
  if (real->back() != '/') *real += '/';
  *real += name;
  return true;
}

bool TPosixPlatform::MakeFolders(const std::string& folder) {
  for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
    std::string part = folder.substr(0, at);
    if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (at == std::string::npos) break;
  }
  struct stat st;
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace zunt
