#include "platform/posix.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <new>

#include "base/cp1251.h"
#include "base/fail.h"
#include "platform/posix_io.h"
#include "platform/temporaries.h"

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

// The mapped input file, if there is one. Its bytes vanish if another program
// cuts the file short while it is mapped; touching them then raises SIGBUS,
// and the run ends with the load-error message instead of a crash, having
// removed the named temporary files of the outputs being written.
struct TMappedRange {
  const char* Begin = nullptr;
  const char* End = nullptr;
  std::string Message;  // what ShowFailure would write, ready for the signal handler
};
TMappedRange gMapped;
// Whether an input is mapped: one at a time, whichever of the run's threads
// loads it, so that the fault handler knows its range.
std::atomic<bool> gMapTaken{false};

void OnBusError(int, siginfo_t* info, void*) {
  RemoveTemporaries();
  const char* at = static_cast<const char*>(info->si_addr);
  if (gMapped.Begin != nullptr && at >= gMapped.Begin && at < gMapped.End) {
    [[maybe_unused]] ssize_t shown =
        write(STDERR_FILENO, gMapped.Message.data(), gMapped.Message.size());
    _exit(1);
  }
  // Any other fault: the default action when the access is retried; sent by
  // another process: at once.
  signal(SIGBUS, SIG_DFL);
  if (info->si_code <= 0) raise(SIGBUS);
}

// An input file mapped into memory: no copy, and no zeroed buffer to fill.
class TMappedFile final : public TInputFile {
 public:
  TMappedFile(const char* data, size_t size) : Data(data), Size(size) {}
  ~TMappedFile() override {
    gMapped.Begin = gMapped.End = nullptr;
    munmap(const_cast<char*>(Data), Size);
    gMapTaken.store(false);
  }
  std::string_view Bytes() const override { return {Data, Size}; }
  void Release(size_t from, size_t to) override {
    // Whole pages only: Data is page-aligned.
    size_t first = (from + kPage - 1) / kPage * kPage;
    size_t last = std::min(to, Size) / kPage * kPage;
    if (first < last) madvise(const_cast<char*>(Data) + first, last - first, MADV_DONTNEED);
  }

 private:
  static constexpr size_t kPage = 4096;  // or a divisor of the page size
  const char* Data;
  size_t Size;
};

// Maps size bytes of the open file; returns nothing when it cannot, or when
// another input is mapped already.
std::unique_ptr<TInputFile> MapFile(int fd, size_t size, const std::string& path,
                                    std::string (*loadErrorText)(const std::string&)) {
  bool taken = false;
  if (!gMapTaken.compare_exchange_strong(taken, true)) return nullptr;
  std::string message = loadErrorText != nullptr ? loadErrorText(path) : path + "\n";
  // Not populated at once: a script is read front to back, and the part
  // already read is let go of (Release), so that memory stays small.
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (data == MAP_FAILED) {
    gMapTaken.store(false);
    return nullptr;
  }
  madvise(data, size, MADV_SEQUENTIAL);
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

// An input file read into memory that was not cleared first: the read fills it.
class TReadFile final : public TInputFile {
 public:
  explicit TReadFile(size_t size) : Data(new char[size]), Size(size) {}
  std::string_view Bytes() const override { return {Data.get(), Size}; }
  char* data() { return Data.get(); }

 private:
  std::unique_ptr<char[]> Data;
  size_t Size;
};

// Reads size bytes of the open file; returns how it went.
TLoadStatus ReadFile(int fd, size_t size, std::unique_ptr<TInputFile>* file) {
  auto read_file = std::make_unique<TReadFile>(size);
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, read_file->data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < size) return TLoadStatus::ReadShort;
  *file = std::move(read_file);
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
  TLoadStatus status = TLoadStatus::TooLarge;
  try {
    if (size <= MaxInputSize) {
      if (size >= MapSize) *file = MapFile(fd, size, path, LoadErrorText);
      status = *file ? TLoadStatus::Ok : ReadFile(fd, size, file);
    }
  } catch (const std::bad_alloc&) {
    close(fd);
    throw;  // out of memory: the run says so
  }
  close(fd);
  return status;
}

TWriteStatus TPosixPlatform::WriteStandardOutput(std::string_view data, int* error) {
  *error = WriteAll(STDOUT_FILENO, data);
  return *error == 0 ? TWriteStatus::Ok : TWriteStatus::CannotWrite;
}

THashSeed TPosixPlatform::HashSeed() {
  THashSeed seed;
  uint64_t words[2];
  if (getrandom(words, sizeof words, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof words)) {
    seed.A = words[0];
    seed.B = words[1];
    return seed;
  }
  // Early in boot, before the pool is ready: the clock, the process and where
  // the system placed the stack, which differ from run to run.
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  seed.A = kFixedHashSeed.A ^ static_cast<uint64_t>(now.tv_nsec) ^
           (static_cast<uint64_t>(now.tv_sec) << 30);
  seed.B = kFixedHashSeed.B ^ (static_cast<uint64_t>(getpid()) << 32) ^
           static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&now));
  return seed;
}

void TPosixPlatform::ShowFailure(const TFail& fail) {
  std::string text = TerminalLines(fail.BeforePath());
  text += fail.Path();
  text += TerminalLines(fail.AfterPath());
  text += '\n';
  WriteAll(STDERR_FILENO, text);
}

}  // namespace zunt
