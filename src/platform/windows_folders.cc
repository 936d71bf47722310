// What the search for a mod's settings needs from Windows: folders'
// identities and names. Who may write a file is left to its access list.
#include <windows.h>

#include "platform/windows.h"

namespace zunt {

bool TWindowsPlatform::IdentifyFolder(const std::string& folder, TFolderId* id) {
  HANDLE handle = CreateFileW(WidePath(folder.empty() ? "." : folder).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  *id = TFolderId{info.dwVolumeSerialNumber,
                  (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return true;
}

std::string TWindowsPlatform::WorkingFolder() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  DWORD size = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (size == 0 || size >= folder.size()) return {};
  folder.resize(size);
  return Utf8FromWide(folder);
}

bool TWindowsPlatform::ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) {
  std::string pattern = folder.empty() ? "." : folder;
  if (pattern.find_last_of("\\/:") != pattern.size() - 1) pattern += '\\';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(WidePath(pattern + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    std::string name = Utf8FromWide(data.cFileName);
    if (name == "." || name == "..") continue;
    entries->push_back(
        TFolderEntry{std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

}  // namespace zunt
