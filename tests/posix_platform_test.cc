#include "platform/posix.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>

#include "base/fail.h"
#include "scratch_test.h"
#include "test_util.h"

// A fault to make: fsetxattr fails with gSetAttributeError for the names
// that start with gSetAttributePrefix.
int gSetAttributeError = 0;
std::string gSetAttributePrefix;

// Stands in for the C library's fsetxattr in this program, so that a test can
// make a file system that refuses an attribute.
extern "C" int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags) {
  if (gSetAttributeError != 0 && std::string_view(name).starts_with(gSetAttributePrefix)) {
    errno = gSetAttributeError;
    return -1;
  }
  return static_cast<int>(syscall(SYS_fsetxattr, fd, name, value, size, flags));
}

namespace zunt {
namespace {

namespace fs = std::filesystem;

struct PosixPlatformTest : TScratchTest {
  TPosixPlatform platform;

  /// Writes data to the output at path in one piece; returns how it went and
  /// the system's reason.
  std::pair<TWriteStatus, int> Written(const std::string& path, std::string_view data,
                                       const std::vector<std::string>& inputs = {}) {
    TWriteStatus status;
    std::unique_ptr<TOutputStream> stream = platform.OpenOutput(path, inputs, data.size(), &status);
    if (!stream) return {status, 0};
    stream->Write(data);
    status = stream->Finish();
    return {status, stream->ErrorNumber()};
  }
  /// Returns an extended attribute of a file, or "-" when it has none.
  std::string Attribute(const std::string& name, const char* attribute) const {
    char value[256];
    ssize_t size = getxattr(PathOf(name).c_str(), attribute, value, sizeof value);
    return size < 0 ? "-" : std::string(value, static_cast<size_t>(size));
  }
};

// Each run's tables get a key of their own from the system's random source.
TEST_F(PosixPlatformTest, HashSeedDiffersFromRunToRun) {
  THashSeed first = platform.HashSeed(), second = platform.HashSeed();
  EXPECT_FALSE(first == second);
  EXPECT_FALSE(first == kFixedHashSeed);
}

TEST_F(PosixPlatformTest, ProbeAndLoad) {
  Put("file.txt", std::string("a\0\xFF\r\n", 5));
  fs::create_directory(PathOf("dir.txt"));
  ASSERT_EQ(0, mkfifo(PathOf("pipe.txt").c_str(), 0600));

  EXPECT_EQ(TFileKind::Missing, platform.Probe(PathOf("none.txt")));
  EXPECT_EQ(TFileKind::Missing, platform.Probe(PathOf("dir.txt")));
  EXPECT_EQ(TFileKind::Regular, platform.Probe(PathOf("file.txt")));
  EXPECT_EQ(TFileKind::Other, platform.Probe(PathOf("pipe.txt")));

  std::string data = "stale";
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("file.txt"), &data));
  EXPECT_EQ(std::string("a\0\xFF\r\n", 5), data);
  EXPECT_EQ(TLoadStatus::CannotOpen, LoadText(platform, PathOf("none.txt"), &data));
  // A pipe with no writer must not block the load.
  EXPECT_EQ(TLoadStatus::CannotOpen, LoadText(platform, PathOf("pipe.txt"), &data));
  EXPECT_EQ(TLoadStatus::CannotOpen, LoadText(platform, PathOf("dir.txt"), &data));

  // A file that delivers fewer bytes than its size (a sysfs file claims a whole
  // page) reads short.
  const std::string shrunk = "/sys/devices/system/cpu/online";
  if (platform.Probe(shrunk) == TFileKind::Regular) {
    data = "stale";
    EXPECT_EQ(TLoadStatus::ReadShort, LoadText(platform, shrunk, &data));
    EXPECT_EQ("", data);
  }

  // Large files are mapped instead of read: the same bytes.
  platform.MapSize = 1;
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("file.txt"), &data));
  EXPECT_EQ(std::string("a\0\xFF\r\n", 5), data);

  platform.MaxInputSize = 4;
  EXPECT_EQ(TLoadStatus::TooLarge, LoadText(platform, PathOf("file.txt"), &data));
  EXPECT_EQ("", data);
}

