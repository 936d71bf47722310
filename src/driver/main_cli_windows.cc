// The command-line program on Windows: zunt-cli.exe [OPTION]... NAME...,
// a console program for editors' task runners. It reads its arguments in
// UTF-16, keeps paths in UTF-8, writes UTF-16 to a console (any code page)
// and UTF-8 to a pipe or a file. It shows no message box and plays no sound.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/terminal.h"
#include "platform/windows.h"
#include "server/server.h"

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
    // Converted a piece at a time on the stack: writing needs no memory, not
    // even the message that memory ran out.
    constexpr size_t kPiece = 1024;
    wchar_t wide[kPiece];
    while (!text.empty()) {
      size_t take = std::min(text.size(), kPiece);
      while (take < text.size() && take > 1 && (text[take] & 0xC0) == 0x80) --take;
      int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(take), wide,
                                      static_cast<int>(kPiece));
      if (!WriteConsoleW(handle, wide, static_cast<DWORD>(units), &written, nullptr)) return false;
      text.remove_prefix(take);
    }
    return true;
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
  /// Colours on a console that shows escapes (asked to, as Windows 10 and
  /// later do; older ones show them as they are), with NO_COLOR unset or
  /// empty and TERM, when an editor sets it, not "dumb".
  bool ColorsByDefault() const override {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    bool escapes = handle != nullptr && handle != INVALID_HANDLE_VALUE &&
                   GetConsoleMode(handle, &mode) &&
                   ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
                    SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
    const char* term = std::getenv("TERM");
    return zunt::AutoColor(escapes, std::getenv("NO_COLOR"), term != nullptr ? term : "");
  }
  std::string_view ProgramName() const override { return "zunt-cli.exe"; }
};

// The language server's input and output: the standard handles, as bytes.
class TStandardInput final : public zunt::TByteInput {
 public:
  size_t Read(char* to, size_t most) override {
    DWORD got = 0;
    HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    DWORD ask = most > (1u << 30) ? (1u << 30) : static_cast<DWORD>(most);
    if (!ReadFile(handle, to, ask, &got, nullptr)) return 0;
    return got;
  }
};

class TStandardOutput final : public zunt::TByteOutput {
 public:
  bool Write(std::string_view bytes) override {
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    while (!bytes.empty()) {
      DWORD written = 0;
      DWORD ask = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
      if (!WriteFile(handle, bytes.data(), ask, &written, nullptr) || written == 0) return false;
      bytes.remove_prefix(written);
    }
    return true;
  }
};

int RunServer() {
  TStandardInput input;
  TStandardOutput output;
  TConsolePlatform platform;
  return zunt::RunLanguageServer(
      input, output,
      [](std::string_view line) { WriteTo(STD_ERROR_HANDLE, "zunt: " + std::string(line) + "\n"); },
      ZUNT_VERSION, platform.HashSeed(), &platform);
}

}  // namespace

int main() try {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> words;
  for (int i = 0; i < count; ++i) words.push_back(zunt::Utf8FromWide(wide[i]));
  LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  if (words.size() == 2 && words[1] == "--lsp") return RunServer();
  TConsolePlatform platform;
  TWindowsConsole console;
  return zunt::RunCommandLine(platform, console, static_cast<int>(words.size()), argv.data());
} catch (const std::bad_alloc&) {
  WriteTo(STD_ERROR_HANDLE, "zunt-cli.exe");
  WriteTo(STD_ERROR_HANDLE, zunt::kOutOfMemoryLine);
  return 1;
}
