#include "platform/posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "base/fail.h"
#include "scratch_test.h"
#include "test_util.h"

namespace zunt {
namespace {

namespace fs = std::filesystem;

struct PosixPlatformTest : TScratchTest {
  TPosixPlatform platform;
};

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
  EXPECT_EQ(TLoadStatus::ReadShort, LoadText(platform, PathOf("file.txt"), &data));
  EXPECT_EQ("", data);
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
