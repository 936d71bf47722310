// Several names on several threads against one at a time, on real files: a
// generated mod with errors, warnings, duplicates and names that write the
// same output or read another's.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

#include "driver/driver.h"
#include "driver/terminal.h"
#include "platform/posix.h"
#include "scratch_test.h"

namespace zunt {
namespace {

struct TCapture final : TReporter {
  std::string Text;
  void Report(const TFail& report) override { Text += TerminalText(report, false); }
  void Translated(const std::string& script, const std::string& output) override {
    Text += script + " -> " + output + "\n";
  }
};

struct ParallelTest : TScratchTest {
  std::vector<std::string> names;

  // A mod of `count` scripts sharing common.txt; what each name does wrong
  // follows from a fixed seed.
  void MakeMod(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::filesystem::create_directories(dir / "src");
    std::filesystem::create_directories(dir / "alt");
    std::filesystem::create_directories(dir / "out");
    Put("zunt.toml", "include = [\"common.txt\"]\noutput = \"out\"\n");
    std::string common;
    for (int i = 0; i < 300; ++i)
      common += "C" + std::to_string(i) + " = v" + std::to_string(i) + "\r\n";
    common += "(GREET) = 'Hi'\r\nLF = y1\n";  // a line feed without CR: a warning
    Put("common.txt", common);
    for (int i = 0; i < count; ++i) {
      std::string name = "s" + std::to_string(i);
      std::string txt, erm;
      for (int line = 0; line < 200; ++line) {
        int c = static_cast<int>(random() % 300);
        erm += "!!VR$C" + std::to_string(c) + "$:S(GREET) @C" + std::to_string(c) + "[1]@;\r\n";
      }
      switch (random() % 6) {
        case 0:
          txt = "OWN = y5\r\n";
          erm += "$OWN$ $OWN[2]x$\r\n";
          break;
        case 1:
          txt = "C7 = y5\r\n";
          break;  // taken by the shared file
        case 2:
          txt = "";
          break;  // empty: the shared names alone
        case 3:
          txt = "BAD = q\r\n";
          break;
        case 4:
          erm += "$UNDECLARED$\r\n";
          break;
        default:
          break;  // none at all
      }
      if (!txt.empty() || i % 6 == 2) Put("src/" + name + ".txt", txt);
      Put("src/" + name + ".erm", erm);
      names.push_back(PathOf("src/" + name));
      if (i % 7 == 0) {  // the same output from another folder, after or before
        Put("alt/" + name + ".erm", "(GREET) alt\r\n");
        names.insert(names.end() - (i % 2), PathOf("alt/" + name));
      }
      if (i % 11 == 0) names.push_back(PathOf("out/" + name));  // reads an output
    }
  }

  // Runs every name with `jobs` at a time; returns the reports, the status
  // and every output, and removes the outputs.
  std::string RunAll(size_t jobs, uint64_t mapSize = uint64_t{4} << 20) {
    TPosixPlatform platform;
    platform.MapSize = mapSize;
    TRunOptions options = TRunOptions::CommandLine();
    options.Jobs = jobs;
    TCapture capture;
    int status = RunNames(platform, names, options, capture);
    std::string all = capture.Text + "status " + std::to_string(status) + "\n";
    for (const std::string& file : Names("out")) {
      all += file + ":\n" + Get("out/" + file);
      std::filesystem::remove(dir / "out" / file);
    }
    return all;
  }
};

TEST_F(ParallelTest, SameReportsAndOutputsAsOneAtATime) {
  MakeMod(40, 20);
  std::string alone = RunAll(1);
  EXPECT_NE(std::string::npos, alone.find("status 1"));
  EXPECT_NE(std::string::npos, alone.find("$C7$ уже была объявлена ранее!"));
  EXPECT_NE(std::string::npos, alone.find("совпадает с исходным файлом"));
  EXPECT_NE(std::string::npos, alone.find("$UNDECLARED$ не существует!"));
  EXPECT_NE(std::string::npos, alone.find("src/s5.erm -> "));
  EXPECT_NE(std::string::npos, alone.find("warning:"));
  for (int round = 0; round < 8; ++round) {
    // Every other round maps every input: one at a time, the others read.
    std::string together = RunAll(round % 2 ? 3 : 8, round % 2 ? 1 : uint64_t{4} << 20);
    ASSERT_EQ(alone, together) << "round " << round;
  }
}

}  // namespace
}  // namespace zunt
