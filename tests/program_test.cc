// zunt.exe's command line: a name as always, a name from Explorer's verb,
// and a mod's zunt.toml.
#include "driver/program.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fake.h"
#include "test_util.h"

namespace zunt {
namespace {

const std::string kSettingsError =
    W("| Ошибка в файле zunt.toml |\r\nу ключа «output» должна быть строка") + OnLine(1);

TEST(Program, NameVerbOrModSettings) {
  struct {
    std::string first, second;
    int status;
    std::string shown;                 // the message box, if any
    std::vector<std::string> outputs;  // the files written, in the order written
    size_t sounds;
  } cases[] = {
      // A plain name: the parent of the working folder, the second argument unread.
      {"mod/src/a.erm", "ignored", 0, "", {"../a.erm"}, 1},
      // The verb: the parent of the script's folder, whatever the working folder.
      {"--in-script-folder", "mod/src/a.erm", 0, "", {"mod/src/../a.erm"}, 1},
      {"--in-script-folder", "quest", 0, "", {"../quest.erm"}, 1},
      {"--in-script-folder", "", 1, W("Не указан файл для компиляции!"), {}, 0},
      {"--in-script-folder", "mod/src/b", 1, W("Файл \"mod/src/b.erm\" не существует!"), {}, 0},
      // A mod's settings: its scripts as if run in its folder, one sound for all.
      {"mod/zunt.toml", "", 0, "", {"mod/../a.erm", "mod/../c.erm"}, 1},
      {"--in-script-folder", "upper/Zunt.TOML", 0, "", {"upper/../a.erm"}, 1},
      {"built/zunt.toml", "", 0, "", {"built/out/a.erm", "built/out/c.erm"}, 1},
      // One script fails: its error shown, the others written, no sound.
      {"broken/zunt.toml",
       "",
       1,
       ErmError(W("Переменной $NOPE$ не существует!") + OnLine(1)),
       {"broken/../good.erm"},
       0},
      {"bad/zunt.toml", "", 1, kSettingsError, {}, 0},
      // No such settings file: the name as always, zunt.txt and zunt.erm.
      {"none/zunt.toml", "", 1, W("Указанный файл не существует! (none/zunt.txt)."), {}, 0},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    platform.AddFile("quest.txt", "A = y1\r\n");
    platform.AddFile("quest.erm", "$A$");
    platform.AddFile("mod/zunt.toml", "include = [\"common.txt\"]\n");
    platform.AddFile("mod/common.txt", "A = y1\r\n");
    platform.AddFile("mod/a.erm", "a $A$");
    platform.AddFile("mod/c.erm", "c");
    platform.AddFile("mod/src/a.txt", "B = y2\r\n");
    platform.AddFile("mod/src/a.erm", "src $B$");
    platform.AddFile("upper/Zunt.TOML", "");
    platform.AddFile("upper/a.txt", "; none\r\n");
    platform.AddFile("upper/a.erm", "a");
    platform.AddFile("built/zunt.toml", "scripts = [\"src/*.erm\"]\noutput = \"out\"\n");
    platform.AddFile("built/src/a.txt", "; none\r\n");
    platform.AddFile("built/src/a.erm", "a");
    platform.AddFile("built/src/c.txt", "; none\r\n");
    platform.AddFile("built/src/c.erm", "c");
    platform.AddFile("built/out/old.erm", "old");
    platform.AddFile("broken/zunt.toml", "include = [\"all.txt\"]\n");
    platform.AddFile("broken/all.txt", "; none\r\n");
    platform.AddFile("broken/bad.erm", "$NOPE$");
    platform.AddFile("broken/good.erm", "good");
    platform.AddFile("bad/zunt.toml", "output = [\"build\"]\n");
    std::string where = t.first + " " + t.second;
    EXPECT_EQ(t.status, RunProgram(platform, t.first, t.second)) << where;
    EXPECT_EQ(Readable(t.shown), Readable(platform.Shown.value_or(""))) << where;
    std::vector<std::string> written;
    for (const std::string& call : platform.Calls) {
      if (call.starts_with("write ")) written.push_back(call.substr(6));
    }
    std::sort(written.begin(), written.end());  // made on several threads
    EXPECT_EQ(t.outputs, written) << where;
    EXPECT_EQ(t.sounds, size_t(std::count(platform.Calls.begin(), platform.Calls.end(), "sound")))
        << where;
  }
}

}  // namespace
}  // namespace zunt
