// Out of memory at every allocation of a run, through a hook in the global
// allocator: the run ends with its message and status 1, never an abort, and
// an old output stays as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/command_line.h"
#include "failing_allocator.h"
#include "platform/fake.h"
#include "test_util.h"

namespace zunt {
namespace {

struct TQuietConsole final : TConsole {
  std::string Err;
  TQuietConsole() { Err.reserve(size_t{1} << 16); }  // no allocation while it writes
  void Error(std::string_view text) override { Err += text; }
  bool Out(std::string_view) override { return true; }
  bool ColorsByDefault() const override { return false; }
};

TEST(OutOfMemory, AtEveryAllocation) {
  const std::string expected = W("y1 y2 печать 3\r\n");
  for (bool forGood : {false, true}) {
    for (long n = 0;; ++n) {
      TFakePlatform platform;
      platform.AddFile("q.txt", W("A = y1\r\nБ = п2\r\n(C) = 'печать'\r\n"));
      platform.AddFile("q.erm", W("$A$ $A[1]x$ (C) @Б[1]@\r\n"));
      platform.AddFile("../q.erm", "OLD");
      std::string words[] = {"zunt", "-v", "q"};
      char* argv[] = {words[0].data(), words[1].data(), words[2].data(), nullptr};
      TQuietConsole console;
      FailAllocationsAfter(n, forGood);
      int status = RunCommandLine(platform, console, 3, argv);
      bool failed = StopFailing();
      if (status == 0) {
        EXPECT_EQ(expected, platform.Files["../q.erm"].Data);
      } else {
        EXPECT_EQ(1, status) << n;
        EXPECT_TRUE(console.Err.ends_with("zunt: error: Недостаточно памяти для компиляции!\n"))
            << n << " " << forGood << "\n"
            << console.Err;
        EXPECT_EQ("OLD", platform.Files["../q.erm"].Data) << n;
      }
      if (!failed) {
        EXPECT_EQ(0, status);
        EXPECT_GT(n, 20) << "the run allocates";
        break;
      }
    }
  }
}

}  // namespace
}  // namespace zunt
