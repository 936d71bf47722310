// Prints what a program's resources say about it, as UTF-8 lines: the version
// fields that Explorer shows, the fixed file and product versions, and the
// manifest's text. Exits with 1 when the program has no version information.
//
// Usage: read_version PROGRAM.exe
#include <windows.h>

#include <string>

namespace {

// Returns the UTF-8 bytes of UTF-16 text.
std::string Utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  bytes.resize(bytes.size() - 1);
  return bytes;
}

// Returns a string field of the US English block, or "(none)".
std::string Field(const void* info, const wchar_t* name) {
  std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info, key.c_str(), &value, &length) || length == 0) return "(none)";
  return Utf8(static_cast<const wchar_t*>(value));
}

// Returns "A.B.C.D" of a version's two halves.
std::string Dotted(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

// Returns the text of the program's manifest, or "(none)".
std::string Manifest(const wchar_t* program) {
  HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  // Type 24 is RT_MANIFEST, which windows.h spells in ANSI only.
  HRSRC found = module ? FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  if (loaded == nullptr) return "(none)";
  return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 2) return 2;
  DWORD size = GetFileVersionInfoSizeW(args[1], nullptr);
  std::string info(size, '\0');
  if (size == 0 || !GetFileVersionInfoW(args[1], 0, size, info.data())) return 1;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) return 1;
  std::string out;
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"FileDescription",
                              L"OriginalFilename"}) {
    out += Utf8(name) + ": " + Field(info.data(), name) + "\n";
  }
  out += "Fixed: " + Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + " " +
         Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + "\n";
  out += Manifest(args[1]);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
  return 0;
}
