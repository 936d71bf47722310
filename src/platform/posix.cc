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
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>

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
  if (gMapped.Begin != nullptr) return nullptr;
  std::string message = loadErrorText != nullptr ? loadErrorText(path) : path + "\n";
  // Not populated at once: a script is read front to back, and the part
  // already read is let go of (Release), so that memory stays small.
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (data == MAP_FAILED) return nullptr;
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

namespace {

// How the output gets written: the file that it replaces, if there is one,
// after following links, and the mode that the new file gets.
struct TOutputPlan {
  std::string Target;  // the file to replace or create: not a symbolic link
  std::string Folder;  // the target's folder with its final "/", or "" for the working folder
  bool Exists = false;
  mode_t Mode = 0;
};

// Signals that end the run and that a named temporary file is removed on.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Linux gives up on a path after this many symbolic links, and so does the output.
constexpr int kMaxLinks = 40;
// The named temporary file being written, for the signal handler; null when there is none.
std::atomic<const char*> gNamedTemporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

// Returns the folder part of a path with its final "/", or "" when there is none.
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Returns the text of the symbolic link at path, or nothing when it cannot be read.
std::optional<std::string> ReadLink(const std::string& path) {
  std::string text(256, '\0');
  for (;;) {
    ssize_t n = readlink(path.c_str(), text.data(), text.size());
    if (n < 0) return std::nullopt;
    if (static_cast<size_t>(n) < text.size()) {
      text.resize(static_cast<size_t>(n));
      return text;
    }
    text.resize(text.size() * 2);
  }
}

// Follows the chain of symbolic links that starts at path, each relative one
// from the folder of its link; returns the path at the end of the chain,
// which need not exist, or nothing for a chain that is too long or unreadable.
std::optional<std::string> FinalTarget(std::string path) {
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::optional<std::string> text = ReadLink(path);
    if (!text || text->empty()) return std::nullopt;
    path = text->front() == '/' ? *text : FolderOf(path) + *text;
  }
  return std::nullopt;
}

// Returns whether the file st describes is one of the inputs, by device and inode.
bool IsAnInput(const struct stat& st, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    struct stat in;
    if (stat(input.c_str(), &in) == 0 && in.st_dev == st.st_dev && in.st_ino == st.st_ino) {
      return true;
    }
  }
  return false;
}

// Returns the mode of a newly created ordinary file: 0666 less the umask.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Decides where the output goes and refuses what must not be replaced: an
// input, anything but an ordinary file, and a file with no write bit at all
// (its owner made it read-only; root would be let through otherwise).
TWriteStatus PlanOutput(const std::string& path, const std::vector<std::string>& inputs,
                        TOutputPlan* plan) {
  std::optional<std::string> target = FinalTarget(path);
  if (!target) return TWriteStatus::CannotCreate;
  plan->Target = std::move(*target);
  plan->Folder = FolderOf(plan->Target);
  struct stat st;
  if (stat(plan->Target.c_str(), &st) != 0) {
    if (errno != ENOENT) return TWriteStatus::CannotCreate;
    plan->Exists = false;
    plan->Mode = NewFileMode();
    return TWriteStatus::Ok;
  }
  if (IsAnInput(st, inputs)) return TWriteStatus::SameAsInput;
  if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) return TWriteStatus::CannotCreate;
  plan->Exists = true;
  plan->Mode = st.st_mode & 07777;
  return TWriteStatus::Ok;
}

// Blocks the stop signals for as long as it lives: one that comes meanwhile
// takes effect afterwards.
class TStopSignalsBlocked {
 public:
  TStopSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int stop : kStopSignals) sigaddset(&set, stop);
    sigprocmask(SIG_BLOCK, &set, &Saved);
  }
  ~TStopSignalsBlocked() { sigprocmask(SIG_SETMASK, &Saved, nullptr); }
  TStopSignalsBlocked(const TStopSignalsBlocked&) = delete;
  TStopSignalsBlocked& operator=(const TStopSignalsBlocked&) = delete;

 private:
  sigset_t Saved;
};

// Removes the named temporary file, if one is being written, then ends the
// process by the signal's default action (the handler is reset on entry).
void OnStopSignal(int stop) {
  if (const char* temporary = gNamedTemporary.load()) unlink(temporary);
  raise(stop);
}

