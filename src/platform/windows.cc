#include "platform/windows.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <new>

#include "base/fail.h"

namespace zunt {
namespace {

// The code page of every message text and caption.
constexpr unsigned kMessageCodePage = 1251;

// Returns the directory part of a path, its last separator included.
std::string_view DirectoryPart(std::string_view path) {
  size_t separator = path.find_last_of("\\/:");
  return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

// Returns eight hexadecimal digits of a number.
std::string Hex8(uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 15];
  return text;
}

// Creates a new file of an unused name beside path for writing, with no
// sharing; returns its handle (INVALID_HANDLE_VALUE when none can be made) and
// its name in *temp.
HANDLE CreateTempBeside(const std::string& path, std::string* temp) {
  static uint32_t counter = 0;
  size_t nameStart = DirectoryPart(path).size();
  std::string prefix = path.substr(0, nameStart) + "~" + path.substr(nameStart) + "." +
                       Hex8(GetCurrentProcessId()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = prefix + Hex8(GetTickCount() + ++counter) + ".tmp";
    HANDLE file = CreateFileA(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

// Writes all of data to file; returns false on an error or a short write.
bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), DWORD{1} << 30));
    DWORD written = 0;
    if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

}  // namespace

TFileKind TWindowsPlatform::Probe(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return TFileKind::Missing;
  }
  return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? TFileKind::Other : TFileKind::Regular;
}

TLoadStatus TWindowsPlatform::Load(const std::string& path, std::unique_ptr<TInputFile>* file) {
  file->reset();
  std::string data;
  // Other readers are welcome; a writer that has the file open makes this fail.
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return TLoadStatus::CannotOpen;
  LARGE_INTEGER size;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
    CloseHandle(handle);
    return TLoadStatus::CannotOpen;
  }
  TLoadStatus status = TLoadStatus::Ok;
  try {
    if (static_cast<uint64_t>(size.QuadPart) > MaxInputSize) throw std::bad_alloc();
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!data.empty() &&
        (!ReadFile(handle, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) ||
         got < data.size())) {
      status = TLoadStatus::ReadShort;
    }
  } catch (const std::bad_alloc&) {
    status = TLoadStatus::ReadShort;
  }
  CloseHandle(handle);
  if (status == TLoadStatus::Ok) *file = std::make_unique<TTextFile>(std::move(data));
  return status;
}

TWriteStatus TWindowsPlatform::WriteOutput(const std::string& path, std::string_view data,
                                           const std::vector<std::string>& inputs) {
  (void)inputs;  // TODO: refuse an output that is one of the inputs
  // Write a temporary file beside the output, then move it over the output:
  // the old output stays whole until the new one is complete.
  std::string temp;
  HANDLE file = CreateTempBeside(path, &temp);
  if (file == INVALID_HANDLE_VALUE) return TWriteStatus::CannotCreate;
  bool written = WriteAll(file, data) && FlushFileBuffers(file);
  if (!CloseHandle(file)) written = false;
  if (!written) {
    DeleteFileA(temp.c_str());
    return TWriteStatus::CannotWrite;
  }
  if (!MoveFileExA(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temp.c_str());
    return TWriteStatus::CannotCreate;
  }
  return TWriteStatus::Ok;
}

TWriteStatus TWindowsPlatform::WriteStandardOutput(std::string_view data) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return TWriteStatus::CannotWrite;
  return WriteAll(out, data) ? TWriteStatus::Ok : TWriteStatus::CannotWrite;
}

std::wstring WideFromCodePage(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
  return text;
}

std::wstring WideMessage(const TFail& fail) {
  return WideFromCodePage(fail.BeforePath(), kMessageCodePage) +
         WideFromCodePage(fail.Path(), CP_ACP) +
         WideFromCodePage(fail.AfterPath(), kMessageCodePage);
}

std::wstring WideCaption() { return WideFromCodePage(kCaption, kMessageCodePage); }

void TWindowsPlatform::ShowFailure(const TFail& fail) {
  MessageBoxW(nullptr, WideMessage(fail).c_str(), WideCaption().c_str(), MB_OK);
}

void TWindowsPlatform::PlaySuccessSound() { PlaySoundA("success.wav", nullptr, 0); }

}  // namespace zunt
