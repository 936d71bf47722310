#include "platform/windows.h"

#include <windows.h>

#include <bcrypt.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "base/arguments.h"
#include "base/fail.h"

namespace zunt {
namespace {

// The code page of every message text and caption.
constexpr unsigned kMessageCodePage = 1251;

// A full path at least this long takes the "\\?\" form: the plain form holds
// MAX_PATH characters with the final zero, and a folder must leave room for
// an 8.3 name in it.
constexpr size_t kLongPath = MAX_PATH - 12;

// Returns the directory part of a path, its last separator included.
std::string_view DirectoryPart(std::string_view path) {
  size_t separator = path.find_last_of("\\/:");
  return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

// Returns whether text starts with prefix.
bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Returns the full path of a UTF-16 path, or an empty text when there is none.
std::wstring FullPath(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  return full;
}

// Returns eight hexadecimal digits of a number.
std::string Hex8(uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 15];
  return text;
}

// Creates a new file of an unused short name ("~zt" and eight hexadecimal
// digits) in the folder of path, for writing and deleting with no sharing;
// returns its handle (INVALID_HANDLE_VALUE when none can be made) and its
// path in *temp.
HANDLE CreateTempBeside(const std::string& path, std::wstring* temp) {
  static std::atomic<uint32_t> counter{0};  // outputs may be made on several threads at once
  std::string folder(DirectoryPart(path));
  uint32_t seed = GetCurrentProcessId() * 0x9E3779B1u + GetTickCount();
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = WidePath(folder + "~zt" + Hex8(seed + (counter.fetch_add(1) + 1) * 0x10001u) + ".tmp");
    HANDLE file = CreateFileW(temp->c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
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

// Returns the errno value that stands for a Windows error code, for the
// causes that a failed output's note names; 0 for any other.
int ErrorNumberOf(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
  }
  return 0;
}

// What tells one file from another: its volume's serial number and its index there.
struct TFileId {
  DWORD Volume = 0;
  uint64_t Index = 0;
  bool operator==(const TFileId&) const = default;
};

// Returns the identity of the file or folder at path, or nothing when it
// cannot be had (no such file, or a file system that keeps no indexes).
std::optional<TFileId> IdOf(const std::wstring& path) {
  // No access rights: a file held open without sharing still answers. The
  // backup flag lets a folder be opened too.
  HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  uint64_t index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  if (!known || index == 0) return std::nullopt;
  return TFileId{info.dwVolumeSerialNumber, index};
}

// Returns whether two existing paths name the same file: by identity, or by
// their full paths (letter case aside) where the file system has no identities.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  std::optional<TFileId> idA = IdOf(a);
  std::optional<TFileId> idB = IdOf(b);
  if (idA && idB) return *idA == *idB;
  std::wstring fullA = FullPath(a);
  std::wstring fullB = FullPath(b);
  return !fullA.empty() &&
         CompareStringOrdinal(fullA.data(), static_cast<int>(fullA.size()), fullB.data(),
                              static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

// Returns whether the output path names an existing file that is one of the inputs.
bool OutputIsInput(const std::wstring& output, const std::vector<std::string>& inputs) {
  return std::any_of(inputs.begin(), inputs.end(),
                     [&](const std::string& input) { return SameFile(output, WidePath(input)); });
}

// Refuses an output that must not be replaced: one of the inputs
// (SameAsInput), a folder, or a read-only file (CannotCreate). Windows would
// not move a file over either of the last two at the end; Wine would over a
// read-only one. Returns Ok for a path that may be written.
TWriteStatus CheckOutput(const std::wstring& output, const std::vector<std::string>& inputs) {
  DWORD attributes = GetFileAttributesW(output.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return TWriteStatus::Ok;
  if (OutputIsInput(output, inputs)) return TWriteStatus::SameAsInput;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return TWriteStatus::CannotCreate;
  }
  return TWriteStatus::Ok;
}

// Asks the file system for size bytes of room for the open new file, so that
// a large output is laid out at once. The file's end stays where the data
// ends and nothing is written: not SetEndOfFile, which puts the end ahead of
// the data, so that the gap must read as zeros, and a file system that keeps
// no valid-data length writes them. A file system without it (and Wine)
// leaves the room to the writes, which report what fails.
void Reserve(HANDLE file, uint64_t size) {
  if (size == 0) return;
  FILE_ALLOCATION_INFO info;
  info.AllocationSize.QuadPart = static_cast<LONGLONG>(std::min<uint64_t>(size, INT64_MAX));
  (void)SetFileInformationByHandle(file, FileAllocationInfo, &info, sizeof info);
}

// Marks the open file to be deleted when it is closed, or clears the mark;
// returns false when it cannot. The system closes the handles of a process
// however it ends, so that a marked file never outlives the run.
bool MarkForDeletion(HANDLE file, bool deleted) {
  FILE_DISPOSITION_INFO info;
  info.DeleteFile = deleted;
  return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info);
}

// Sets the size of the open file, whatever room was reserved for it; returns
// false when it cannot.
bool SetSize(HANDLE file, uint64_t size) {
  FILE_END_OF_FILE_INFO info;
  info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(file, FileEndOfFileInfo, &info, sizeof info);
}

// The output written in pieces to a temporary file beside the target, which
// is moved over the target once complete: the old output stays whole until
// then. The file is reserved the expected room at once and given its size
// at the end; removed whenever the stream ends otherwise. While it is being
// written it is marked for deletion, so that a run killed or crashed in the
// middle leaves nothing behind either.
class TWindowsOutput final : public TOutputStream {
 public:
  /// Makes the temporary file for the output at path; returns nothing, with
  /// the reason in *status, when the output is refused, and a failed output
  /// with the system's reason when it cannot be made.
  static std::unique_ptr<TOutputStream> Open(const std::string& path,
                                             const std::vector<std::string>& inputs,
                                             uint64_t sizeHint, TWriteStatus* status) {
    std::unique_ptr<TWindowsOutput> output(new TWindowsOutput(WidePath(path)));
    *status = CheckOutput(output->Target, inputs);
    if (*status != TWriteStatus::Ok) return nullptr;
    output->File = CreateTempBeside(path, &output->Temp);
    if (output->File == INVALID_HANDLE_VALUE) {
      *status = TWriteStatus::CannotCreate;
      return std::make_unique<TFailedOutput>(*status, ErrorNumberOf(GetLastError()));
    }
    output->Marked = MarkForDeletion(output->File, true);
    Reserve(output->File, sizeHint);
    return output;
  }

  ~TWindowsOutput() override {
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
    if (!Temp.empty()) DeleteFileW(Temp.c_str());
  }

  bool Write(std::string_view data) override {
    if (!Failed && !WriteAll(File, data)) Fail();
    Written += data.size();
    return !Failed;
  }

  TWriteStatus Finish() override {
    if (!Failed && !(SetSize(File, Written) && FlushFileBuffers(File) &&
                     (!Marked || MarkForDeletion(File, false)))) {
      Fail();
    }
    if (!CloseHandle(std::exchange(File, INVALID_HANDLE_VALUE)) && !Failed) Fail();
    if (Failed) return TWriteStatus::CannotWrite;  // the destructor removes the file
    if (!MoveFileExW(Temp.c_str(), Target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      Fail();
      return TWriteStatus::CannotCreate;
    }
    Temp.clear();
    return TWriteStatus::Ok;
  }

  int ErrorNumber() const override { return Error; }

 private:
  explicit TWindowsOutput(std::wstring target) : Target(std::move(target)) {}

  // Notes that writing failed, and the system's reason for it.
  void Fail() {
    Error = ErrorNumberOf(GetLastError());
    Failed = true;
  }

  std::wstring Target;  // the output, in the form the *W functions take
  std::wstring Temp;    // the temporary file, until it is moved over the target
  HANDLE File = INVALID_HANDLE_VALUE;
  uint64_t Written = 0;
  bool Failed = false;
  int Error = 0;        // the reason for the failure, an errno value; 0 when not known
  bool Marked = false;  // the file goes when its handle is closed
};

// Returns the folder of the running program, its last separator included, or
// an empty text when it cannot be had.
std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(path.size());
    DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      break;
    }
    if (size >= 32768) return {};
    path.resize(path.size() * 2);  // cut short: try again with more room
  }
  size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

// Returns whether path names an existing file that is not a folder.
bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::wstring WideFromCodePage(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
  return text;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  }
  return bytes;
}

std::wstring WidePath(std::string_view path) {
  std::wstring wide = WideFromCodePage(path, CP_UTF8);
  if (StartsWith(wide, L"\\\\?\\")) return wide;
  std::wstring full = FullPath(wide);
  if (full.size() < kLongPath || StartsWith(full, L"\\\\.\\")) return wide;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring FirstWideArgument(std::wstring_view commandLine) {
  return FirstArgumentOf<wchar_t>(commandLine);
}

std::wstring WideArgument(std::wstring_view commandLine, int index) {
  return ArgumentOf<wchar_t>(commandLine, index);
}

TFileKind TWindowsPlatform::Probe(const std::string& path) {
  DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return TFileKind::Missing;
  }
  return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? TFileKind::Other : TFileKind::Regular;
}

TLoadStatus TWindowsPlatform::Load(const std::string& path, std::unique_ptr<TInputFile>* file) {
  file->reset();
  std::string data;
  // Other readers are welcome; a writer that has the file open makes this fail.
  HANDLE handle = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return TLoadStatus::CannotOpen;
  LARGE_INTEGER size;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
    CloseHandle(handle);
    return TLoadStatus::CannotOpen;
  }
  TLoadStatus status = TLoadStatus::Ok;
  try {
    if (static_cast<uint64_t>(size.QuadPart) > MaxInputSize) {
      status = TLoadStatus::TooLarge;
    } else {
      data.resize(static_cast<size_t>(size.QuadPart));
      DWORD got = 0;
      if (!data.empty() &&
          (!ReadFile(handle, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) ||
           got < data.size())) {
        status = TLoadStatus::ReadShort;
      }
    }
  } catch (const std::bad_alloc&) {
    CloseHandle(handle);
    throw;  // out of memory: the run says so
  }
  CloseHandle(handle);
  if (status == TLoadStatus::Ok) *file = std::make_unique<TTextFile>(std::move(data));
  return status;
}

