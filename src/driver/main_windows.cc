// The Windows program: zunt.exe NAME[.erm|.txt], a GUI-subsystem program
// with no window of its own. It shows errors in a message box and plays
// success.wav when the output is written. It also takes a mod's zunt.toml,
// and "--in-script-folder NAME" from Explorer's verb on a script. The command
// line is read in UTF-16 and the paths are kept in UTF-8, so that any file
// name works on any ANSI code page.
#include <windows.h>

#include <iterator>
#include <new>
#include <string>
#include <string_view>

#include "base/fail.h"
#include "driver/program.h"
#include "platform/windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int status = 1;
  try {
    zunt::TWindowsPlatform platform;
    std::wstring_view line = GetCommandLineW();
    std::string first = zunt::Utf8FromWide(zunt::WideArgument(line, 1));
    std::string second;
    if (first == zunt::kInScriptFolder) second = zunt::Utf8FromWide(zunt::WideArgument(line, 2));
    status = zunt::RunProgram(platform, first, second);
  } catch (const std::bad_alloc&) {
    // Even the message box's text found no memory: the texts as they stand.
    wchar_t caption[64] = {};
    for (size_t i = 0; i < zunt::kCaption.size() && i + 1 < std::size(caption); ++i) {
      caption[i] = static_cast<wchar_t>(zunt::kCaption[i]);
    }
    MessageBoxW(nullptr, L"Недостаточно памяти для компиляции!", caption, MB_OK);
  }
  ExitProcess(static_cast<UINT>(status));
}
