// Prints the caption and the text of the message box on the screen as UTF-8:
// the caption, a line feed, then the text as it is. Exits with 1 when no
// message box is shown.
#include <windows.h>

#include <string>

namespace {

// Returns the UTF-8 bytes of a window's text.
std::string TextOf(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  wide.resize(static_cast<size_t>(GetWindowTextW(window, wide.data(), length + 1)));
  if (wide.empty()) return {};
  int wideSize = static_cast<int>(wide.size());
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, text.data(), size, nullptr, nullptr);
  return text;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

int main() {
  HWND box = nullptr;
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) return 1;
  // A message box keeps its text in the static control 0xFFFF.
  HWND text = GetDlgItem(box, 0xFFFF);
  std::string out = TextOf(box) + "\n" + (text != nullptr ? TextOf(text) : std::string());
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
  return 0;
}