// Who may have written a settings file: its owner (root counts as the
// user's own) and whether others than the owner's group may write it; what
// a path is called with its links followed; folders made with their parents.
TEST_F(PosixPlatformTest, TrustRealPathsAndFolders) {
  Put("mine.toml", "");
  for (auto [mode, trust] : {std::pair{0644, TTrust::Trusted},
                             {0664, TTrust::Trusted},
                             {0646, TTrust::WritableByOthers}}) {
    chmod(PathOf("mine.toml").c_str(), static_cast<mode_t>(mode));
    EXPECT_EQ(trust, platform.Trust(PathOf("mine.toml"))) << std::oct << mode;
  }
  // As another user than root, root's file is trusted and this one is not.
  bool root = geteuid() == 0;
  chmod(PathOf("mine.toml").c_str(), 0644);
  if (root) {
    ASSERT_EQ(0, chown(PathOf("mine.toml").c_str(), 0, 0));
    ASSERT_EQ(0, seteuid(65534));
  }
  EXPECT_EQ(TTrust::Trusted, platform.Trust("/etc/passwd"));
  if (root) {
    EXPECT_EQ(TTrust::Trusted, platform.Trust(PathOf("mine.toml")));
    ASSERT_EQ(0, seteuid(0));
    ASSERT_EQ(0, chown(PathOf("mine.toml").c_str(), 65534, 65534));
    EXPECT_EQ(TTrust::OtherOwner, platform.Trust(PathOf("mine.toml")));
  }

  fs::create_directory(PathOf("real"));
  fs::create_directory_symlink(PathOf("real"), PathOf("link"));
  std::string real;
  ASSERT_TRUE(platform.RealPath(PathOf("link/./x.txt"), &real));  // not made yet
  EXPECT_EQ(fs::canonical(PathOf("real")).string() + "/x.txt", real);
  EXPECT_FALSE(platform.RealPath(PathOf("none/x.txt"), &real));

  EXPECT_TRUE(platform.MakeFolders(PathOf("a/b/c/")));
  EXPECT_TRUE(fs::is_directory(PathOf("a/b/c")));
  EXPECT_TRUE(platform.MakeFolders(PathOf("a/b")));  // there already
  EXPECT_FALSE(platform.MakeFolders(PathOf("mine.toml/d")));
}

// A mapped input that another program cuts short loses its bytes; touching
// them ends the run with the load-error message, not with a crash.
TEST_F(PosixPlatformTest, MappedFileCutShortEndsWithLoadError) {
  Put("quest.erm", std::string(3 * 4096, 'x'));
  platform.MapSize = 1;
  std::unique_ptr<TInputFile> file;
  ASSERT_EQ(TLoadStatus::Ok, platform.Load(PathOf("quest.erm"), &file));
  EXPECT_EXIT(
      {
        if (truncate(PathOf("quest.erm").c_str(), 0) != 0) _exit(2);
        volatile char last = file->Bytes().back();
        (void)last;
        _exit(3);
      },
      testing::ExitedWithCode(1), "^.*quest\\.erm\n$");
  // While one input is mapped, another is read.
  Put("quest.txt", "A = y1\r\n");
  std::string data;
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("quest.txt"), &data));
  EXPECT_EQ("A = y1\r\n", data);
}