TWriteStatus TWindowsPlatform::WriteOutput(const std::string& path, std::string_view data,
                                           const std::vector<std::string>& inputs) {
  return WriteThroughStream(*this, path, data, inputs);
}

std::unique_ptr<TOutputStream> TWindowsPlatform::OpenOutput(const std::string& path,
                                                            const std::vector<std::string>& inputs,
                                                            uint64_t sizeHint,
                                                            TWriteStatus* status) {
  return TWindowsOutput::Open(path, inputs, sizeHint, status);
}

TWriteStatus TWindowsPlatform::WriteStandardOutput(std::string_view data, int* error) {
  *error = 0;
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return TWriteStatus::CannotWrite;
  if (WriteAll(out, data)) return TWriteStatus::Ok;
  *error = ErrorNumberOf(GetLastError());
  return TWriteStatus::CannotWrite;
}

std::wstring WideMessage(const TFail& fail) {
  return WideFromCodePage(fail.BeforePath(), kMessageCodePage) +
         WideFromCodePage(fail.Path(), CP_UTF8) +
         WideFromCodePage(fail.AfterPath(), kMessageCodePage);
}

std::wstring WideCaption() { return WideFromCodePage(kCaption, kMessageCodePage); }

THashSeed TWindowsPlatform::HashSeed() {
  THashSeed seed;
  uint64_t words[2];
  if (BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(words), sizeof words,
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0) {
    seed.A = words[0];
    seed.B = words[1];
    return seed;
  }
  // Without the generator: the clock, the process and where the stack is.
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  seed.A = kFixedHashSeed.A ^ static_cast<uint64_t>(now.QuadPart);
  seed.B = kFixedHashSeed.B ^ (uint64_t{GetCurrentProcessId()} << 32) ^
           static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&now));
  return seed;
}

void TWindowsPlatform::ShowFailure(const TFail& fail) {
  MessageBoxW(nullptr, WideMessage(fail).c_str(), WideCaption().c_str(), MB_OK);
}

void TWindowsPlatform::PlaySuccessSound() {
  // The sound that comes with the program lies beside it. Without it the
  // system looks the name up itself, in the working folder first.
  std::wstring folder = ProgramFolder();
  if (!folder.empty()) {
    std::wstring besideProgram = WidePath(Utf8FromWide(folder + L"success.wav"));
    if (IsFile(besideProgram)) {
      PlaySoundW(besideProgram.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
      return;
    }
  }
  PlaySoundW(L"success.wav", nullptr, 0);
}

}  // namespace zunt
