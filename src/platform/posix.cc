#include "platform/posix.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/cp1251.h"
#include "base/fail.h"

namespace zunt {
namespace {

// Converts Windows-1251 message text to UTF-8 with every CR LF written as LF.
std::string TerminalLines(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    size_t crlf = text.find("\r\n", at);
    size_t end = crlf == std::string_view::npos ? text.size() : crlf;
    out += Utf8FromWin1251(text.substr(at, end - at));
    if (crlf == std::string_view::npos) break;
    out += '\n';
    at = crlf + 2;
  }
  return out;
}

// Writes all of data to fd; returns false on an error or a short write.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The mapped input file, if there is one. Its bytes vanish if another program
// cuts the file short while it is mapped; touching them then raises SIGBUS,
// and the run ends with the load-error message instead of a crash. No output
// file exists yet at that point: the input is only read before the write.
struct TMappedRange {
  const char* Begin = nullptr;
  const char* End = nullptr;
  std::string Message;  // what ShowFailure would write, ready for the signal handler
};
TMappedRange gMapped;

void OnBusError(int, siginfo_t* info, void*) {
  const char* at = static_cast<const char*>(info->si_addr);
  if (gMapped.Begin != nullptr && at >= gMapped.Begin && at < gMapped.End) {
    [[maybe_unused]] ssize_t shown =
        write(STDERR_FILENO, gMapped.Message.data(), gMapped.Message.size());
    _exit(1);
  }
  signal(SIGBUS, SIG_DFL);  // any other fault: the default action when the access is retried
}

// An input file mapped into memory: no copy, and no zeroed buffer to fill.
class TMappedFile final : public TInputFile {
 public:
  TMappedFile(const char* data, size_t size) : Data(data), Size(size) {}
  ~TMappedFile() override {
    gMapped.Begin = gMapped.End = nullptr;
    munmap(const_cast<char*>(Data), Size);
  }
  std::string_view Bytes() const override { return {Data, Size}; }

 private:
  const char* Data;
  size_t Size;
};

// Maps size bytes of the open file; returns nothing when it cannot, or when
// another input is mapped already.
std::unique_ptr<TInputFile> MapFile(int fd, size_t size, const std::string& path,
                                    std::string (*loadErrorText)(const std::string&)) {
  if (gMapped.Begin != nullptr) return nullptr;
  std::string message = loadErrorText != nullptr ? loadErrorText(path) : path + "\n";
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (data == MAP_FAILED) return nullptr;
  auto file = std::make_unique<TMappedFile>(static_cast<const char*>(data), size);
  static const bool handled = [] {
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGBUS, &action, nullptr) == 0;
  }();
  if (!handled) return nullptr;  // the file unmaps itself
  gMapped.Message = std::move(message);
  gMapped.Begin = static_cast<const char*>(data);
  gMapped.End = gMapped.Begin + size;
  return file;
}

// Reads size bytes of the open file into a string; returns how it went.
TLoadStatus ReadFile(int fd, size_t size, std::unique_ptr<TInputFile>* file) {
  std::string data(size, '\0');
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, data.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < size) return TLoadStatus::ReadShort;
  *file = std::make_unique<TTextFile>(std::move(data));
  return TLoadStatus::Ok;
}

}  // namespace

TFileKind TPosixPlatform::Probe(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return TFileKind::Missing;
  return S_ISREG(st.st_mode) ? TFileKind::Regular : TFileKind::Other;
}

TLoadStatus TPosixPlatform::Load(const std::string& path, std::unique_ptr<TInputFile>* file) {
  file->reset();
  // O_NONBLOCK: should the path have become a pipe since Probe, opening it must not wait.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return TLoadStatus::CannotOpen;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return TLoadStatus::CannotOpen;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  TLoadStatus status = TLoadStatus::ReadShort;
  try {
    if (size <= MaxInputSize) {
      if (size >= MapSize) *file = MapFile(fd, size, path, LoadErrorText);
      status = *file ? TLoadStatus::Ok : ReadFile(fd, size, file);
    }
  } catch (const std::bad_alloc&) {
    file->reset();
  }
  close(fd);
  return status;
}

TWriteStatus TPosixPlatform::WriteOutput(const std::string& path, std::string_view data,
                                         const std::vector<std::string>& inputs) {
  // The output must never replace an input, under any name or link.
  struct stat out;
  if (stat(path.c_str(), &out) == 0) {
    for (const std::string& input : inputs) {
      struct stat in;
      if (stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        return TWriteStatus::SameAsInput;
      }
    }
  }
  // Write a hidden temporary file beside the output, then rename it over the
  // output: the old output stays whole until the new one is complete.
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string temp = path.substr(0, nameStart) + "." + path.substr(nameStart) + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return TWriteStatus::CannotCreate;

  mode_t mask = umask(0);
  umask(mask);
  // No fsync: the output is made again by one run, and flushing costs more than
  // the run itself on large scripts. The rename still replaces the old file whole.
  bool written = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, data);
  if (close(fd) != 0) written = false;
  if (!written) {
    unlink(temp.c_str());
    return TWriteStatus::CannotWrite;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return TWriteStatus::CannotCreate;
  }
  return TWriteStatus::Ok;
}

TWriteStatus TPosixPlatform::WriteStandardOutput(std::string_view data) {
  return WriteAll(STDOUT_FILENO, data) ? TWriteStatus::Ok : TWriteStatus::CannotWrite;
}

void TPosixPlatform::ShowFailure(const TFail& fail) {
  std::string text = TerminalLines(fail.BeforePath());
  text += fail.Path();
  text += TerminalLines(fail.AfterPath());
  text += '\n';
  WriteAll(STDERR_FILENO, text);
}

}  // namespace zunt