// Every write test runs twice: through an unnamed temporary file, and through
// the named one used where the file system has no unnamed files.
struct WriteOutputTest : PosixPlatformTest, testing::WithParamInterface<bool> {
  void SetUp() override {
    PosixPlatformTest::SetUp();
    platform.UnnamedTemporary = GetParam();
  }
  /// Returns the permission bits of a file, after following links.
  mode_t ModeOf(const std::string& name) const {
    struct stat st;
    return stat(PathOf(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  /// Returns the text of a symbolic link, or "" when name is no link.
  std::string LinkText(const std::string& name) const {
    std::error_code error;
    return fs::read_symlink(PathOf(name), error).string();
  }
};

INSTANTIATE_TEST_SUITE_P(Temporary, WriteOutputTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

TEST_P(WriteOutputTest, WriteReplacesOutputAndLeavesNothingElse) {
  Put("out.erm", "old");
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("out.erm"), "new\r\n", {}));
  EXPECT_EQ("new\r\n", Get("out.erm"));
  EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
}

// Written in pieces, the output replaces the old file only when finished,
// cut to what was written whatever size was expected (blocks are asked for
// beforehand from 1 MiB on); a stream given up
// unfinished leaves the old file and nothing else.
TEST_P(WriteOutputTest, StreamReplacesOutputOnlyWhenFinished) {
  Put("out.erm", "old");
  for (uint64_t hint : {0, 3, 9, 1000, 2 << 20}) {
    TWriteStatus status;
    std::unique_ptr<TOutputStream> stream =
        platform.OpenOutput(PathOf("out.erm"), {}, hint, &status);
    ASSERT_NE(nullptr, stream);
    EXPECT_TRUE(stream->Write("new"));
    EXPECT_TRUE(stream->Write(""));
    EXPECT_TRUE(stream->Write("\r\n" + std::to_string(hint)));
    EXPECT_EQ("old", Get("out.erm"));
    EXPECT_EQ(TWriteStatus::Ok, stream->Finish());
    EXPECT_EQ("new\r\n" + std::to_string(hint), Get("out.erm")) << hint;
    EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
    Put("out.erm", "old");

    stream = platform.OpenOutput(PathOf("out.erm"), {}, hint, &status);
    ASSERT_NE(nullptr, stream);
    EXPECT_TRUE(stream->Write("unfinished"));
    stream.reset();
    EXPECT_EQ("old", Get("out.erm"));
    EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
  }
  // One that cannot be made fails at once and at the end, with the system's reason.
  TWriteStatus status;
  std::unique_ptr<TOutputStream> stream = platform.OpenOutput(PathOf("no/out.erm"), {}, 1, &status);
  EXPECT_EQ(TWriteStatus::CannotCreate, status);
  ASSERT_NE(nullptr, stream);
  EXPECT_FALSE(stream->Write("new"));
  EXPECT_EQ(TWriteStatus::CannotCreate, stream->Finish());
  EXPECT_EQ(ENOENT, stream->ErrorNumber());
}

TEST_P(WriteOutputTest, FailedCreateOrMoveKeepsOldOutput) {
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("no/out.erm"), "x", {}));

  // The output's name is taken by a folder that cannot be replaced.
  fs::create_directory(PathOf("out.erm"));
  Put("out.erm/keep", "old");
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("out.erm"), "x", {}));
  EXPECT_EQ("old", Get("out.erm/keep"));
  EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
}

TEST_P(WriteOutputTest, ShortWriteKeepsOldOutput) {
  Put("out.erm", "old");
  // A file-size limit makes the write stop short.
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit = saved;
  limit.rlim_cur = 10;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
  TWriteStatus status = platform.WriteOutput(PathOf("out.erm"), std::string(100, 'x'), {});
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(TWriteStatus::CannotWrite, status);
  EXPECT_EQ("old", Get("out.erm"));
  EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
}

// The output may name an input under another name: never replaced, never touched.
TEST_P(WriteOutputTest, SameFileAsAnInputIsRefused) {
  fs::create_directories(PathOf("src/tools"));
  Put("src/heroes.txt", "A = y1\r\n");
  Put("src/heroes.erm", "set $A$;");
  fs::create_symlink("src/heroes.erm", PathOf("link.erm"));
  fs::create_symlink("link.erm", PathOf("chain.erm"));
  fs::create_hard_link(PathOf("src/heroes.txt"), PathOf("hard.erm"));
  fs::create_symlink("heroes.erm", PathOf("src/input.erm"));
  const std::vector<std::string> inputs = {PathOf("src/heroes.txt"), PathOf("src/heroes.erm")};
  struct {
    std::string output;
    std::vector<std::string> inputs;
  } cases[] = {
      {"src/tools/../heroes.erm", inputs},
      {"link.erm", inputs},
      {"chain.erm", inputs},
      {"hard.erm", inputs},
      {"src/heroes.erm", {PathOf("src/input.erm")}},  // the input is the link
  };
  for (const auto& t : cases) {
    EXPECT_EQ(TWriteStatus::SameAsInput, platform.WriteOutput(PathOf(t.output), "new", t.inputs))
        << t.output;
    EXPECT_EQ("A = y1\r\n", Get("src/heroes.txt")) << t.output;
    EXPECT_EQ("set $A$;", Get("src/heroes.erm")) << t.output;
  }
  EXPECT_EQ("link.erm", LinkText("chain.erm"));
  EXPECT_EQ((std::vector<std::string>{"chain.erm", "hard.erm", "link.erm", "src"}), Names());
  EXPECT_EQ((std::vector<std::string>{"heroes.erm", "heroes.txt", "input.erm", "tools"}),
            Names("src"));

  // An output that is not there yet cannot be an input.
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("src/new.erm"), "new", inputs));
  EXPECT_EQ("new", Get("src/new.erm"));
}

