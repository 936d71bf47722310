#include "platform/posix.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
      testing::ExitedWithCode(1),
      "^.*quest\\.erm\n$");
  // While one input is mapped, another is read.
  Put("quest.txt", "A = y1\r\n");
  std::string data;
  EXPECT_EQ(TLoadStatus::Ok, LoadText(platform, PathOf("quest.txt"), &data));
  EXPECT_EQ("A = y1\r\n", data);
}

TEST_F(PosixPlatformTest, WriteReplacesOutputAndLeavesNothingElse) {
  Put("out.erm", "old");
  EXPECT_EQ(TWriteStatus::Ok, platform.WriteOutput(PathOf("out.erm"), "new\r\n", {}));
  EXPECT_EQ("new\r\n", Get("out.erm"));
  EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());

  struct stat st;
  ASSERT_EQ(0, stat(PathOf("out.erm").c_str(), &st));
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(0666 & ~mask, st.st_mode & 0777);
}

TEST_F(PosixPlatformTest, FailedCreateOrMoveKeepsOldOutput) {
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("no/out.erm"), "x", {}));

  // The output's name is taken by a folder that cannot be replaced.
  fs::create_directory(PathOf("out.erm"));
  Put("out.erm/keep", "old");
  EXPECT_EQ(TWriteStatus::CannotCreate, platform.WriteOutput(PathOf("out.erm"), "x", {}));
  EXPECT_EQ("old", Get("out.erm/keep"));
  EXPECT_EQ(std::vector<std::string>{"out.erm"}, Names());
}

TEST_F(PosixPlatformTest, ShortWriteKeepsOldOutput) {
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

}  // namespace
}  // namespace zunt
