#include "platform/temporary_output.h"

#include <fcntl.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <utility>

#include "platform/attributes.h"
#include "platform/posix_io.h"
#include "platform/temporaries.h"

namespace zunt {
namespace {

// Returns a fresh short name for a temporary file in folder.
std::string TemporaryName(const std::string& folder) {
  static constexpr std::string_view kDigits =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static std::atomic<uint64_t> counter{0};
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

// Copies the first size bytes of the file at from to the file at to; returns
// 0 or the error number.
int CopyFile(int from, int to, uint64_t size) {
  std::string buffer(std::min<uint64_t>(size, uint64_t{1} << 20), '\0');
  for (uint64_t at = 0; at < size;) {
    ssize_t n = pread(from, buffer.data(), std::min<uint64_t>(buffer.size(), size - at),
                      static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    if (int error = WriteAll(to, std::string_view(buffer.data(), static_cast<size_t>(n)))) {
      return error;
    }
    at += static_cast<uint64_t>(n);
  }
  return 0;
}

// Gives the open unnamed file a name; returns 0 or the error number.
int LinkUnnamed(int fd, const std::string& name) {
  std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno != ENOENT) return errno;
  // No /proc: naming the descriptor itself needs CAP_DAC_READ_SEARCH.
  return linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

// The output written in pieces to a temporary file in the target's folder:
// an unnamed one where the file system has them, which gets a name only once
// it is complete, so that a run killed before leaves nothing behind; else a
// named one, which the fatal signals remove (SIGKILL cannot be caught and
// leaves it). The file is given the expected size at once and cut to what
// was written at the end.
class TTemporaryOutput final : public TOutputStream {
 public:
  explicit TTemporaryOutput(const TReplacedFile& file) : File(file) {}

  ~TTemporaryOutput() override {
    if (Fd >= 0) close(Fd);
    if (!Temporary.Path().empty()) unlink(Temporary.Path().c_str());
  }

  /// Makes the temporary file; returns 0 or the error number.
  int Open(bool unnamed, uint64_t sizeHint) {
    if (unnamed) {
      std::string folder = File.Folder.empty() ? "." : File.Folder;
      Fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, NewMode());
    }
    int error = Fd < 0 ? OpenNamed() : 0;
    if (error == 0) Allocate(sizeHint);
    return error;
  }

  bool Write(std::string_view data) override {
    if (Error == 0) Error = WriteAll(Fd, data);
    Written += data.size();
    return Error == 0;
  }

  TWriteStatus Finish() override {
    if (Error != 0) return TWriteStatus::CannotWrite;
    // Blocks asked for beyond what was written are cut off.
    if (Allocated && ftruncate(Fd, static_cast<off_t>(Written)) != 0) {
      return Failure(TWriteStatus::CannotWrite, errno);
    }
    if (!Temporary.Path().empty()) return FinishNamed();
    // After the last write: a write by another user than root clears the set-ID bits.
    if (int error = GiveAccess()) return Failure(TWriteStatus::CannotCreate, error);
    std::optional<TWriteStatus> status = PublishUnnamed();
    if (!status) {
      // The unnamed file cannot be named here: copy it to a named one.
      int unnamed = std::exchange(Fd, -1);
      int error = OpenNamed();
      TWriteStatus failed = error != 0 ? TWriteStatus::CannotCreate : TWriteStatus::CannotWrite;
      if (error == 0) error = CopyFile(unnamed, Fd, Written);
      close(unnamed);
      return error != 0 ? Failure(failed, error) : FinishNamed();
    }
    // The file systems with unnamed files report write errors at the write, not here.
    if (close(std::exchange(Fd, -1)) != 0 && *status == TWriteStatus::Ok) {
      return Failure(TWriteStatus::CannotWrite, errno);
    }
    return *status;
  }

  int ErrorNumber() const override { return Error; }

 private:
  // Returns the status, with error kept as the reason.
  TWriteStatus Failure(TWriteStatus status, int error) {
    Error = error;
    return status;
  }

  // Returns the mode a temporary file is made with: private while it is
  // written when it replaces a file (whose mode it gets); for a new file,
  // what any new file gets, which the umask or the folder's default ACL trims.
  mode_t NewMode() const { return File.Exists ? 0600 : 0666; }

  // Makes the named temporary file, known to the signal handlers before it
  // exists; returns 0 or the error number.
  int OpenNamed() {
    for (int tries = 0; tries < 100; ++tries) {
      if (int error = Temporary.Hold(TemporaryName(File.Folder))) return error;
      Fd = open(Temporary.Path().c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, NewMode());
      if (Fd >= 0) return 0;
      int error = errno;
      Temporary.Forget();
      if (error != EEXIST) return error;
    }
    return EEXIST;
  }

  // Asks for the blocks of a large output at once, which makes writing and
  // replacing a large old output cheaper; a file system without that
  // (EOPNOTSUPP), or too little room, leaves it to the writes, which report
  // what fails. Never posix_fallocate: it writes zeros where there is no
  // support.
  void Allocate(uint64_t size) {
    Allocated = size >= kAllocateFrom && fallocate(Fd, 0, 0, static_cast<off_t>(size)) == 0;
  }

  // Gives the complete new file the old one's owner, mode and attributes;
  // returns 0 or the error number that stops the old file being replaced.
  int GiveAccess() { return File.Exists ? CopyAccess(File.Target, File.Old, Fd) : 0; }

  // Replaces the target by the complete unnamed file: it gets a temporary
  // name beside the target and is renamed over it at once. Returns nothing,
  // having changed nothing, when the file cannot be named.
  std::optional<TWriteStatus> MoveUnnamedOver() {
    for (int tries = 0; tries < 100; ++tries) {
      TTemporaryName linked;
      if (linked.Hold(TemporaryName(File.Folder)) != 0) return std::nullopt;
      int error = LinkUnnamed(Fd, linked.Path());
      if (error == EEXIST) continue;
      if (error != 0) return std::nullopt;
      if (rename(linked.Path().c_str(), File.Target.c_str()) == 0) return TWriteStatus::Ok;
      error = errno;
      unlink(linked.Path().c_str());
      return Failure(TWriteStatus::CannotCreate, error);
    }
    return Failure(TWriteStatus::CannotCreate, EEXIST);
  }

  // Names the complete unnamed file as the target; returns nothing, having
  // changed nothing, when the file cannot be named.
  std::optional<TWriteStatus> PublishUnnamed() {
    if (File.Exists) return MoveUnnamedOver();
    int error = LinkUnnamed(Fd, File.Target);
    if (error == 0) return TWriteStatus::Ok;
    // The target appeared meanwhile: replace it like any existing output.
    return error == EEXIST ? MoveUnnamedOver() : std::nullopt;
  }

  // Closes the named file and renames it over the target.
  TWriteStatus FinishNamed() {
    // On a failure the destructor removes the file.
    if (int error = GiveAccess()) return Failure(TWriteStatus::CannotCreate, error);
    if (close(std::exchange(Fd, -1)) != 0) return Failure(TWriteStatus::CannotWrite, errno);
    if (rename(Temporary.Path().c_str(), File.Target.c_str()) != 0) {
      return Failure(TWriteStatus::CannotCreate, errno);
    }
    Temporary.Forget();
    return TWriteStatus::Ok;
  }

  TReplacedFile File;
  int Fd = -1;
  TTemporaryName Temporary;  // the named temporary file, until it is renamed
  uint64_t Written = 0;
  bool Allocated = false;  // given its blocks beforehand, to be cut to size at the end
  int Error = 0;           // the error number of the failure, once there is one
};

}  // namespace

std::unique_ptr<TOutputStream> OpenTemporaryOutput(const TReplacedFile& file, bool unnamed,
                                                   uint64_t sizeHint, TWriteStatus* status) {
  auto output = std::make_unique<TTemporaryOutput>(file);
  int error = output->Open(unnamed, sizeHint);
  *status = error == 0 ? TWriteStatus::Ok : TWriteStatus::CannotCreate;
  if (error != 0) return std::make_unique<TFailedOutput>(*status, error);
  return output;
}

}  // namespace zunt
