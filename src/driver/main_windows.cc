// The Windows program: zunt.exe NAME[.erm|.txt], a GUI-subsystem program
// with no window of its own. It shows errors in a message box and plays
// success.wav when the output is written. The command line is read in UTF-16
// and the paths are kept in UTF-8, so that any file name works on any ANSI
// code page.
#include <windows.h>

#include "driver/driver.h"
#include "platform/windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  zunt::TWindowsPlatform platform;
  std::string argument = zunt::Utf8FromWide(zunt::FirstWideArgument(GetCommandLineW()));
  int status = zunt::Run(platform, argument);
  ExitProcess(static_cast<UINT>(status));
}
