// The notes after an error that point at its cause, as the terminal shows
// them; the declaration sites they come from; the nearest-name search.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/driver.h"
#include "driver/terminal.h"
#include "platform/fake.h"
#include "symbols/declarations.h"
#include "symbols/hints.h"
#include "terminal_capture.h"
#include "test_util.h"

namespace zunt {
namespace {

// Runs "quest" with common.txt included, when it is given; the texts are
// UTF-8, stored in Windows-1251, except raw ones.
std::string RunQuest(std::string_view common, std::string_view txt, std::string_view erm,
                     bool raw = false) {
  TFakePlatform platform;
  TRunOptions options = TRunOptions::CommandLine();
  if (!common.empty()) {
    platform.AddFile("common.txt", W(common));
    options.Includes.push_back("common.txt");
  }
  platform.AddFile("quest.txt", raw ? std::string(txt) : W(txt));
  platform.AddFile("quest.erm", W(erm));
  TTerminalCapture capture;
  zunt::Run(platform, "quest", options, capture);
  return capture.Text;
}

TEST(Notes, PointAtTheCause) {
  const struct {
    std::string_view common, txt, erm, expected;
  } cases[] = {
      // A comment after "VALUE;" that lacks its second ";", cut by the line
      // end, by "$" or by the end of the file; no note without the ";".
      {"", "HERO = y100;  главный герой\r\n", "x",
       "quest.txt:1:28: error: Некорректный символ \"Конец строки\" прервал описание переменной!\n"
       "    1 | HERO = y100;  главный герой\n"
       "      |                            ^\n"
       "quest.txt:1:12: note: комментарий после значения начинается с «;;»\n"
       "    1 | HERO = y100;  главный герой\n"
       "      |            ^\n"},
      {"", "A = y1;доход 5$\r\n", "x",
       "quest.txt:1:15: error: Некорректный символ \"$\" прервал описание переменной!\n"
       "    1 | A = y1;доход 5$\n"
       "      |               ^\n"
       "quest.txt:1:7: note: комментарий после значения начинается с «;;»\n"
       "    1 | A = y1;доход 5$\n"
       "      |       ^\n"},
      {"", "A = y1\r\nB = y2; the end", "x",
       "quest.txt:2:9: error: Неожиданный конец объявления переменной!\n"
       "    2 | B = y2; the end\n"
       "      |         ^\n"
       "quest.txt:2:7: note: комментарий после значения начинается с «;;»\n"
       "    2 | B = y2; the end\n"
       "      |       ^\n"},
      {"", "A = y1\r\n  first\r\n", "x",
       "quest.txt:2:8: error: Некорректный символ \"Конец строки\" прервал описание переменной!\n"
       "    2 |   first\n"
       "      |        ^\n"},
      // A duplicate: where the first one is, in an included file, in the
      // same file past the sixteenth column, and a local's.
      {"; общие\r\nHERO = y1\r\n", "  hero = y2\r\n", "x",
       "quest.txt:1:3: error: Переменная $HERO$ уже была объявлена ранее!\n"
       "    1 |   hero = y2\n"
       "      |   ^\n"
       "common.txt:2:1: note: переменная $HERO$ впервые объявлена здесь\n"
       "    2 | HERO = y1\n"
       "      | ^\n"},
      {"", "A = y1\r\n\r\n\r\n                    (ЗОЛОТО) = '5'\r\n(золото) = '6'\r\n", "x",
       "quest.txt:5:1: error: Константа (ЗОЛОТО) уже была объявлена ранее!\n"
       "    5 | (золото) = '6'\n"
       "      | ^\n"
       "quest.txt:4:21: note: константа (ЗОЛОТО) впервые объявлена здесь\n"
       "    4 |                     (ЗОЛОТО) = '5'\n"
       "      |                     ^\n"},
      {"GOLD = v1\r\n", "A = y1\r\n", "x ~T=z1;\r\n~gold=z2;",
       "quest.erm:2:1: error: Переменная $GOLD$ уже была объявлена ранее!\n"
       "    2 | ~gold=z2;\n"
       "      | ^\n"
       "common.txt:1:1: note: переменная $GOLD$ впервые объявлена здесь\n"
       "    1 | GOLD = v1\n"
       "      | ^\n"},
      {"", "A = y1\r\n", "x ~T=z1;\r\n~~ ~T=z2;\r\n~t=z3;",
       "quest.erm:3:1: error: Переменная $T$ уже была объявлена ранее!\n"
       "    3 | ~t=z3;\n"
       "      | ^\n"
       "quest.erm:2:4: note: переменная $T$ впервые объявлена здесь\n"
       "    2 | ~~ ~T=z2;\n"
       "      |    ^\n"},
      // A reference cut by the line end: where it began.
      {"", "A = y1\r\n", "доход 100$ в день\r\nok",
       "quest.erm:1:18: error: Некорректный символ \"Конец строки\" прервал переменную!\n"
       "    1 | доход 100$ в день\n"
       "      |                  ^\n"
       "quest.erm:1:10: note: ссылка на переменную начинается здесь\n"
       "    1 | доход 100$ в день\n"
       "      |          ^\n"},
      // An unknown name: the nearest declared one, where it was declared;
      // none when it is too far (a third of the length, at least one).
      {"HERO_MAIN = y1\r\n", "A = y2\r\n", "!!VR$hero_mian$:S5;",
       "quest.erm:1:5: error: Переменной $HERO_MIAN$ не существует!\n"
       "    1 | !!VR$hero_mian$:S5;\n"
       "      |     ^\n"
       "common.txt:1:1: note: может быть, $HERO_MAIN$?\n"
       "    1 | HERO_MAIN = y1\n"
       "      | ^\n"},
      {"", "GOLD = v1\r\nGOAL = v2\r\n", "@GOLF@ @ABCDEF@",
       "quest.erm:1:1: error: Переменной $GOLF$ не существует!\n"
       "    1 | @GOLF@ @ABCDEF@\n"
       "      | ^\n"
       "quest.txt:1:1: note: может быть, @GOLD@?\n"
       "    1 | GOLD = v1\n"
       "      | ^\n"
       "quest.erm:1:8: error: Переменной $ABCDEF$ не существует!\n"
       "    1 | @GOLF@ @ABCDEF@\n"
       "      |        ^\n"},
      {"", "ABXYZF = v1\r\nABCDXY = v2\r\n", "$ABCDEF$",
       "quest.erm:1:1: error: Переменной $ABCDEF$ не существует!\n"
       "    1 | $ABCDEF$\n"
       "      | ^\n"
       "quest.txt:2:1: note: может быть, $ABCDXY$?\n"
       "    2 | ABCDXY = v2\n"
       "      | ^\n"},
      {"", "ABXYZF = v1\r\n", "$ABCDEF$",
       "quest.erm:1:1: error: Переменной $ABCDEF$ не существует!\n"
       "    1 | $ABCDEF$\n"
       "      | ^\n"},
      {"", "A = y1\r\n", "x ~TEMP=z1; $TEMQ$",
       "quest.erm:1:13: error: Переменной $TEMQ$ не существует!\n"
       "    1 | x ~TEMP=z1; $TEMQ$\n"
       "      |             ^\n"
       "quest.erm:1:3: note: может быть, $TEMP$?\n"
       "    1 | x ~TEMP=z1; $TEMQ$\n"
       "      |   ^\n"},
      {"", "(ПРИВЕТ) = 'hi'\r\n", "(привт)",
       "quest.erm:1:1: error: Константы (ПРИВТ) не существует!\n"
       "    1 | (привт)\n"
       "      | ^\n"
       "quest.txt:1:1: note: может быть, (ПРИВЕТ)?\n"
       "    1 | (ПРИВЕТ) = 'hi'\n"
       "      | ^\n"},
  };
  for (const auto& t : cases) EXPECT_EQ(t.expected, RunQuest(t.common, t.txt, t.erm)) << t.erm;
}

TEST(Notes, ByteOrderMarkBeforeUtf8TextGetsBothWarnings) {
  EXPECT_EQ(
      "quest.txt:1:1: warning: файл начинается с метки порядка байтов (BOM), а читается в "
      "кодировке Windows-1251: метка останется в тексте [-Wbyte-order-mark]\n"
      "    1 | п»їA = y1;; РіРµСЂРѕР№\n"
      "      | ^\n"
      "quest.txt:1:13: warning: файл похож на текст в UTF-8, а читается в кодировке "
      "Windows-1251 [-Wutf8-text]\n"
      "    1 | п»їA = y1;; РіРµСЂРѕР№\n"
      "      |             ^\n"
      "quest.erm:1:1: error: Переменной $A$ не существует!\n"
      "    1 | $A$\n"
      "      | ^\n",
      RunQuest("",
               "\xEF\xBB\xBF"
               "A = y1;; герой\r\n",
               "$A$", true));
}

TEST(Names, BoundedDistance) {
  const struct {
    std::string_view a, b;
    size_t limit, expected;
  } cases[] = {
      {"", "", 1, 0},         {"ABC", "ABC", 1, 0},        {"ABC", "ABD", 1, 1},
      {"ABC", "AC", 1, 1},    {"AC", "ABC", 1, 1},         {"ABCD", "ABDC", 2, 2},
      {"ABCD", "ABDC", 1, 2}, {"KITTEN", "SITTING", 3, 3}, {"KITTEN", "SITTING", 2, 3},
      {"A", "ABCD", 2, 3},    {"XABC", "ABCX", 2, 2},      {"ABCDEFGH", "HGFEDCBA", 3, 4},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(t.expected, BoundedDistance(t.a, t.b, t.limit)) << t.a << " " << t.b;
  }
}

TEST(Names, MostSimilarIsTheNearestAndTheFirstAmongEquals) {
  TSymbolTable table;
  for (std::string_view name :
       {"GOLD", "GOAL", "HERO_MAIN", "HERO_MANA", "ГЕРОЙ", "A_NAME_LONGER_THAN_SIXTEEN_BYTES"}) {
    table.AddVar(W(name), TVar{'v', 1, "1"});
  }
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"GOLF", "GOLD"},  // GOAL is as near, but added later
      {"goa", "GOAL"},
      {"HERO_MAIM", "HERO_MAIN"},
      {"HERO_MANN", "HERO_MAIN"},  // one edit from both: the first
      {"герои", "ГЕРОЙ"},
      {"a_name_longer_than_sixteen_byte", "A_NAME_LONGER_THAN_SIXTEEN_BYTES"},
      {"GO", ""},  // two edits from GOLD, one allowed
      {"XYZW", ""},
  };
  for (const auto& [name, expected] : cases) {
    const TSymbolTable::TEntry* found = MostSimilar(table, W(name));
    EXPECT_EQ(std::string(expected), found ? Readable(table.Name(*found)) : "") << name;
  }
}

