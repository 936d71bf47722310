// What the search for a mod's settings needs from Windows: folders'
// identities and names. Who may write a file is left to its access list.
#include <windows.h>

#include <string>

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

bool TWindowsPlatform::RealPath(const std::string& path, std::string* real) {
  HANDLE handle = CreateFileW(WidePath(path.empty() ? "." : path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // A file not made yet: its folder's name and its own.
    size_t end = path.find_last_of("\\/");
    std::string name = path.substr(end == std::string::npos ? 0 : end + 1);
    if (GetLastError() != ERROR_FILE_NOT_FOUND || name.empty() || name == "." || name == "..") {
      return false;
    }
    if (!RealPath(end == std::string::npos ? "." : path.substr(0, end + 1), real)) return false;
    if (real->back() != '\\') *real += '\\';
    *real += name;
    return true;
  }
  std::wstring wide(GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED), L'\0');
  DWORD length =
      wide.empty() ? 0
                   : GetFinalPathNameByHandleW(handle, wide.data(), static_cast<DWORD>(wide.size()),
                                               FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  if (length == 0 || length >= wide.size()) return false;
  wide.resize(length);
  // "\\?\C:\x" is "C:\x", and "\\?\UNC\server\share" is "\\server\share".
  if (wide.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    wide = L"\\\\" + wide.substr(8);
  } else if (wide.rfind(L"\\\\?\\", 0) == 0) {
    wide = wide.substr(4);
  }
  *real = Utf8FromWide(wide.c_str());
  return true;
}

bool TWindowsPlatform::MakeFolders(const std::string& folder) {
  for (size_t at = folder.find_first_of("\\/", 1);; at = folder.find_first_of("\\/", at + 1)) {
    std::string part = folder.substr(0, at);
    // "C:" and the share of "\\server\share" are no folders to make.
    if (!part.empty() && part.back() != ':' && part.find_first_not_of("\\/") != std::string::npos) {
      CreateDirectoryW(WidePath(part).c_str(), nullptr);
    }
    if (at == std::string::npos) break;
  }
  TFolderId id;
  return IdentifyFolder(folder, &id);
}

}  // namespace zunt
