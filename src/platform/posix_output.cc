// The output on POSIX systems: an ordinary file is replaced through a
// temporary file beside it, which keeps who may use the old one; a
// descriptor, a pipe or a device is written in place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/posix.h"
#include "platform/posix_io.h"
#include "platform/temporary_output.h"

namespace zunt {
namespace {

// Linux gives up on a path after this many symbolic links, and so does the output.
constexpr int kMaxLinks = 40;

// Where the output goes: a descriptor that the run was given, something that
// exists and is not an ordinary file, or an ordinary file that is replaced
// or created.
struct TOutputPlan {
  int Descriptor = -1;   // the descriptor written to, or -1
  bool InPlace = false;  // the target is a pipe, a device or the like
  TReplacedFile File;    // the target, at the end of any symbolic links
};

// Returns the descriptor that path names itself: 1 for "/dev/stdout", 2 for
// "/dev/stderr", N for "/dev/fd/N" and "/proc/self/fd/N"; -1 for any other.
int DescriptorOf(std::string_view path) {
  if (path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  for (std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(folder)) continue;
    std::string_view digits = path.substr(folder.size());
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
      return -1;
    }
    int fd = 0;
    for (char digit : digits) fd = fd * 10 + (digit - '0');
    return fd;
  }
  return -1;
}

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
// from the folder of its link, up to its end or to a path that names a
// descriptor (in plan->Descriptor). Sets plan->Target; returns 0, or the
// error number for a chain that is too long or cannot be read.
int FollowLinks(std::string path, TOutputPlan* plan) {
  for (int links = 0; links <= kMaxLinks; ++links) {
    plan->Descriptor = DescriptorOf(path);
    struct stat st;
    if (plan->Descriptor >= 0 || lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      plan->File.Target = std::move(path);
      return 0;
    }
    std::optional<std::string> text = ReadLink(path);
    if (!text) return errno;
    if (text->empty()) return ENOENT;
    path = text->front() == '/' ? *text : FolderOf(path) + *text;
  }
  return ELOOP;
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

// Decides where the output goes and refuses what must not be written: an
// input, a folder, and an ordinary file with no write bit at all (its owner
// made it read-only; root would be let through otherwise). Returns Ok, or the
// failure with the system's reason in *error.
TWriteStatus PlanOutput(const std::string& path, const std::vector<std::string>& inputs,
                        TOutputPlan* plan, int* error) {
  *error = FollowLinks(path, plan);
  if (*error != 0) return TWriteStatus::CannotCreate;
  struct stat st;
  TReplacedFile& file = plan->File;
  file.Folder = FolderOf(file.Target);
  int found = plan->Descriptor >= 0 ? fstat(plan->Descriptor, &st) : stat(file.Target.c_str(), &st);
  if (found != 0) {
    *error = errno;
    if (*error != ENOENT || plan->Descriptor >= 0) return TWriteStatus::CannotCreate;
    *error = 0;
    return TWriteStatus::Ok;
  }
  if (IsAnInput(st, inputs)) return TWriteStatus::SameAsInput;
  if (plan->Descriptor >= 0) return TWriteStatus::Ok;
  if (S_ISDIR(st.st_mode)) *error = EISDIR;
  if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) *error = EACCES;
  if (*error != 0) return TWriteStatus::CannotCreate;
  plan->InPlace = !S_ISREG(st.st_mode);
  file.Exists = !plan->InPlace;
  file.Old = st;
  return TWriteStatus::Ok;
}

// The output written in place once it is complete: to a descriptor that the
// run was given, or to a pipe or a device, opened without truncating it and
// without waiting for a reader. Neither is ever replaced. The bytes are kept
// until then, so that a run that fails writes nothing.
class TInPlaceOutput final : public TOutputStream {
 public:
  /// Opens the output; returns a failed one when it cannot.
  static std::unique_ptr<TOutputStream> Open(const TOutputPlan& plan, TWriteStatus* status) {
    int fd = plan.Descriptor;
    if (fd < 0) {
      fd = open(plan.File.Target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
      // Once open, writes wait for room as they do on any pipe. A path that
      // became an ordinary file meanwhile is not written over in place.
      struct stat st;
      int error = 0;
      if (fd < 0 || fstat(fd, &st) != 0) {
        error = errno;
      } else if (S_ISREG(st.st_mode)) {
        error = EAGAIN;
      } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        error = errno;
      }
      if (error != 0) {
        if (fd >= 0) close(fd);
        *status = TWriteStatus::CannotCreate;
        return std::make_unique<TFailedOutput>(*status, error);
      }
    }
    *status = TWriteStatus::Ok;
    return std::unique_ptr<TOutputStream>(new TInPlaceOutput(fd, plan.Descriptor < 0));
  }

  ~TInPlaceOutput() override {
    if (Owned) close(Fd);
  }

  bool Write(std::string_view data) override {
    Data += data;
    return true;
  }

  TWriteStatus Finish() override {
    Error = WriteAll(Fd, Data);
    if (Error == 0 && Owned) {
      Owned = false;
      if (close(Fd) != 0) Error = errno;
    }
    return Error == 0 ? TWriteStatus::Ok : TWriteStatus::CannotWrite;
  }

  int ErrorNumber() const override { return Error; }

 private:
  TInPlaceOutput(int fd, bool owned) : Fd(fd), Owned(owned) {}

  int Fd;
  bool Owned;  // opened here, and closed here
  std::string Data;
  int Error = 0;
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
  int error = 0;
  *status = PlanOutput(path, inputs, &plan, &error);
  if (*status == TWriteStatus::SameAsInput) return nullptr;
  if (*status != TWriteStatus::Ok) return std::make_unique<TFailedOutput>(*status, error);
  if (plan.Descriptor >= 0 || plan.InPlace) return TInPlaceOutput::Open(plan, status);
  return OpenTemporaryOutput(plan.File, UnnamedTemporary, sizeHint, status);
}

}  // namespace zunt