// A symbolic link is written through: the file at the end of its chain is
// replaced, and nothing is made in the link's folder, not even for a moment.
TEST_P(WriteOutputTest, SymbolicLinkIsWrittenThrough) {
  fs::create_directories(PathOf("game"));
  fs::create_directories(PathOf("mod/links"));
  struct {
    std::string link, text, target;
  } cases[] = {
      {"mod/out.erm", "../game/real.erm", "game/real.erm"},
      {"mod/out.erm", PathOf("game/real.erm"), "game/real.erm"},
      // Each relative link is read from its own folder.
      {"mod/out.erm", "links/mid.erm", "game/real.erm"},
      // A link to nothing makes its target.
      {"mod/out.erm", "../game/new.erm", "game/new.erm"},
  };
  fs::create_symlink("../../game/real.erm", PathOf("mod/links/mid.erm"));
  for (const auto& t : cases) {
    fs::remove(PathOf("game/new.erm"));
    Put("game/real.erm", "old");
    ASSERT_EQ(0, chmod(PathOf("game/real.erm").c_str(), 0640));
    fs::create_symlink(t.text, PathOf(t.link));
    // The link's folder would get a newer time if anything were made in it.
    timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, PathOf("mod").c_str(), old, 0));

    EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf(t.link), "new", {})) << t.text;
    EXPECT_EQ(t.text, LinkText(t.link));
    EXPECT_EQ("new", Get(t.target)) << t.text;
    struct stat folder;
    ASSERT_EQ(0, stat(PathOf("mod").c_str(), &folder));
    EXPECT_EQ(1000, folder.st_mtim.tv_sec) << t.text;
    EXPECT_EQ((std::vector<std::string>{"links", "out.erm"}), Names("mod"));
    if (t.target == "game/real.erm") {
      EXPECT_EQ(0640, ModeOf(t.target)) << t.text;
    }
    fs::remove(PathOf(t.link));
  }
  EXPECT_EQ((std::vector<std::string>{"new.erm", "real.erm"}), Names("game"));

  // A loop of links ends nowhere.
  fs::create_symlink("b.erm", PathOf("a.erm"));
  fs::create_symlink("a.erm", PathOf("b.erm"));
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("a.erm"), "new", {}));
  EXPECT_EQ("b.erm", LinkText("a.erm"));
}

// An existing output keeps its mode; a new one gets 0666 less the umask.
TEST_P(WriteOutputTest, ModeIsKeptOrTakenFromTheUmask) {
  // Any one write bit makes a file writable: the owner's, the group's or the others'.
  for (mode_t mode : {0600, 0640, 0755, 0200, 0020, 0002, 0464, 0442, 02775}) {
    Put("out.erm", "old");
    ASSERT_EQ(0, chmod(PathOf("out.erm").c_str(), mode));
    EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("out.erm"), "new", {}));
    EXPECT_EQ("new", Get("out.erm"));
    EXPECT_EQ(mode, ModeOf("out.erm")) << std::oct << mode;
    fs::remove(PathOf("out.erm"));
  }
  for (mode_t mask : {022, 077, 0}) {
    mode_t saved = umask(mask);
    TWriteStatus status = platform.WriteOutput(PathOf("new.erm"), "new", {});
    umask(saved);
    EXPECT_EQ(TWriteStatus::Ok, status);
    EXPECT_EQ(0666 & ~mask, ModeOf("new.erm")) << std::oct << mask;
    fs::remove(PathOf("new.erm"));
  }
  EXPECT_EQ(std::vector<std::string>{}, Names());
}

