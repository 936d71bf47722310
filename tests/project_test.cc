// A mod's settings file found, read and applied; several names against each
// run alone.
#include "project/project.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "driver/driver.h"
#include "driver/terminal.h"
#include "platform/fake.h"
#include "terminal_capture.h"
#include "test_util.h"

namespace zunt {
namespace {

// Collects the reports as a terminal shows them, without colour.
// A mod: shared declarations, a script without declarations of its own and one with.
void AddMod(TFakePlatform& platform, const std::string& settings) {
  platform.AddFile("mod/zunt.toml", settings);
  platform.AddFile("mod/common.txt", "HERO = y100\r\n(GREET) = 'Hi'\r\n");
  platform.AddFile("mod/src/a.erm", "$HERO$ (GREET)\r\n");
  platform.AddFile("mod/src/b.txt", "B = v1\r\n");
  platform.AddFile("mod/src/b.erm", "$B$ $HERO[2]x$\r\n");
}

TRunOptions Options() {
  TRunOptions options = TRunOptions::CommandLine();
  options.ScriptsWithoutName = true;
  return options;
}

// The terminal text of an error in the settings file.
std::string SettingsError(std::string_view place, std::string_view message, std::string_view line,
                          size_t column) {
  std::string gutter(place.substr(0, place.find(':')));  // the line
  std::string pad(5 - gutter.size(), ' ');
  std::string text = "mod/zunt.toml:";
  text += place;
  text += ": error: ";
  text += message;
  text += '\n';
  text += pad;
  text += gutter;
  text += " | ";
  text += line;
  text += '\n';
  text += std::string(pad.size() + gutter.size(), ' ');
  text += " | ";
  text += std::string(column - 1, ' ');
  text += "^\n";
  return text;
}

const std::string kWarning =
    "mod/src/b.erm:1:13: warning: текст между «]» индекса и концом ссылки пропущен "
    "[-Wtext-after-index]\n"
    "    1 | $B$ $HERO[2]x$\n"
    "      |             ^\n";

TEST(Project, EachKeyAndEachWrongSetting) {
  struct {
    std::string settings;
    int status;
    std::string stderrText;
    std::string outputA;  // where a's output is written, empty: nowhere
  } cases[] = {
      {"include = [\"common.txt\"]", 0, kWarning, "../a.erm"},
      {"include = [\"common.txt\"]\noutput = \"build\"", 0, kWarning, "mod/build/a.erm"},
      {"include = [\"common.txt\"]\nwarnings = false", 0, "", "../a.erm"},
      {"include = [\"common.txt\"]\nstrict = true", 1,
       "mod/src/b.erm:1:13: error: текст между «]» индекса и концом ссылки пропущен "
       "[-Wtext-after-index]\n"
       "    1 | $B$ $HERO[2]x$\n"
       "      |             ^\n",
       "../a.erm"},
      {"# no shared names\n", 1,
       std::string("mod/src/a.txt: error: Указанный файл не существует! (mod/src/a.txt).\n") +
           kWarning +
           "mod/src/b.erm:1:5: error: Переменной $HERO$ не существует!\n"
           "    1 | $B$ $HERO[2]x$\n"
           "      |     ^\n",
       ""},
      {"colour = 1", 1,
       SettingsError("1:1",
                     "неизвестный ключ «colour»: бывают include, scripts, output, strict "
                     "и warnings",
                     "colour = 1", 1),
       ""},
      {"include = \"common.txt\"", 1,
       SettingsError("1:11", "у ключа «include» должен быть список строк",
                     "include = \"common.txt\"", 11),
       ""},
      {"scripts = [\"a\", 1]", 1,
       SettingsError("1:17", "у ключа «scripts» должен быть список строк", "scripts = [\"a\", 1]",
                     17),
       ""},
      {"strict = \"yes\"", 1,
       SettingsError("1:10", "у ключа «strict» бывает значение true или false", "strict = \"yes\"",
                     10),
       ""},
      {"include = [\"common.txt\"]\nwarnings = [\"no-text-after-index\", \"alias\"]", 0, "",
       "../a.erm"},
      {"warnings = [\"no-alias\", \"-Wnope\"]", 1,
       SettingsError("1:25", "неизвестное предупреждение «-Wnope»: их имена называет zunt --help",
                     "warnings = [\"no-alias\", \"-Wnope\"]", 25),
       ""},
      {"warnings = 0", 1,
       SettingsError("1:12", "у ключа «warnings» бывает true, false или список имён предупреждений",
                     "warnings = 0", 12),
       ""},
      {"scripts = [\"src/*.erm\", \"src/../../x/*.erm\"]", 1,
       SettingsError("1:25",
                     "шаблон «src/../../x/*.erm» ведёт за пределы папки файла zunt.toml: скрипты "
                     "мода лежат в ней",
                     "scripts = [\"src/*.erm\", \"src/../../x/*.erm\"]", 25),
       ""},
      {"scripts = [\"/x/*.erm\"]", 1,
       SettingsError("1:12",
                     "шаблон «/x/*.erm» ведёт за пределы папки файла zunt.toml: скрипты мода "
                     "лежат в ней",
                     "scripts = [\"/x/*.erm\"]", 12),
       ""},
      {"output = []", 1,
       SettingsError("1:10", "у ключа «output» должна быть строка", "output = []", 10), ""},
      {"include = [\"common.txt\"]\r\noutput = []\r\n", 1,
       SettingsError("2:10", "у ключа «output» должна быть строка", "output = []", 10), ""},
      {"include = [\"\"]", 1,
       SettingsError("1:12", "пустое имя файла в «include»", "include = [\"\"]", 12), ""},
      {"include = [\"common.txt\", \"nope.txt\"]", 1,
       SettingsError("1:26", "Указанный файл не существует! (mod/nope.txt).",
                     "include = [\"common.txt\", \"nope.txt\"]", 26),
       ""},
      {"strict = true\nstrict = false", 1,
       SettingsError("2:10", "ошибка в записи TOML: ключ или таблица заданы дважды",
                     "strict = false", 10),
       ""},
      {"include = [\"common.txt\"", 1,
       SettingsError("1:24", "ошибка в записи TOML: неожиданный конец файла",
                     "include = [\"common.txt\"", 24),
       ""},
      {"include [\"common.txt\"]", 1,
       SettingsError("1:9", "ошибка в записи TOML: после ключа нужен знак «=»",
                     "include [\"common.txt\"]", 9),
       ""},
      {"output = build", 1,
       SettingsError("1:10", "ошибка в записи TOML: непонятное значение: строку пишут в кавычках",
                     "output = build", 10),
       ""},
      {"# \xEE\xE1\xF9\xE8\xE5\ninclude = []", 1,
       "mod/zunt.toml:1:3: error: файл не в кодировке UTF-8, которой требует TOML (сохранён в "
       "Windows-1251?): пересохраните его в UTF-8\n"
       "    1 | # общие\n"
       "      |   ^\n",
       ""},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    AddMod(platform, t.settings);
    TTerminalCapture capture;
    EXPECT_EQ(t.status, RunNames(platform, {"mod/src/a", "mod/src/b"}, Options(), capture))
        << t.settings;
    EXPECT_EQ(t.stderrText, capture.Text) << t.settings;
    if (t.outputA.empty()) {
      EXPECT_EQ(0u, platform.Files.count("../a.erm") + platform.Files.count("mod/build/a.erm"))
          << t.settings;
    } else {
      EXPECT_EQ("y100 Hi\r\n", platform.Files[t.outputA].Data) << t.settings;
    }
    // The output folder is made when missing; no other.
    bool made = std::count(platform.Calls.begin(), platform.Calls.end(), "mkdir mod/build/") != 0;
    EXPECT_EQ(made, t.outputA == "mod/build/a.erm") << t.settings;
  }
}

// The command line wins over the settings file, either way.
TEST(Project, TheCommandLineWinsOverTheSettings) {
  const std::string strictError =
      "mod/src/b.erm:1:13: error: текст между «]» индекса и концом ссылки пропущен "
      "[-Wtext-after-index]\n"
      "    1 | $B$ $HERO[2]x$\n"
      "      |             ^\n";
  struct {
    std::string settings;
    bool strict, warnings;  // as the command line gives them
    int status;
    std::string stderrText;
  } cases[] = {
      {"strict = false", true, true, 1, strictError},
      {"strict = true", false, true, 0, kWarning},
      {"warnings = true", false, false, 0, ""},
      {"warnings = false", false, true, 0, kWarning},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    AddMod(platform, "include = [\"common.txt\"]\n" + t.settings);
    TRunOptions options = Options();
    options.Strict = t.strict;
    options.StrictGiven = true;
    options.Warnings = t.warnings;
    options.WarningsGiven = true;
    TTerminalCapture capture;
    EXPECT_EQ(t.status, RunNames(platform, {"mod/src/a", "mod/src/b"}, options, capture))
        << t.settings;
    EXPECT_EQ(t.stderrText, capture.Text) << t.settings;
  }
  // A warning named on the command line wins over the settings' list.
  TFakePlatform platform;
  AddMod(platform, "include = [\"common.txt\"]\nwarnings = [\"no-text-after-index\"]");
  TRunOptions options = Options();
  ASSERT_TRUE(ReadWarningSwitch("text-after-index", &options.Wanted, &options.WantedGiven));
  TTerminalCapture capture;
  EXPECT_EQ(0, RunNames(platform, {"mod/src/a", "mod/src/b"}, options, capture));
  EXPECT_EQ(kWarning, capture.Text);
}

TEST(Project, TheNearestTrustedSettingsFile) {
  struct {
    std::vector<std::string> files;
    std::string name, found, warning;
    std::vector<std::string> mounts = {};
    TTrust trust = TTrust::Trusted;
  } cases[] = {
      {{"zunt.toml", "mod/zunt.toml"}, "mod/src/a", "mod/zunt.toml", ""},
      {{"zunt.toml", "mod/zunt.toml", "mod/src/zunt.toml"}, "mod/src/a", "mod/src/zunt.toml", ""},
      {{"zunt.toml"}, "mod/src/a.erm", "zunt.toml", ""},
      {{"zunt.toml"}, "a", "zunt.toml", ""},
      // A folder named through "..": its parent is above it, not below.
      {{"mod/src/../../zunt.toml", "mod/src/zunt.toml.bak"},
       "mod/src/../a",
       "mod/src/../../zunt.toml",
       ""},
      {{"mod/zunt.toml"}, "a", "", ""},
      {{"zunt.toml"}, "mnt/src/a", "", "", {"mnt/"}},
      {{"mnt/zunt.toml"}, "mnt/src/a", "mnt/zunt.toml", "", {"mnt/"}},
      {{"zunt.toml", "mod/zunt.toml"},
       "mod/a",
       "",
       "mod/zunt.toml: warning: файл принадлежит другому пользователю: настройки из него не "
       "читаются [-Wproject-settings]\n",
       {},
       TTrust::OtherOwner},
      {{"mod/zunt.toml"},
       "mod/a",
       "",
       "mod/zunt.toml: warning: файл может изменить любой пользователь: настройки из него не "
       "читаются [-Wproject-settings]\n",
       {},
       TTrust::WritableByOthers},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    for (const std::string& file : t.files) platform.AddFile(file, "");
    platform.AddFile("mod/src/a.erm", "");
    platform.AddFile("mnt/src/a.erm", "");
    platform.Mounts = t.mounts;
    if (!t.files.empty()) platform.Files[t.files.back()].Trust = t.trust;
    TDiagnostics reports;
    EXPECT_EQ(t.found, FindProjectFile(platform, t.name, reports)) << t.name;
    std::string warnings;
    for (const TFail& report : reports.Items) warnings += TerminalText(report, false);
    EXPECT_EQ(t.warning, warnings) << t.name;
  }
}

TEST(Project, GivenNoneOrTheScriptsWithoutAName) {
  struct {
    std::string project;
    bool noProject;
    std::vector<std::string> names;
    int status;
    std::string stderrText;
    std::vector<std::string> outputs;
  } cases[] = {
      // --project: another file than the nearest.
      {"mod/other.toml", false, {"mod/src/a"}, 0, "", {"mod/elsewhere/a.erm"}},
      {"mod/none.toml",
       false,
       {"mod/src/a"},
       1,
       "mod/none.toml: error: Указанный файл не существует! (mod/none.toml).\n",
       {}},
      {"",
       true,
       {"mod/src/a"},
       1,
       "mod/src/a.txt: error: Указанный файл не существует! (mod/src/a.txt).\n",
       {}},
      // No name: the scripts of the settings file by the working folder.
      {"", false, {}, 0, kWarning, {"build/a.erm", "build/b.erm", "build/c.erm"}},
      {"", true, {}, 1, "zunt: error: Не указан файл для компиляции!\n", {}},
      {"nomatch.toml",
       false,
       {},
       1,
       "nomatch.toml:1:12: error: шаблон «src/*.ERM» не находит ни одного файла\n"
       "    1 | scripts = [\"src/*.ERM\"]\n"
       "      |            ^\n",
       {}},
      // A script that a link takes out of the settings file's folder.
      {"linked.toml",
       false,
       {},
       1,
       "linked.toml:1:12: error: шаблон «lib/*.erm» находит файл вне папки файла zunt.toml (по "
       "символической ссылке): lib/c.erm\n"
       "    1 | scripts = [\"lib/*.erm\"]\n"
       "      |            ^\n",
       {}},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    AddMod(platform, "include = [\"common.txt\"]");
    platform.AddFile("mod/other.toml", "include = [\"common.txt\"]\noutput = \"elsewhere/\"");
    platform.AddFile("zunt.toml",
                     "scripts = [\"mod/src/*.erm\", \"*/*.erm\"]\ninclude = [\"mod/common.txt\"]\n"
                     "output = \"build\"");
    platform.AddFile("build/old.erm", "not a script");
    platform.AddFile("lib/c.erm", "(GREET)");
    platform.AddFile("lib/d.erm/e.txt", "");  // a folder named like a script
    platform.AddFile("nomatch.toml", "scripts = [\"src/*.ERM\"]");
    platform.AddFile("linked.toml", "scripts = [\"lib/*.erm\"]");
    if (t.project == "linked.toml") platform.Links["lib/c.erm"] = "/elsewhere/c.erm";
    TRunOptions options = Options();
    options.Project = t.project;
    options.NoProject = t.noProject;
    TTerminalCapture capture;
    EXPECT_EQ(t.status, RunNames(platform, t.names, options, capture)) << t.project;
    EXPECT_EQ(t.stderrText, capture.Text) << t.project;
    for (const std::string& output : t.outputs) {
      EXPECT_EQ(1u, platform.Files.count(output)) << t.project << " " << output;
    }
    EXPECT_EQ("not a script", platform.Files["build/old.erm"].Data);
  }
}

// Several names in one run against each run alone with the same includes:
// the same reports in the same order, the same outputs and status; the
// shared file is read once.
TEST(Project, SharedDeclarationsReadOnceAsIfEachRanAlone) {
  const std::vector<std::string> names = {"a", "dup", "bad", "empty", "none", "a"};
  auto addFiles = [](TFakePlatform& platform) {
    // More warnings than a file shows: the note that counts the rest comes along.
    std::string common = W("HERO = y100\r\nLIST[3] = v7\r\n(GREET) = 'Привет'\r\n");
    for (int i = 0; i < 25; ++i) {
      common += 'W';
      common += std::to_string(i);
      common += W(" = в") + std::to_string(i) + "\r\n";
    }
    platform.AddFile("common.txt", common);
    platform.AddFile("a.erm", "$HERO$ (GREET) @LIST[1]@\r\n");
    platform.AddFile("dup.txt", "X = v1\r\n  hero = z2\r\n");
    platform.AddFile("dup.erm", "$X$\r\n");
    platform.AddFile("bad.txt", "LOCAL = v2\r\n");
    platform.AddFile("bad.erm", "~HERO=v3;$MISSING$ $LOCAL$ (GREET)\n$HERO[1]x$\r\n");
    platform.AddFile("empty.txt", "");
    platform.AddFile("empty.erm", "(GREET)");
  };
  TRunOptions options = TRunOptions::CommandLine();
  options.Includes = {"common.txt"};
  TFakePlatform alone;
  addFiles(alone);
  TTerminalCapture aloneText;
  int aloneStatus = 0;
  for (const std::string& name : names) {
    if (zunt::Run(alone, name, options, aloneText) != 0) aloneStatus = 1;
  }
  TFakePlatform together;
  addFiles(together);
  TTerminalCapture togetherText;
  options.NoProject = true;
  EXPECT_EQ(aloneStatus, RunNames(together, names, options, togetherText));
  EXPECT_EQ(Readable(aloneText.Text), Readable(togetherText.Text));
  EXPECT_NE(std::string::npos, aloneText.Text.find("dup.txt:2:3: error:"));
  EXPECT_NE(std::string::npos, aloneText.Text.find("common.txt: note: ещё 5 предупреждений"));
  for (const auto& [path, file] : alone.Files) {
    EXPECT_EQ(file.Data, together.Files[path].Data) << path;
  }
  // Once for the declarations, and once more for the lines that the notes of
  // every name quote (the first HERO, for dup and bad).
  EXPECT_EQ(2, std::count(together.Calls.begin(), together.Calls.end(), "load common.txt"));
  EXPECT_EQ(W("y100 Привет 8\r\n"), together.Files["../a.erm"].Data);
  EXPECT_EQ(W("Привет"), together.Files["../empty.erm"].Data);
}

TEST(Project, PatternsMatchNames) {
  struct {
    std::string_view name, pattern;
    bool matches;
  } cases[] = {
      {"a.erm", "*.erm", true},
      {"a.erm", "*.ERM", false},
      {".erm", "*.erm", true},
      {"a.erm.bak", "*.erm", false},
      {"ab.erm", "a?.erm", true},
      {"a.erm", "a?.erm", false},
      {"abcabd", "*ab?", true},
      {"x", "*", true},
      {"", "*", true},
      {"", "?", false},
      {"aXbXc", "a*b*c", true},
      {"aXbXd", "a*b*c", false},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(t.matches, MatchesPattern(t.name, t.pattern)) << t.name << " " << t.pattern;
  }
}

}  // namespace
}  // namespace zunt
