#include "driver/driver.h"

#include <gtest/gtest.h>

#include <new>

#include "base/fail.h"
#include "platform/fake.h"
#include "test_util.h"

namespace zunt {
namespace {

struct DriverTest : testing::Test {
  TFakePlatform platform;

  void AddQuest(const std::string& base = "quest") {
    platform.AddFile(base + ".txt", "A = y1\r\n");
    platform.AddFile(base + ".erm", "set $A$;\r\n");
  }
  // Runs and expects a failure with exactly this message and no output written.
  void ExpectFailure(std::string_view argument, const std::string& message) {
    EXPECT_EQ(1, zunt::Run(platform, argument));
    EXPECT_EQ(message, platform.Shown.value_or("(no message)"));
    EXPECT_FALSE(platform.SoundPlayed);
    EXPECT_EQ(0u, platform.Files.count("../quest.erm") - (hadOutput ? 1 : 0));
  }
  bool hadOutput = false;
};

TEST_F(DriverTest, WritesParentOutputAndPlaysSound) {
  AddQuest();
  EXPECT_EQ(0, zunt::Run(platform, "quest"));
  EXPECT_FALSE(platform.Shown);
  EXPECT_EQ("set y1;\r\n", platform.Files["../quest.erm"].Data);
  // The settings file is looked for beside the script first.
  EXPECT_EQ((std::vector<std::string>{"probe zunt.toml", "probe quest.txt", "load quest.txt",
                                      "probe quest.erm", "load quest.erm", "write ../quest.erm",
                                      "sound"}),
            platform.Calls);
}

TEST_F(DriverTest, ArgumentNamesEitherFileOrNone) {
  struct {
    std::string_view argument, base, output;
  } cases[] = {
      {"quest", "quest", "../quest.erm"},
      {"quest.erm", "quest", "../quest.erm"},
      {"quest.txt", "quest", "../quest.erm"},
      {"quest.anything", "quest", "../quest.erm"},
      {"dir/sub/quest.erm", "dir/sub/quest", "../quest.erm"},
      {"dir.old/quest", "dir.old/quest", "../quest.erm"},
      {"a.b.c", "a.b", "../a.b.erm"},
      {"quest.", "quest", "../quest.erm"},
      {".hidden", "", "../.erm"},
  };
  for (const auto& t : cases) {
    TFakePlatform p;
    std::string base(t.base);
    p.AddFile(base + ".txt", "A = y1\r\n");
    p.AddFile(base + ".erm", "x");
    EXPECT_EQ(0, zunt::Run(p, t.argument)) << t.argument << ": " << p.Shown.value_or("");
    EXPECT_EQ("x", p.Files[std::string(t.output)].Data) << t.argument;
  }
}

TEST_F(DriverTest, WindowsSeparatorsAndParent) {
  platform.Separators = "\\/:";
  platform.Parent = "..\\";
  platform.AddFile("c:dir\\quest.txt", "A = y1\r\n");
  platform.AddFile("c:dir\\quest.erm", "x");
  EXPECT_EQ(0, zunt::Run(platform, "c:dir\\quest.erm"));
  EXPECT_EQ("x", platform.Files["..\\quest.erm"].Data);
  EXPECT_EQ("old.dir/quest", StripExtension("old.dir/quest", "\\/:"));
  EXPECT_EQ("old", StripExtension("old.dir/quest", "\\"));
  EXPECT_EQ("quest", FileNamePart("c:quest", "\\/:"));
}

TEST_F(DriverTest, FileErrorsInTheOrderTheyArise) {
  ExpectFailure("", W("Не указан файл для компиляции!"));
  ExpectFailure("quest", W("Указанный файл не существует! (quest.txt)."));

  platform.Files["quest.txt"].Kind = TFileKind::Missing;  // a directory
  ExpectFailure("quest", W("Указанный файл не существует! (quest.txt)."));

  platform.Files["quest.txt"] = {"A = y1\r\n", TFileKind::Regular, true, false};
  const std::string cannotOpen = W("Не удалось открыть указанный файл (quest.txt).\r\n") +
                                 W("Файл заблокирован или уже используется");
  ExpectFailure("quest", cannotOpen);
  platform.Files["quest.txt"] = {"A = y1\r\n", TFileKind::Other, false, false};
  platform.Calls.clear();
  ExpectFailure("quest", cannotOpen);
  EXPECT_EQ(platform.Calls.end(),
            std::find(platform.Calls.begin(), platform.Calls.end(), "load quest.txt"))
      << "a pipe or device is never read";

  platform.Files["quest.txt"] = {"", TFileKind::Regular, false, false};
  ExpectFailure("quest", W("Указанный файл пуст!"));
  platform.Files["quest.txt"] = {"A = y1\r\n", TFileKind::Regular, false, true};
  ExpectFailure("quest", W("Возникла ошибка при загрузке файла (quest.txt)."));

  // The declarations are read before the script is looked for.
  platform.Files["quest.txt"] = {"A = q\r\n", TFileKind::Regular, false, false};
  ExpectFailure("quest", TxtError(W("Некорректное значение переменной $A$ !")) + OnLine(1));

  platform.Files["quest.txt"] = {"A = y1\r\n", TFileKind::Regular, false, false};
  ExpectFailure("quest", W("Файл \"quest.erm\" не существует!"));
  platform.Files["quest.erm"] = {"x", TFileKind::Regular, true, false};
  ExpectFailure("quest", W("Не удалось открыть указанный файл (quest.erm).\r\n") +
                             W("Файл заблокирован или уже используется"));
  platform.Files["quest.erm"] = {"", TFileKind::Regular, false, false};
  ExpectFailure("quest", W("Указанный файл пуст!"));
  platform.Files["quest.erm"] = {"x", TFileKind::Regular, false, true};
  ExpectFailure("quest", W("Возникла ошибка при загрузке файла (quest.erm)."));
}

TEST_F(DriverTest, FailedWriteKeepsOldOutput) {
  AddQuest();
  platform.AddFile("../quest.erm", "old");
  hadOutput = true;
  platform.FailCreate = true;
  ExpectFailure("quest", W("Не могу создать выходной ЕРМ файл скрипта!"));
  platform.FailCreate = false;
  platform.FailWrite = true;
  ExpectFailure("quest", W("Не могу записать выходной ЕРМ файл скрипта!"));
  platform.FailWrite = false;
  platform.FailRename = true;
  ExpectFailure("quest", W("Не могу создать выходной ЕРМ файл скрипта!"));
  EXPECT_EQ("old", platform.Files["../quest.erm"].Data);
}

// Running out of memory anywhere in the run is one more message, not a crash.
TEST(DriverOutOfMemory, IsShownAsAMessage) {
  struct TNoMemoryPlatform : TFakePlatform {
    TLoadStatus Load(const std::string&, std::unique_ptr<TInputFile>*) override {
      throw std::bad_alloc();
    }
  } platform;
  platform.AddFile("quest.txt", "A = y1\r\n");
  platform.AddFile("quest.erm", "x");
  EXPECT_EQ(1, zunt::Run(platform, "quest"));
  EXPECT_EQ(W("Недостаточно памяти для компиляции!"), platform.Shown.value_or("(no message)"));
  EXPECT_FALSE(platform.SoundPlayed);
  EXPECT_EQ(0u, platform.Files.count("../quest.erm"));
}

// The output is handed over in pieces as it grows, and the piece boundary may
// fall anywhere: inside a run of text, just before or after a reference, a
// local declaration, "~~", a back-quote or an error. Every report and the
// output must be as from a run in one piece, for pieces of a few bytes and
// the script moved along by one byte at a time.
TEST(DriverPieces, BoundaryAnywhereChangesNothing) {
  const std::string declarations = "HERO = y100\r\n(GREET) = 'Hi there, a long text'\r\n";
  const std::string bodies[] = {
      "set $HERO$ @HERO[2]@ (GREET);\r\n~T=z7;~~~T=z8\r\nuse $T$ `a b\r\n c` end\r\n",
      "ok $HERO$\r\n$BAD$ x\r\n(NONE) y\r\n$HERO[1]x$ ~T=\xE2"
      "7;\r\n$T$ `open\r\n tail",
      "~~~A=y1\r\n$A$$A$@A@(GREET)(GREET)`` `$A$ `\r\n$HERO",
  };
  struct TCollected final : TReporter {
    std::string Text;
    void Report(const TFail& report) override {
      Text += std::to_string(static_cast<int>(report.Severity)) + " " + report.File + ":" +
              std::to_string(report.Line) + ":" + std::to_string(report.Column) + " " +
              report.Text() + " | " + report.SourceLine + "\n";
    }
  };
  auto run = [&](const std::string& script, size_t pieceSize) {
    TFakePlatform platform;
    platform.AddFile("quest.txt", declarations);
    platform.AddFile("quest.erm", script);
    TRunOptions options = TRunOptions::CommandLine();
    options.PieceSize = pieceSize;
    TCollected collected;
    int status = zunt::Run(platform, "quest", options, collected);
    auto output = platform.Files.find("../quest.erm");
    return std::to_string(status) + "\n" + collected.Text +
           (output == platform.Files.end() ? "(none)" : output->second.Data);
  };
  for (const std::string& body : bodies) {
    for (size_t shift = 0; shift < 40; ++shift) {
      std::string script = std::string(shift, 'x') + body;
      std::string whole = run(script, size_t{1} << 20);
      for (size_t pieceSize : {1, 2, 3, 5, 8, 13}) {
        ASSERT_EQ(whole, run(script, pieceSize))
            << Readable(script) << " in pieces of " << pieceSize;
      }
    }
  }
}

TEST_F(DriverTest, ErrorInScriptLeavesNoOutput) {
  platform.AddFile("quest.txt", "A = y1\r\n");
  platform.AddFile("quest.erm", "line\n$B$");
  ExpectFailure("quest", ErmError(W("Переменной $B$ не существует!")) + OnLine(2));
}

TEST(FailText, PathIsKeptApart) {
  TFail fail("before (", "p\xFF.txt", ") after");
  EXPECT_EQ("before (p\xFF.txt) after", fail.Text());
  EXPECT_EQ("before (", fail.BeforePath());
  EXPECT_EQ("p\xFF.txt", fail.Path());
  EXPECT_EQ(") after", fail.AfterPath());

  TFail plain("no path");
  EXPECT_EQ("no path", plain.BeforePath());
  EXPECT_EQ("", plain.Path());
  EXPECT_EQ("", plain.AfterPath());
}

TEST(FirstArgument, SplitsLikeWindows) {
  struct {
    std::string line, first;
  } cases[] = {
      {"zunt.exe quest", "quest"},
      {"zunt.exe", ""},
      {"zunt.exe  \t ", ""},
      {"  zunt.exe \t  quest.erm  more", "quest.erm"},
      {"\"C:\\Program Files\\zunt.exe\" \"my quest.erm\"", "my quest.erm"},
      {"zunt a\"b c\"d e", "ab cd"},
      {"zunt \"\" \"\" quest", "quest"},
      {"zunt dir\\sub\\quest", "dir\\sub\\quest"},
      {"zunt \"open to the end", "open to the end"},
      {"zunt \x01\x1F quest", "quest"},
      {"\"\" zunt quest", "quest"},
      // Bytes above 127 are never separators, whatever the sign of char.
      {W("zunt ещё\\квест.erm x"), W("ещё\\квест.erm")},
      {"zunt \xA0\xFF", "\xA0\xFF"},
  };
  for (const auto& t : cases) EXPECT_EQ(t.first, FirstArgument(t.line)) << t.line;
  // Later arguments by the same rule; the program's own path is argument 0.
  std::string_view line = "\"C:\\zunt.exe\" --in-script-folder \"\" \"my \"quest.erm";
  EXPECT_EQ("C:\\zunt.exe", ArgumentOf(line, 0));
  EXPECT_EQ("my quest.erm", ArgumentOf(line, 2));
  EXPECT_EQ("", ArgumentOf(line, 3));
}

// An output that names the script itself, by its own path or through a link,
// is refused: nothing is written and the script is kept.
TEST_F(DriverTest, OutputThatIsAnInputIsRefused) {
  struct {
    std::string argument, script, link;
  } cases[] = {
      {"../heroes", "../heroes.erm", ""},      // run from the script's subfolder
      {"quest", "quest.erm", "../quest.erm"},  // the output is a link to the script
  };
  for (const auto& t : cases) {
    TFakePlatform p;
    std::string base = t.script.substr(0, t.script.size() - 4);
    p.AddFile(base + ".txt", "A = y1\r\n");
    p.AddFile(t.script, "set $A$;\r\n");
    if (!t.link.empty()) p.Links[t.link] = t.script;
    EXPECT_EQ(1, zunt::Run(p, t.argument)) << t.argument;
    EXPECT_EQ(W("Выходной ЕРМ файл совпадает с исходным файлом!"), p.Shown.value_or("(none)"));
    EXPECT_EQ("set $A$;\r\n", p.Files[t.script].Data) << t.argument;
    EXPECT_EQ(2u, p.Files.size()) << t.argument;
    EXPECT_FALSE(p.SoundPlayed);
  }
}

}  // namespace
}  // namespace zunt
