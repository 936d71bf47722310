// zunt --vars: the map of a mod's variables as text and as JSON, the numbers
// another mod takes too, and the exit status.
#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/vars.h"
#include "platform/fake.h"
#include "test_util.h"

namespace zunt {
namespace {

struct TMemoryConsole final : TConsole {
  std::string Err, Std;
  void Error(std::string_view text) override { Err += text; }
  bool Out(std::string_view text) override {
    Std += text;
    return true;
  }
  bool ColorsByDefault() const override { return false; }
};

struct TRan {
  int Status;
  std::string Out, Err;
};

// Runs "zunt" with the words.
TRan RunWith(TFakePlatform& platform, std::vector<std::string> words) {
  words.insert(words.begin(), "zunt");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  TMemoryConsole console;
  int status = RunCommandLine(platform, console, static_cast<int>(words.size()), argv.data());
  return {status, console.Std, console.Err};
}

// A mod of two scripts: an include's name nobody uses, an array whose index
// lands on another name, a local that re-uses a number of the other script
// (declared twice, one name), and a number reached only by an index.
void AddMod(TFakePlatform& platform) {
  platform.AddFile("zunt.toml", "include = [\"common.txt\"]\nscripts = [\"src/*.erm\"]\n");
  platform.AddFile("common.txt", W("HERO = y100\r\nARMY = v200\r\nDAY = v1\r\nКОНЬ = z-5\r\n"));
  platform.AddFile("src/a.txt", "MORALE = v205\r\nLEVEL = v10\r\n");
  platform.AddFile("src/a.erm", W("$HERO$ $ARMY[5]$\r\n@LEVEL@ $КОНЬ$"));
  platform.AddFile("src/b.erm", "~RANK=v10;$RANK$ $HERO[-1]$ ~~ ~RANK=v10; $RANK$ $HERO$\r\n");
}

TEST(VarMap, TheTableOfAMod) {
  TFakePlatform platform;
  AddMod(platform);
  TRan ran = RunWith(platform, {"--vars"});
  EXPECT_EQ(0, ran.Status);
  EXPECT_EQ(
      "Карта переменных: 2 скрипта, 7 имён, 7 номеров.\n"
      "\n"
      "v: номера 1–205, занято 4, свободно 201\n"
      "  номер  ссылок  первая ссылка  имена\n"
      "  v1          0                 $DAY$ common.txt:3 [unused]\n"
      "  v10         3  src/a.erm:2:1  $LEVEL$ src/a.txt:2, $RANK$ src/b.erm:1 (локальная) "
      "[alias]\n"
      "  v200        0                 $ARMY$ common.txt:2\n"
      "  v205        1  src/a.erm:1:8  $MORALE$ src/a.txt:1 [unused] [overlap]\n"
      "  свободны: v2–v9, v11–v199, v201–v204\n"
      "\n"
      "y: номера 99–100, занято 2, свободно 0\n"
      "  номер  ссылок  первая ссылка   имена\n"
      "  y99         1  src/b.erm:1:18  —\n"
      "  y100        2  src/a.erm:1:1   $HERO$ common.txt:1\n"
      "\n"
      "z: номер -5, занят 1\n"
      "  номер  ссылок  первая ссылка  имена\n"
      "  z-5         1  src/a.erm:2:9  $КОНЬ$ common.txt:4\n",
      ran.Out);
  EXPECT_EQ(
      "src/a.erm:1:13: warning: $ARMY[5]$ попадает на v205, а это переменная $MORALE$ "
      "[-Woverlap]\n"
      "    1 | $HERO$ $ARMY[5]$\n"
      "      |             ^\n"
      "src/a.txt:1:1: note: $MORALE$ объявлена здесь\n"
      "    1 | MORALE = v205\n"
      "      | ^\n",
      ran.Err);
  EXPECT_EQ(0u, platform.Files.count("../a.erm")) << "no script is written";
}

TEST(VarMap, JsonSavedAndComparedWithAnotherMod) {
  TFakePlatform platform;
  AddMod(platform);
  TRan json = RunWith(platform, {"--vars=json", "src/b"});
  ASSERT_EQ(0, json.Status);
  EXPECT_EQ(
      "{\n"
      "  \"format\": \"zunt-vars\",\n"
      "  \"version\": 1,\n"
      "  \"scripts\": [\"src/b.erm\"],\n"
      "  \"letters\": [\n"
      "    {\"letter\": \"v\", \"low\": 1, \"high\": 200, \"free\": [[2, 9], [11, 199]], "
      "\"numbers\": [\n"
      "      {\"number\": 1, \"refs\": 0, \"first\": null, \"alias\": false, \"overlap\": false, "
      "\"names\": [{\"name\": \"DAY\", \"scope\": \"shared\", \"declared\": {\"file\": "
      "\"common.txt\", \"line\": 3, \"column\": 1}, \"refs\": 0, \"first\": null, \"unused\": "
      "true}]},\n"
      "      {\"number\": 10, \"refs\": 2, \"first\": {\"file\": \"src/b.erm\", \"line\": 1, "
      "\"column\": 11}, \"alias\": false, \"overlap\": false, \"names\": [{\"name\": \"RANK\", "
      "\"scope\": \"local\", \"script\": \"src/b.erm\", \"declared\": {\"file\": \"src/b.erm\", "
      "\"line\": 1, \"column\": 1}, \"refs\": 2, \"first\": {\"file\": \"src/b.erm\", \"line\": 1, "
      "\"column\": 11}, \"unused\": false}]},\n"
      "      {\"number\": 200, \"refs\": 0, \"first\": null, \"alias\": false, \"overlap\": false, "
      "\"names\": [{\"name\": \"ARMY\", \"scope\": \"shared\", \"declared\": {\"file\": "
      "\"common.txt\", \"line\": 2, \"column\": 1}, \"refs\": 0, \"first\": null, \"unused\": "
      "true}]}\n"
      "    ]},\n"
      "    {\"letter\": \"y\", \"low\": 99, \"high\": 100, \"free\": [], \"numbers\": [\n"
      "      {\"number\": 99, \"refs\": 1, \"first\": {\"file\": \"src/b.erm\", \"line\": 1, "
      "\"column\": 18}, \"alias\": false, \"overlap\": false, \"names\": []},\n"
      "      {\"number\": 100, \"refs\": 1, \"first\": {\"file\": \"src/b.erm\", \"line\": 1, "
      "\"column\": 50}, \"alias\": false, \"overlap\": false, \"names\": [{\"name\": \"HERO\", "
      "\"scope\": \"shared\", \"declared\": {\"file\": \"common.txt\", \"line\": 1, \"column\": "
      "1}, \"refs\": 2, \"first\": {\"file\": \"src/b.erm\", \"line\": 1, \"column\": 18}, "
      "\"unused\": false}]}\n"
      "    ]},\n"
      "    {\"letter\": \"z\", \"low\": -5, \"high\": -5, \"free\": [], \"numbers\": [\n"
      "      {\"number\": -5, \"refs\": 0, \"first\": null, \"alias\": false, \"overlap\": false, "
      "\"names\": [{\"name\": \"КОНЬ\", \"scope\": \"shared\", \"declared\": {\"file\": "
      "\"common.txt\", \"line\": 4, \"column\": 1}, \"refs\": 0, \"first\": null, \"unused\": "
      "true}]}\n"
      "    ]}\n"
      "  ]\n"
      "}\n",
      json.Out);

  // The other mod, saved: what both take, with the names each gives them.
  platform.AddFile("other.json", json.Out);
  TRan against = RunWith(platform, {"--vars", "--against=other.json", "src/a"});
  EXPECT_EQ(0, against.Status);
  EXPECT_EQ(
      "Общие номера: 5.\n"
      "  v1    здесь: $DAY$ common.txt:3\n"
      "        там:   $DAY$ common.txt:3\n"
      "  v10   здесь: $LEVEL$ src/a.txt:2\n"
      "        там:   $RANK$ src/b.erm:1 (локальная)\n"
      "  v200  здесь: $ARMY$ common.txt:2\n"
      "        там:   $ARMY$ common.txt:2\n"
      "  y100  здесь: $HERO$ common.txt:1\n"
      "        там:   $HERO$ common.txt:1\n"
      "  z-5   здесь: $КОНЬ$ common.txt:4\n"
      "        там:   $КОНЬ$ common.txt:4\n",
      against.Out);
  // The other mod's folder, mapped; and none in common.
  platform.AddFile("other/zunt.toml", "");
  platform.AddFile("other/x.txt", "; no names\r\n");
  platform.AddFile("other/x.erm", "~Z=v205;$Z$");
  EXPECT_EQ(
      "Общие номера: 1.\n"
      "  v205  здесь: $MORALE$ src/a.txt:1\n"
      "        там:   $Z$ other/x.erm:1 (локальная)\n",
      RunWith(platform, {"--vars", "--against=other", "src/a"}).Out);
  platform.AddFile("other/x.erm", "~Z=y7;$Z$");
  EXPECT_EQ("Общих номеров нет.\n", RunWith(platform, {"--vars", "--against=other", "src/a"}).Out);
}

TEST(VarMap, AnotherMapThatIsNotOne) {
  struct {
    std::string text, error;
  } cases[] = {
      {"", "это не JSON"},
      {"[1, 2", "это не JSON"},
      {"{\"format\": \"zunt\"}", "это не карта переменных zunt: нет «\"format\": \"zunt-vars\"»"},
      {"{\"format\": \"zunt-vars\", \"version\": 2}", "у карты другая версия формата, нужна 1"},
      {"{\"format\": \"zunt-vars\", \"version\": 1, \"letters\": {}}",
       "«letters» должен быть списком"},
      {"{\"format\": \"zunt-vars\", \"version\": 1, \"letters\": [{\"letter\": \"vv\"}]}",
       "у каждой буквы нужна «letter»: строка из одной буквы Windows-1251"},
      {"{\"format\": \"zunt-vars\", \"version\": 1, \"letters\": [{\"letter\": \"v\", \"numbers\": "
       "[{\"number\": 4294967297, \"names\": []}]}]}",
       "у каждого номера нужен «number»: целое число от -2147483648 до 2147483647"},
      {"{\"format\": \"zunt-vars\", \"version\": 1, \"letters\": [{\"letter\": \"v\", \"numbers\": "
       "[{\"number\": 1, \"names\": [{\"name\": 5}]}]}]}",
       "у каждого имени нужна строка «name»"},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    AddMod(platform);
    platform.AddFile("other.json", t.text);
    TRan ran = RunWith(platform, {"--vars", "--against=other.json"});
    EXPECT_EQ(1, ran.Status) << t.text;
    EXPECT_EQ("", ran.Out) << t.text;
    std::string message =
        "other.json: error: Файл не похож на карту, записанную --vars=json: " + t.error + "\n";
    EXPECT_NE(std::string::npos, ran.Err.find(message)) << ran.Err;
  }
}

TEST(VarMap, StatusIsWhetherEveryFileCouldBeRead) {
  TFakePlatform platform;
  AddMod(platform);
  platform.AddFile("src/c.erm", "$NOPE$\r\n$HERO$");
  TRan ran = RunWith(platform, {"--vars", "src/a", "src/c"});
  EXPECT_EQ(0, ran.Status) << "an error in a script still maps it";
  EXPECT_NE(std::string::npos, ran.Err.find("src/c.erm:1:1: error: Переменной $NOPE$"));
  EXPECT_NE(std::string::npos, ran.Out.find("  y100        2  src/a.erm:1:1"));
  ran = RunWith(platform, {"--vars", "src/a", "src/missing"});
  EXPECT_EQ(1, ran.Status);
  EXPECT_NE(std::string::npos, ran.Err.find("src/missing.erm: error: Файл"));
  EXPECT_NE(std::string::npos, ran.Out.find("Карта переменных: 2 скрипта"));
  ran = RunWith(platform, {"--vars", "--against=nowhere", "src/a"});
  EXPECT_EQ(1, ran.Status);
  EXPECT_EQ("", ran.Out);
  EXPECT_TRUE(ran.Err.ends_with(
      "nowhere: error: Нет ни папки мода, ни карты переменных nowhere для --against\n"));
}

}  // namespace
}  // namespace zunt