// Installs OnStopSignal, once, for each stop signal that has its default
// action: an ignored signal stays ignored.
void InstallStopHandlers() {
  static const bool installed = [] {
    for (int stop : kStopSignals) {
      struct sigaction old;
      if (sigaction(stop, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
      struct sigaction action = {};
      action.sa_handler = OnStopSignal;
      action.sa_flags = SA_RESETHAND | SA_NODEFER;
      sigemptyset(&action.sa_mask);
      sigaction(stop, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
}

// Returns a fresh short name for a temporary file in folder.
std::string TemporaryName(const std::string& folder) {
  static constexpr std::string_view kDigits =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static uint64_t counter = 0;
  uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    bits = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(getpid()) << 32);
  }
  bits += ++counter * 0x9E3779B97F4A7C15u;
  std::string name = folder + ".zunt-";
  for (int i = 0; i < 8; ++i, bits /= kDigits.size()) name += kDigits[bits % kDigits.size()];
  return name;
}

// The smallest output whose blocks are asked for at once: a smaller one is
// written at one go, and cutting the unused blocks off costs more than it saves.
constexpr uint64_t kAllocateFrom = uint64_t{1} << 20;

// Gives the file's mode to the new open file and, for a large output, asks
// for its blocks at once, which makes writing and replacing a large old
// output cheaper; a file system without that (EOPNOTSUPP), or too little
// room, leaves it to the writes, which report what fails. Never
// posix_fallocate: it writes zeros where there is no support. Returns false
// when the mode cannot be given; *allocated tells whether the file now has
// that size.
bool Prepare(int fd, mode_t mode, uint64_t size, bool* allocated) {
  *allocated = size >= kAllocateFrom && fallocate(fd, 0, 0, static_cast<off_t>(size)) == 0;
  return fchmod(fd, mode) == 0;
}

// Copies the first size bytes of the file at from to the file at to; returns
// false on any failure.
bool CopyFile(int from, int to, uint64_t size) {
  std::string buffer(std::min<uint64_t>(size, uint64_t{1} << 20), '\0');
  for (uint64_t at = 0; at < size;) {
    ssize_t n = pread(from, buffer.data(), std::min<uint64_t>(buffer.size(), size - at),
                      static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || !WriteAll(to, std::string_view(buffer.data(), static_cast<size_t>(n)))) {
      return false;
    }
    at += static_cast<uint64_t>(n);
  }
  return true;
}

// Gives the open unnamed file a name; returns 0 or the error number.
int LinkUnnamed(int fd, const std::string& name) {
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno != ENOENT) return errno;
  // No /proc: naming the descriptor itself needs CAP_DAC_READ_SEARCH.
  return linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

// Replaces the target by the complete unnamed file: it gets a temporary name
// beside the target and is renamed over it at once. Returns nothing, having
// changed nothing, when the file cannot be named.
std::optional<TWriteStatus> MoveUnnamedOver(int fd, const TOutputPlan& plan) {
  TStopSignalsBlocked blocked;  // SIGKILL aside, nothing stops the run between the two steps
  for (int tries = 0; tries < 100; ++tries) {
    std::string temporary = TemporaryName(plan.Folder);
    int error = LinkUnnamed(fd, temporary);
    if (error == EEXIST) continue;
    if (error != 0) return std::nullopt;
    if (rename(temporary.c_str(), plan.Target.c_str()) == 0) return TWriteStatus::Ok;
    unlink(temporary.c_str());
    return TWriteStatus::CannotCreate;
  }
  return TWriteStatus::CannotCreate;
}

// Names the complete unnamed file as the target; returns nothing, having
// changed nothing, when the file cannot be named.
std::optional<TWriteStatus> PublishUnnamed(int fd, const TOutputPlan& plan) {
  if (plan.Exists) return MoveUnnamedOver(fd, plan);
  int error = LinkUnnamed(fd, plan.Target);
  if (error == 0) return TWriteStatus::Ok;
  // The target appeared meanwhile: replace it like any existing output.
  return error == EEXIST ? MoveUnnamedOver(fd, plan) : std::nullopt;
}

// The output written in pieces to a temporary file in the target's folder:
// an unnamed one (O_TMPFILE) where the file system has them, which gets a
// name only once it is complete, so that a run killed before leaves nothing
// behind; else a named one, which the stop signals remove (SIGKILL cannot be
// caught and leaves it). The file is given the expected size at once and cut
// to what was written at the end.
class TPosixOutput final : public TOutputStream {
 public:
  /// Opens the temporary file; returns nothing, with the reason in *status,
  /// when it cannot.
  static std::unique_ptr<TPosixOutput> Open(const TOutputPlan& plan, bool unnamed,
                                            uint64_t sizeHint, TWriteStatus* status) {
    std::unique_ptr<TPosixOutput> output(new TPosixOutput(plan));
    *status = TWriteStatus::Ok;
    if (unnamed) {
      std::string folder = plan.Folder.empty() ? "." : plan.Folder;
      output->Fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    }
    if (output->Fd < 0 && !output->OpenNamed()) {
      *status = TWriteStatus::CannotCreate;
      return nullptr;
    }
    if (!Prepare(output->Fd, plan.Mode, sizeHint, &output->Allocated)) output->Failed = true;
    return output;
  }

  ~TPosixOutput() override {
    if (Fd >= 0) close(Fd);
    if (!Temporary.empty()) {
      TStopSignalsBlocked blocked;
      unlink(Temporary.c_str());
      gNamedTemporary = nullptr;
    }
  }

  bool Write(std::string_view data) override {
    if (!Failed && !WriteAll(Fd, data)) Failed = true;
    Written += data.size();
    return !Failed;
  }

  TWriteStatus Finish() override {
    // Blocks asked for beyond what was written are cut off.
    if (Failed || (Allocated && ftruncate(Fd, static_cast<off_t>(Written)) != 0)) {
      return TWriteStatus::CannotWrite;
    }
    if (Temporary.empty()) {
      std::optional<TWriteStatus> status = PublishUnnamed(Fd, Plan);
      if (!status) {
        // The unnamed file cannot be named here: copy it to a named one.
        int unnamed = Fd;
        Fd = -1;
        bool copied =
            OpenNamed() && Prepare(Fd, Plan.Mode, 0, &Allocated) && CopyFile(unnamed, Fd, Written);
        close(unnamed);
        if (!copied) return Fd < 0 ? TWriteStatus::CannotCreate : TWriteStatus::CannotWrite;
        return FinishNamed();
      }
      // The file systems with unnamed files report write errors at the write, not here.
      int fd = Fd;
      Fd = -1;
      if (close(fd) != 0 && *status == TWriteStatus::Ok) return TWriteStatus::CannotWrite;
      return *status;
    }
    return FinishNamed();
  }

 private:
  explicit TPosixOutput(const TOutputPlan& plan) : Plan(plan) {}

  // Makes the named temporary file; returns false when it cannot.
  bool OpenNamed() {
    InstallStopHandlers();
    std::string temporary = Plan.Folder + ".zunt-XXXXXX";
    TStopSignalsBlocked blocked;  // the file never exists unknown to the handler
    Fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (Fd < 0) return false;
    Temporary = std::move(temporary);
    gNamedTemporary = Temporary.c_str();
    return true;
  }

  // Closes the named file and renames it over the target.
  TWriteStatus FinishNamed() {
    int fd = Fd;
    Fd = -1;
    if (close(fd) != 0) return TWriteStatus::CannotWrite;  // the destructor removes the file
    TStopSignalsBlocked blocked;
    if (rename(Temporary.c_str(), Plan.Target.c_str()) != 0) return TWriteStatus::CannotCreate;
    Temporary.clear();
    gNamedTemporary = nullptr;
    return TWriteStatus::Ok;
  }

  TOutputPlan Plan;
  int Fd = -1;
  std::string Temporary;  // the named temporary file, until it is renamed
  uint64_t Written = 0;
  bool Allocated = false;  // given its blocks beforehand, to be cut to size at the end
  bool Failed = false;
};

}  // namespace

TWriteStatus TPosixPlatform::WriteOutput(const std::string& path, std::string_view data,
                                         const std::vector<std::string>& inputs) {
  // A symbolic link is written through: the file at the end of its chain is
  // replaced, and a temporary file goes beside that file, so that the rename
  // stays on one file system. No fsync: the output is made again by one run,
  // and flushing costs more than the run itself on large scripts. The rename
  // still replaces the old file whole.
  return WriteThroughStream(*this, path, data, inputs);
}

std::unique_ptr<TOutputStream> TPosixPlatform::OpenOutput(const std::string& path,
                                                          const std::vector<std::string>& inputs,
                                                          uint64_t sizeHint, TWriteStatus* status) {
  TOutputPlan plan;
  *status = PlanOutput(path, inputs, &plan);
  if (*status != TWriteStatus::Ok) return nullptr;
  return TPosixOutput::Open(plan, UnnamedTemporary, sizeHint, status);
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
