// The command-line program on Windows: zunt-cli.exe [OPTION]... NAME...,
// a console program for editors' task runners. It reads its arguments in
// UTF-16, keeps paths in UTF-8, writes UTF-16 to a console (any code page)
// and UTF-8 to a pipe or a file. It shows no message box and plays no sound.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "driver/command_line.h"
#include "platform/windows.h"

namespace {

class TConsolePlatform final : public zunt::TWindowsPlatform {
 public:
  void ShowFailure(const zunt::TFail&) override {}
  void PlaySuccessSound() override {}
};

// Writes UTF-8 text to a standard handle: through WriteConsoleW to a console,
// as bytes to anything else; returns whether all of it was written.
bool WriteTo(DWORD which, std::string_view text) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    std::wstring wide = zunt::WideFromCodePage(text, CP_UTF8);
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
           0;
  }
  while (!text.empty() &&
         WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written != 0) {
    text.remove_prefix(written);
  }
  return text.empty();
}

class TWindowsConsole final : public zunt::TConsole {
 public:
  void Error(std::string_view text) override { WriteTo(STD_ERROR_HANDLE, text); }
  bool Out(std::string_view text) override { return WriteTo(STD_OUTPUT_HANDLE, text); }
  /// The console of older systems shows escapes as they are: no colours unless asked.
  bool ColorsByDefault() const override { return false; }
  std::string_view ProgramName() const override { return "zunt-cli.exe"; }
};

}  // namespace

int main() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> words;
  for (int i = 0; i < count; ++i) words.push_back(zunt::Utf8FromWide(wide[i]));
  LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  TConsolePlatform platform;
  TWindowsConsole console;
  return zunt::RunCommandLine(platform, console, static_cast<int>(words.size()), argv.data());
}