// A file with no write bit was made read-only on purpose: not replaced, even
// by root; nor is anything but an ordinary file.
TEST_P(WriteOutputTest, ReadOnlyOrSpecialOutputIsNotReplaced) {
  for (mode_t mode : {0444, 0555, 0}) {
    Put("out.erm", "old");
    ASSERT_EQ(0, chmod(PathOf("out.erm").c_str(), mode));
    EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("out.erm"), "new", {}));
    EXPECT_EQ("old", Get("out.erm"));
    EXPECT_EQ(mode, ModeOf("out.erm")) << std::oct << mode;
  }
  // Through a link, whose own bits are all set, the target's bits count.
  fs::create_symlink("out.erm", PathOf("link.erm"));
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("link.erm"), "new", {}));
  ASSERT_EQ(0, mkfifo(PathOf("pipe.erm").c_str(), 0666));
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("pipe.erm"), "new", {}));
  EXPECT_EQ(TFileKind::Other, platform.Probe(PathOf("pipe.erm")));
  EXPECT_EQ("old", Get("out.erm"));
  EXPECT_EQ((std::vector<std::string>{"link.erm", "out.erm", "pipe.erm"}), Names());
}

// The temporary file's name does not grow with the output's: names up to the
// file system's 255 bytes work, new or replaced.
TEST_P(WriteOutputTest, LongOutputName) {
  for (size_t length : {250, 255}) {
    std::string name = std::string(length - 4, 'q') + ".erm";
    EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf(name), "first", {})) << length;
    EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf(name), "second", {})) << length;
    EXPECT_EQ("second", Get(name));
    EXPECT_EQ(std::vector<std::string>{name}, Names());
    fs::remove(PathOf(name));
  }
}

// Without unnamed files, a run stopped by SIGINT, SIGTERM or SIGHUP while it
// writes the named temporary file removes it and still ends by that signal.
TEST_F(PosixPlatformTest, NamedTemporaryIsRemovedOnStopSignals) {
  platform.UnnamedTemporary = false;
  for (int stop : {SIGINT, SIGTERM, SIGHUP}) {
    Put("out.erm", "old");
    int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_LE(0, watch);
    ASSERT_LE(0, inotify_add_watch(watch, dir.c_str(), IN_CREATE));
    pid_t child = fork();
    ASSERT_LE(0, child);
    if (child == 0) {
      struct sigaction old;
      if (sigaction(stop, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) signal(stop, SIG_DFL);
      std::string data(size_t{64} << 20, 'x');  // long enough to be caught writing it
      platform.WriteOutput(PathOf("out.erm"), data, {});
      _exit(0);
    }
    // Stop the child as soon as its temporary file appears.
    alignas(inotify_event) char events[4096];
    pollfd ready = {watch, POLLIN, 0};
    bool created = poll(&ready, 1, 10000) == 1 && read(watch, events, sizeof events) > 0;
    kill(child, stop);
    close(watch);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(created) << stop;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == stop) << stop << ": " << status;
    EXPECT_EQ("old", Get("out.erm")) << stop;
    EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names()) << stop;
  }
}

}  // namespace
}  // namespace zunt

