// The Windows program: zunt.exe NAME[.erm|.txt], a GUI-subsystem program
// with no window of its own. It shows errors in a message box and plays
// success.wav when the output is written.
#include <windows.h>

#include "driver/driver.h"
#include "platform/windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  zunt::TWindowsPlatform platform;
  int status = zunt::Run(platform, zunt::FirstArgument(GetCommandLineA()));
  ExitProcess(static_cast<UINT>(status));
}