TEST(Names, SitesKeptCompactly) {
  // Small steps, long ones, wide columns, a new file that starts over, names
  // with no place, far more than one mark's worth, and locals after them.
  std::vector<std::pair<uint64_t, uint64_t>> sites;
  for (uint64_t i = 0; i < 300; ++i) {
    uint64_t line = i < 100 ? 2 + i : i < 200 ? 1000 * i : (uint64_t{1} << 40) + i;
    sites.emplace_back(line, i % 7 == 0 ? 300 + i : 1 + i % 20);
  }
  sites[150] = {3, 1};  // back to the start of another file
  for (uint64_t i = 0; i < 100; ++i) sites.emplace_back(50 + i, 1);  // a run, one a line
  TSymbolTable table;
  table.BeginFile("a.txt");
  for (size_t i = 0; i < sites.size(); ++i) {
    if (i == 150) table.BeginFile("b.txt");
    if (i == 300) table.BeginFile("c.txt");
    std::string name = "N";  // appended: mingw's -O3 misreads "N" + text as overlapping
    name += std::to_string(i);
    table.AddVar(name, TVar{'v', 1, "1"});
    if (i % 50 != 49) table.SetSite(sites[i].first, sites[i].second);
  }
  table.BeginFile("s.erm");
  table.AddVar("L", TVar{'z', 1, "1"}, true);
  table.SetLocalSite(42);
  for (size_t i = 0; i < sites.size(); ++i) {
    TSymbolTable::TSite site = table.SiteOf(i);
    bool kept = i % 50 != 49;
    EXPECT_EQ(kept ? sites[i].first : 0, site.Line) << i;
    EXPECT_EQ(kept ? sites[i].second : 0, site.Column) << i;
    EXPECT_EQ(i < 150 ? "a.txt" : i < 300 ? "b.txt" : "c.txt", site.File) << i;
  }
  EXPECT_EQ(42u, table.SiteOf(400).Offset);
  EXPECT_EQ("s.erm", table.SiteOf(400).File);
  table.ClearLocals();
  EXPECT_EQ(sites[298].first, table.SiteOf(298).Line);
  EXPECT_EQ(std::string::npos, table.SiteOf(298).Offset);
}