namespace zunt {
namespace {

// The bytes of an access ACL as the kernel keeps it: user::rw-,
// user:4321:rw-, group::r--, mask::rw-, other::r--.
std::string AccessAcl() {
  struct {
    uint16_t tag, perm;
    uint32_t id;
  } entries[] = {{1, 6, ~0u}, {2, 6, 4321}, {4, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}};
  uint32_t version = 2;
  std::string bytes(reinterpret_cast<const char*>(&version), sizeof version);
  return bytes + std::string(reinterpret_cast<const char*>(entries), sizeof entries);
}

constexpr char kAcl[] = "system.posix_acl_access";

// The owner and group are kept where the run may set them, and the set-ID
// bits only with both: root keeps everything, another user his own and his
// groups'. Each case runs in a child as that user.
TEST_P(WriteOutputTest, OwnerGroupAndSetIdBitsAreKeptTogether) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can make files of other users";
  ASSERT_EQ(0, chmod(dir.c_str(), 0777));
  struct {
    uid_t oldUid;
    gid_t oldGid;
    mode_t oldMode;
    uid_t runUid;  // and its group; 0 runs as root
    std::vector<gid_t> groups;
    uid_t uid;
    gid_t gid;
    mode_t mode;
  } cases[] = {
      {4321, 4321, 06755, 0, {}, 4321, 4321, 06755},
      {4321, 4322, 0640, 0, {}, 4321, 4322, 0640},
      {4321, 4321, 06755, 5678, {}, 5678, 5678, 0755},
      {4321, 4321, 02775, 5678, {4321}, 5678, 4321, 0775},
      {5678, 4321, 06775, 5678, {4321}, 5678, 4321, 06775},
      {5678, 5678, 0604, 5678, {}, 5678, 5678, 0604},
  };
  for (const auto& t : cases) {
    Put("out.erm", "old");
    ASSERT_EQ(0, chown(PathOf("out.erm").c_str(), t.oldUid, t.oldGid));
    ASSERT_EQ(0, chmod(PathOf("out.erm").c_str(), t.oldMode));
    pid_t child = fork();
    ASSERT_LE(0, child);
    if (child == 0) {
      if (t.runUid != 0 && (setgroups(t.groups.size(), t.groups.data()) != 0 ||
                            setresgid(t.runUid, t.runUid, t.runUid) != 0 ||
                            setresuid(t.runUid, t.runUid, t.runUid) != 0)) {
        _exit(100);
      }
      _exit(static_cast<int>(platform.WriteOutput(PathOf("out.erm"), "new", {})));
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    std::string what = std::to_string(t.runUid) + " replaces " + std::to_string(t.oldUid) + ":" +
                       std::to_string(t.oldGid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what << ": " << status;
    struct stat st;
    ASSERT_EQ(0, stat(PathOf("out.erm").c_str(), &st));
    EXPECT_EQ("new", Get("out.erm")) << what;
    EXPECT_EQ(t.uid, st.st_uid) << what;
    EXPECT_EQ(t.gid, st.st_gid) << what;
    EXPECT_EQ(t.mode, st.st_mode & 07777) << what << std::oct << ": " << (st.st_mode & 07777);
  }
  EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
}

// The extended attributes go with the output, the access ACL among them (and
// the group bits stay the ACL's mask). One that the file system or the user
// may not set is left out, except the ACL, without which the old file stays.
TEST_P(WriteOutputTest, AttributesAndAclAreCarriedOver) {
  Put("probe", "");
  if (setxattr(PathOf("probe").c_str(), "user.probe", "1", 1, 0) != 0) {
    GTEST_SKIP() << "no user attributes on this file system: " << std::strerror(errno);
  }
  const std::string acl = AccessAcl();
  // Only root may set attributes of the security namespace.
  bool security = setxattr(PathOf("probe").c_str(), "security.zunt", "s", 1, 0) == 0;
  struct {
    std::string prefix;  // of the names that cannot be set
    int error;
    TWriteStatus status;
    int reason;
    std::string origin, secure;  // the attributes of the output afterwards
    bool aclKept;
  } cases[] = {
      {"", 0, TWriteStatus::Ok, 0, "mod", "s", true},
      {"user.", ENOTSUP, TWriteStatus::Ok, 0, "-", "s", true},
      {"security.", EPERM, TWriteStatus::Ok, 0, "mod", "-", true},
      {"security.", EACCES, TWriteStatus::Ok, 0, "mod", "-", true},
      {"user.", ENOSPC, TWriteStatus::CannotCreate, ENOSPC, "mod", "s", true},
      {"user.", EPERM, TWriteStatus::CannotCreate, EPERM, "mod", "s", true},
      {kAcl, EOPNOTSUPP, TWriteStatus::CannotCreate, EOPNOTSUPP, "mod", "s", true},
      {kAcl, EPERM, TWriteStatus::CannotCreate, EPERM, "mod", "s", true},
  };
  for (const auto& t : cases) {
    Put("out.erm", "old");
    ASSERT_EQ(0, chmod(PathOf("out.erm").c_str(), 0640));
    ASSERT_EQ(0, setxattr(PathOf("out.erm").c_str(), "user.origin", "mod", 3, 0));
    if (security) {
      ASSERT_EQ(0, setxattr(PathOf("out.erm").c_str(), "security.zunt", "s", 1, 0));
    }
    ASSERT_EQ(0, setxattr(PathOf("out.erm").c_str(), kAcl, acl.data(), acl.size(), 0));
    gSetAttributePrefix = t.prefix;
    gSetAttributeError = t.error;
    std::pair<TWriteStatus, int> written = Written(PathOf("out.erm"), "new");
    gSetAttributeError = 0;
    std::string what = t.prefix + " " + std::strerror(t.error);
    EXPECT_EQ(t.status, written.first) << what;
    EXPECT_EQ(t.reason, written.second) << what;
    EXPECT_EQ(t.status == TWriteStatus::Ok ? "new" : "old", Get("out.erm")) << what;
    EXPECT_EQ(t.origin, Attribute("out.erm", "user.origin")) << what;
    if (security) {
      EXPECT_EQ(t.secure, Attribute("out.erm", "security.zunt")) << what;
    }
    EXPECT_EQ(acl, Attribute("out.erm", kAcl)) << what;
    EXPECT_EQ(0664, ModeOf("out.erm")) << what;  // the group's bits are the mask
    EXPECT_EQ((std::vector<std::string>{"out.erm", "probe"}), Names()) << what;
  }

  // An output without an ACL gets none from its folder's default ACL.
  fs::create_directory(PathOf("shared"));
  ASSERT_EQ(
      0, setxattr(PathOf("shared").c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0));
  Put("shared/out.erm", "old");
  ASSERT_EQ(0, removexattr(PathOf("shared/out.erm").c_str(), kAcl));
  ASSERT_EQ(0, chmod(PathOf("shared/out.erm").c_str(), 0644));
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("shared/out.erm"), "new", {}));
  EXPECT_EQ("-", Attribute("shared/out.erm", kAcl));
  EXPECT_EQ(0644, ModeOf("shared/out.erm"));
  // A new output takes it, as any new file there would.
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("shared/new.erm"), "new", {}));
  EXPECT_NE("-", Attribute("shared/new.erm", kAcl));
}