TEST(Names, QuickAndCarefulReadersKeepTheSameSites) {
  // Plain lines and others, blanks before names, a CR that ends one variable
  // and starts the next on the same line, blank lines and comments.
  const std::string text =
      W("; names\r\nA = y1\r\n   B = y2\r\n\r\n(C) = 'c'\r\n  (D) = 'd'\r\nE = y5\rF = y6\r\n"
        "G = y7;; g\r\nH = y8\r\n(ДЛИННОЕ ИМЯ КОНСТАНТЫ) = 'x'\r\nLONG_NAME_OF_A_VARIABLE = y9\r\n"
        "                   I = y10\r\n");
  std::vector<std::string> seen[2];
  for (bool careful : {false, true}) {
    TCursor cursor;
    cursor.InitCursor(text, '\n');
    TSymbolTable vars, constants;
    careful ? ReadDeclarationsCarefully(cursor, vars, constants)
            : ReadDeclarations(cursor, vars, constants);
    for (const TSymbolTable* table : {&vars, &constants}) {
      for (size_t i = 0; i < table->size(); ++i) {
        TSymbolTable::TSite site = table->SiteOf(i);
        std::string text = Readable(table->Name((*table)[i]));
        text += ' ';
        text += std::to_string(site.Line);
        text += ':';
        text += std::to_string(site.Column);
        seen[careful].push_back(text);
      }
    }
  }
  EXPECT_EQ((std::vector<std::string>{"A 2:1", "B 3:4", "E 7:1", "F 7:8", "G 8:1", "H 9:1",
                                      "LONG_NAME_OF_A_VARIABLE 11:1", "I 12:20", "C 5:1", "D 6:3",
                                      "ДЛИННОЕ ИМЯ КОНСТАНТЫ 10:1"}),
            seen[0]);
  EXPECT_EQ(seen[0], seen[1]);
}

}  // namespace
}  // namespace zunt