// A descriptor named as a path is written itself, wherever it leads, and a
// pipe or a device in place, once the output is complete: nothing is
// replaced or made beside it. A pipe with no reader fails at once.
TEST_F(PosixPlatformTest, DescriptorsPipesAndDevicesAreWrittenInPlace) {
  Put("log", "old\n");
  Put("quest.erm", "script");
  int log = open(PathOf("log").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  int input = open(PathOf("quest.erm").c_str(), O_RDONLY | O_CLOEXEC);
  int ends[2];
  ASSERT_EQ(0, pipe2(ends, O_CLOEXEC | O_NONBLOCK));
  ASSERT_EQ(0, mkfifo(PathOf("fifo").c_str(), 0600));
  ASSERT_EQ(0, mkfifo(PathOf("lonely").c_str(), 0600));
  int reader = open(PathOf("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  int closed = dup(log);
  close(closed);
  ASSERT_LE(0, log);
  ASSERT_LE(0, input);
  ASSERT_LE(0, reader);
  std::string fd = "/dev/fd/" + std::to_string(log);
  fs::create_symlink(fd, PathOf("link.erm"));
  struct stat before;
  ASSERT_EQ(0, stat(PathOf("log").c_str(), &before));
  struct {
    std::string path;
    std::vector<std::string> inputs;
    TWriteStatus status;
    int reason;
  } cases[] = {
      {fd, {}, TWriteStatus::Ok, 0},
      {"/proc/self/fd/" + std::to_string(log), {}, TWriteStatus::Ok, 0},
      {PathOf("link.erm"), {}, TWriteStatus::Ok, 0},
      {"/dev/fd/" + std::to_string(ends[1]), {}, TWriteStatus::Ok, 0},
      {PathOf("fifo"), {}, TWriteStatus::Ok, 0},
      {"/dev/null", {}, TWriteStatus::Ok, 0},
      {PathOf("lonely"), {}, TWriteStatus::CannotCreate, ENXIO},
      {"/dev/full", {}, TWriteStatus::CannotWrite, ENOSPC},
      {"/dev/fd/" + std::to_string(input), {PathOf("quest.erm")}, TWriteStatus::SameAsInput, 0},
      {"/dev/fd/" + std::to_string(closed), {}, TWriteStatus::CannotCreate, EBADF},
  };
  for (const auto& t : cases) {
    std::pair<TWriteStatus, int> written = Written(t.path, "new\n", t.inputs);
    EXPECT_EQ(t.status, written.first) << t.path;
    EXPECT_EQ(t.reason, written.second) << t.path;
  }
  struct stat after;
  ASSERT_EQ(0, stat(PathOf("log").c_str(), &after));
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ("old\nnew\nnew\nnew\n", Get("log"));
  char got[16];
  EXPECT_EQ(4, read(ends[0], got, sizeof got));
  EXPECT_EQ(4, read(reader, got, sizeof got));
  EXPECT_EQ("script", Get("quest.erm"));
  EXPECT_EQ(fd, fs::read_symlink(PathOf("link.erm")).string());
  EXPECT_EQ((std::vector<std::string>{"fifo", "link.erm", "log", "lonely", "quest.erm"}), Names());
  for (int open : {log, input, ends[0], ends[1], reader}) close(open);
}

// Outputs written at once from several threads, through named and unnamed
// temporary files: each gets its own bytes, and nothing else is left.
TEST_P(WriteOutputTest, OutputsWrittenAtOnceFromThreads) {
  constexpr int kThreads = 8, kEach = 40;
  std::vector<std::thread> threads;
  std::atomic<int> failed{0};
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      for (int i = 0; i < kEach; ++i) {
        std::string name = "out" + std::to_string(thread * kEach + i) + ".erm";
        if (i % 2 == 1) Put(name, "old");  // every other one replaces a file
        if (platform.WriteOutput(PathOf(name), name, {}) != TWriteStatus::Ok) ++failed;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, failed.load());
  std::vector<std::string> names = Names();
  EXPECT_EQ(size_t{kThreads * kEach}, names.size());
  for (const std::string& name : names) EXPECT_EQ(name, Get(name));
}

// Without unnamed files, every signal that ends the run removes the named
// temporary files of all the outputs being written at once, and the run
// still ends by that signal; so does a mapped input cut short (0 here),
// which ends it with status 1.
TEST_F(PosixPlatformTest, NamedTemporariesAreRemovedOnEveryFatalSignal) {
  platform.UnnamedTemporary = false;
  platform.MapSize = 1;
  for (int stop : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU,
                   SIGXFSZ, SIGBUS, SIGABRT, SIGVTALRM, SIGPROF, 0}) {
    Put("a.erm", "old");
    Put("b.erm", "old");
    Put("quest.erm", std::string(3 * 4096, 'x'));
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t child = fork();
    ASSERT_LE(0, child);
    if (child == 0) {
      prctl(PR_SET_DUMPABLE, 0);  // no core files
      struct sigaction old;
      if (sigaction(stop, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) signal(stop, SIG_DFL);
      std::unique_ptr<TInputFile> file;
      if (platform.Load(PathOf("quest.erm"), &file) != TLoadStatus::Ok) _exit(2);
      TWriteStatus status;
      auto a = platform.OpenOutput(PathOf("a.erm"), {}, 10, &status);
      auto b = platform.OpenOutput(PathOf("b.erm"), {}, 10, &status);
      if (!a->Write("partial") || !b->Write("partial") || Names().size() != 5) _exit(3);
      if (stop == 0) {
        if (truncate(PathOf("quest.erm").c_str(), 0) != 0) _exit(4);
        volatile char last = file->Bytes().back();
        (void)last;
        _exit(5);
      }
      if (write(ready[1], "r", 1) != 1) _exit(6);
      for (;;) pause();
    }
    close(ready[1]);
    char ok;
    if (stop != 0 && read(ready[0], &ok, 1) == 1) kill(child, stop);
    close(ready[0]);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    if (stop == 0) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == stop) << stop << ": " << status;
    }
    EXPECT_EQ("old", Get("a.erm")) << stop;
    EXPECT_EQ((std::vector<std::string>{"a.erm", "b.erm", "quest.erm"}), Names()) << stop;
  }
}

}  // namespace
}  // namespace zunt
