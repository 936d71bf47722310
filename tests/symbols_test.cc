#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/fail.h"
#include "fuzz_check.h"
#include "symbols/declarations.h"
#include "symbols/table.h"
#include "symbols/var.h"
#include "test_util.h"

namespace zunt {
namespace {

using namespace std::literals;

TEST(StrToIntStrict, AcceptsDecimalAndHexadecimalAtTheirLimits) {
  struct {
    std::string_view text;
    int32_t value;
  } cases[] = {
      {"0", 0},
      {"  12", 12},
      {"+7", 7},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"0x10", 16},
      {"0X10", 16},
      {"x1f", 31},
      {"X1F", 31},
      {"$1F", 31},
      {"-$10", -16},
      {"$7FFFFFFF", 2147483647},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"-$80000000", INT32_MIN},
      {"-$FFFFFFFF", 1},
      {"$0FFFFFFFF", -1},  // a leading zero is not a significant digit
      {std::string_view("12\0zz", 5), 12},
  };
  for (const auto& t : cases) {
    std::optional<int32_t> value = StrToIntStrict(t.text);
    ASSERT_TRUE(value.has_value()) << t.text;
    EXPECT_EQ(t.value, *value) << t.text;
  }
}

TEST(StrToIntStrict, RejectsEverythingElse) {
  const std::string_view bad[] = {
      "",
      "   ",
      "-",
      "+",
      "$",
      "x",
      "0x",
      "-$",
      "12 ",
      "1 2",
      "\t12",
      "12a",
      "- 5",
      "--5",
      "2147483648",
      "-2147483649",
      "99999999999",
      "$100000000",
      "$1FFFFFFFF",
      "0x1G",
      "0x1g",
      "$-1",
      std::string_view("\0"
                       "12",
                       3),
      "1.5",
      "1e3",
  };
  for (std::string_view text : bad) EXPECT_FALSE(StrToIntStrict(text).has_value()) << text;
}

TEST(ParseVarValue, LetterThenInteger) {
  struct {
    std::string_view text;
    char letter;
    int32_t number;
    std::string_view rest;
  } cases[] = {
      {"y0010", 'y', 10, "0010"},
      {"y$1F", 'y', 31, "$1F"},
      {"w-2147483648", 'w', INT32_MIN, "-2147483648"},
      {"11", '1', 1, "1"},
      {"z-3", 'z', -3, "-3"},
      {"y 10", 'y', 10, " 10"},
      {std::string_view("y12\0zz", 6), 'y', 12, std::string_view("12\0zz", 5)},
  };
  for (const auto& t : cases) {
    TVar var = ParseVarValue(t.text);
    ASSERT_TRUE(var.Valid()) << t.text;
    EXPECT_EQ(t.letter, var.Letter);
    EXPECT_EQ(t.number, var.Number);
    EXPECT_EQ(t.rest, var.Text);
  }
  for (std::string_view text : {"", "y", "y1x", "y10 ", "yq", "w2147483648", "\xFF"}) {
    EXPECT_FALSE(ParseVarValue(text).Valid()) << text;
  }
  EXPECT_FALSE(ParseVarValue(std::string_view("\0"
                                              "12",
                                              3))
                   .Valid());  // a zero letter
}

TEST(Table, FindsInAnyCaseAndClears) {
  TVarTable table;
  table.AddVar(W("ЎЖ"), ParseVarValue("y1"));
  table.AddVar("HERO", ParseVarValue("y2"));
  ASSERT_NE(nullptr, table.Find(W("ўж")));
  EXPECT_EQ(1, table.Find(W("ўж"))->Number());
  EXPECT_EQ(2, table.Find("hero")->Number());
  EXPECT_EQ(nullptr, table.Find("HER"));
  EXPECT_EQ("HERO", table.Name(table[1]));
  table.Clear();
  EXPECT_EQ(nullptr, table.Find("HERO"));
  table.Clear();
}

// Thousands of names: the slots grow several times and the entries fill
// several blocks; every name stays findable, in order, until cleared, and the
// table is as good after a clear.
TEST(Table, ManyNamesGrowAndClear) {
  // Names of 2 to 24 bytes: short ones, ones of one or two words, longer ones.
  auto nameOf = [](int i) {
    const char* stems[] = {"N", "NAME_", "A_MUCH_LONGER_NAME_"};
    return stems[i % 3] + std::to_string(i);
  };
  auto smallLetters = [](std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  };
  TConstTable table;
  for (int round = 0; round < 2; ++round) {
    const int count = round == 0 ? 5000 : 300;
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(nullptr, table.Find(nameOf(i))) << nameOf(i);
      table.AddConst(nameOf(i), std::to_string(i * 7));
    }
    ASSERT_EQ(size_t(count), table.size());
    for (int i = 0; i < count; ++i) {
      std::string name(table.Name(table[i]));
      ASSERT_EQ(nameOf(i), name);
      ASSERT_EQ(std::to_string(i * 7), table.Replacement(*table.Find(name)));
      ASSERT_EQ(std::to_string(i * 7), table.Replacement(*table.Find(smallLetters(name))));
    }
    EXPECT_EQ(nullptr, table.Find(nameOf(count)));
    EXPECT_EQ(nullptr, table.Find("NAME_1X"));
    table.Clear();
    EXPECT_EQ(nullptr, table.Find(nameOf(0)));
    EXPECT_EQ(0u, table.size());
  }
}

// Each slot holds its whole entry: names that differ only past a zero byte
// or past their sixteenth byte, the empty name, names whose hashes share a
// slot, a table that grows while it holds local names, and locals cleared
// and added again. Every name keeps its replacement and its place in the
// order of adding; after ClearLocals the declared ones are as before.
TEST(Table, SlotsKeepTheirNamesThroughSharedSlotsGrowthAndLocals) {
  struct TName {
    std::string name;
    bool local;
  };
  std::vector<TName> names = {
      {"A", false},
      {std::string("A\0", 2), false},
      {"", false},
      {"ABCDEFGHIJKLMNOP", false},  // sixteen bytes: the key is the whole name
      {"ABCDEFGHIJKLMNOPQ", false},
      {"ABCDEFGHIJKLMNOPQR", true},
      {std::string("A\0\0", 3), true},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYZ", true},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDEFGHIJKLMNOPQRSTUVWXYY", false},
  };
  // Names whose hashes point to one slot of the first sixteen, declared and local.
  for (uint64_t i = 0, found = 0; found < 8; ++i) {
    std::string name = "S";
    name += std::to_string(i);
    if ((HashName(name) & 15) == 3) names.push_back({name, found++ % 2 == 1});
  }
  std::vector<TName> ordered;  // the declared ones first
  for (bool local : {false, true}) {
    for (const TName& n : names) {
      if (n.local == local) ordered.push_back(n);
    }
  }
  names = ordered;
  // Local ones enough to grow the table several times while they are there.
  for (int i = 0; i < 200; ++i) names.push_back({std::string("L").append(std::to_string(i)), true});
  auto textOf = [](size_t i) { return std::to_string(1000 + i) + (i % 3 == 0 ? "LONGTEXT" : ""); };
  auto check = [&](const TVarTable& table, size_t added) {
    ASSERT_EQ(added, table.size());
    for (size_t i = 0; i < names.size(); ++i) {
      std::string small = names[i].name;
      for (char& c : small) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const TSymbolTable::TEntry* entry = table.Find(small);
      if (i >= added) {
        EXPECT_EQ(nullptr, entry) << i;
        continue;
      }
      ASSERT_NE(nullptr, entry) << i;
      EXPECT_EQ(i, table.IndexOf(*entry)) << i;
      EXPECT_EQ(&table[i], entry) << i;
      EXPECT_EQ(names[i].name, table.Name(*entry)) << i;
      EXPECT_EQ(std::string("v").append(textOf(i)), table.Replacement(*entry)) << i;
      EXPECT_EQ(static_cast<int32_t>(1000 + i), entry->Number()) << i;
    }
  };
  size_t declared = 0;
  while (!names[declared].local) ++declared;
  // Places searched for, kept from the start, and kept from the second round on.
  for (int keepFrom : {-1, 0, 1}) {
    SCOPED_TRACE(keepFrom);
    TVarTable table;
    for (int round = 0; round < 2; ++round) {
      if (round == keepFrom) table.KeepPlaces();
      for (size_t i = round == 0 ? 0 : declared; i < names.size(); ++i) {
        table.AddVar(names[i].name, TVar{'v', static_cast<int32_t>(1000 + i), textOf(i)},
                     names[i].local);
        if (i + 1 == declared || i + 1 == names.size()) check(table, i + 1);
      }
      table.ClearLocals();
      check(table, declared);
    }
  }
}

// A table that shares another's names finds them below its own, long ones
// too, keyed apart, while its own slots grow; a shared name is not added again.
TEST(Table, SharedNamesStayFoundWhileTheOwnSlotsGrow) {
  const std::string kLongName = "A_SHARED_NAME_LONGER_THAN_SIXTEEN";
  TConstTable shared(THashSeed{1, 2});
  shared.AddConst("S", "shared");
  shared.AddConst(kLongName, "shared long text");
  TConstTable own(THashSeed{3, 4});
  own.ShareNamesOf(&shared);
  for (int i = 0; i < 100; ++i) {
    own.AddConst("OWN_LONG_NAME_NUMBER_" + std::to_string(i), std::to_string(i));
    for (const char* name : {"s", "a_shared_name_longer_than_sixteen"}) {
      const TSymbolTable::TEntry* entry = own.Find(name);
      ASSERT_EQ(entry, shared.Find(name)) << i << name;
      EXPECT_EQ(shared.Replacement(*entry), own.Replacement(*entry));
      EXPECT_EQ(shared.Name(*entry), own.Name(*entry));
      EXPECT_EQ(shared.IndexOf(*entry), own.IndexOf(*entry));
    }
  }
  EXPECT_EQ("42", own.Replacement(*own.Find("own_long_name_number_42")));
  EXPECT_EQ(42u, own.IndexOf(*own.Find("own_long_name_number_42")));
  EXPECT_FALSE(own.AddIfNew(FoldedKey("S", 1), 1, own.HashOf(FoldedKey("S", 1), 1), "again", 0,
                            TSymbolTable::kShortConst));
  EXPECT_EQ(100u, own.size());
}

// Places number a shared table's names first and the own ones after them,
// locals last: each place gives back its entry and where it was declared,
// with places kept in both tables while the own slots grow.
TEST(Table, PlacesNumberTheSharedNamesFirst) {
  TVarTable shared(THashSeed{1, 2});
  shared.KeepPlaces();
  shared.BeginFile("common.txt");
  shared.AddVar("A", TVar{'v', 1, ""});
  shared.SetSite(1, 1);
  shared.AddVar("A_SHARED_NAME_LONGER_THAN_SIXTEEN", TVar{'v', 2, ""});
  shared.SetSite(4, 3);
  TVarTable own(THashSeed{3, 4});
  own.KeepPlaces();
  own.ShareNamesOf(&shared);
  own.BeginFile("s.txt");
  for (int i = 0; i < 100; ++i) {
    own.AddVar("OWN" + std::to_string(i), TVar{'y', i, ""});
    own.SetSite(static_cast<uint64_t>(i) + 1, 1);
  }
  own.AddVar("L", TVar{'x', 7, ""}, true);
  own.SetLocalSite(42);
  const size_t kNone = std::string_view::npos;
  struct {
    const char* Name;
    size_t Place;
    const char* File;
    uint64_t Line, Column;
    size_t Offset;
  } cases[] = {
      {"a", 0, "common.txt", 1, 1, kNone},
      {"a_shared_name_longer_than_sixteen", 1, "common.txt", 4, 3, kNone},
      {"own0", 2, "s.txt", 1, 1, kNone},
      {"own99", 101, "s.txt", 100, 1, kNone},
      {"l", 102, "s.txt", 0, 0, 42},
  };
  EXPECT_EQ(2u, own.Below());
  EXPECT_EQ(0u, shared.Below());
  for (const auto& c : cases) {
    const TSymbolTable::TEntry* entry = own.Find(c.Name);
    ASSERT_NE(nullptr, entry) << c.Name;
    EXPECT_EQ(c.Place, own.PlaceOf(*entry)) << c.Name;
    EXPECT_EQ(entry, &own.At(c.Place)) << c.Name;
    TSymbolTable::TSite site = own.SiteAt(c.Place);
    EXPECT_EQ(c.File, site.File) << c.Name;
    EXPECT_EQ(c.Line, site.Line) << c.Name;
    EXPECT_EQ(c.Column, site.Column) << c.Name;
    EXPECT_EQ(c.Offset, site.Offset) << c.Name;
  }
}

// Names crafted so that, under the fixed key, their hashes all point into the
// first four slots of a table reserved for them: a file that knew the key
// could make every lookup walk past all of them. Under any other key the same
// names spread out; a table keyed again places its names anew.
TEST(Table, CraftedNamesPileUpOnlyUnderTheKeyTheyWereMadeFor) {
  constexpr size_t kNames = 1000;  // a table reserved for them has 2048 slots
  struct TCase {
    const char* stem;  // short names are hashed whole, long ones sixteen bytes at a time
    THashSeed seed;
    bool pileUp;
  };
  const TCase cases[] = {
      {"N", kFixedHashSeed, true},
      {"A_MUCH_LONGER_NAME_", kFixedHashSeed, true},
      {"N", {kFixedHashSeed.A ^ 1, kFixedHashSeed.B}, false},
      {"N", {0, 0}, false},
      {"A_MUCH_LONGER_NAME_", {kFixedHashSeed.A, kFixedHashSeed.B ^ (1ull << 63)}, false},
      {"A_MUCH_LONGER_NAME_", {0x0123456789ABCDEFull, 0xFEDCBA9876543210ull}, false},
  };
  for (const TCase& t : cases) {
    std::vector<std::string> names;
    for (uint64_t i = 0; names.size() < kNames; ++i) {
      std::string name = t.stem + std::to_string(i);
      if ((HashName(name, kFixedHashSeed) & 2047) < 4) names.push_back(name);
    }
    for (bool rekeyed : {false, true}) {
      TVarTable table(rekeyed ? THashSeed{7, 7} : t.seed);
      table.Reserve(kNames);
      for (size_t i = 0; i < names.size(); ++i) {
        table.AddVar(names[i], TVar{'v', static_cast<int32_t>(i), std::to_string(i)});
      }
      if (rekeyed) table.Rekey(t.seed);
      size_t longest = 0, total = 0;
      for (size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(static_cast<int32_t>(i), table.Find(names[i])->Number()) << names[i];
        longest = std::max(longest, table.ProbeLength(names[i]));
        total += table.ProbeLength(names[i]);
      }
      SCOPED_TRACE(std::string(t.stem) + (rekeyed ? " rekeyed" : ""));
      if (t.pileUp) {
        EXPECT_GE(longest, kNames - 4);
      } else {
        EXPECT_LE(longest, 64u);
        EXPECT_LE(total, 2 * kNames);
      }
    }
  }
}

// Reads declarations; returns the error message, or "" when they are fine.
std::string Read(std::string_view text, TVarTable& vars, TConstTable& constants) {
  TCursor cursor;
  cursor.InitCursor(text, '\n');
  try {
    ReadDeclarations(cursor, vars, constants);
  } catch (const TFail& fail) {
    return fail.Text();
  }
  return "";
}

// A table over a shared one: the shared names found, short and long, with
// short and long replacements, beside the table's own; no name of the shared
// table added again, locals included; the shared table left as it was.
TEST(Table, OwnNamesOverSharedOnes) {
  const std::string longName = "A_SHARED_NAME_LONGER_THAN_16";
  TVarTable shared;
  shared.AddVar("HERO", ParseVarValue("y1"));
  shared.AddVar(longName, ParseVarValue("v0000000002"));
  shared.AddIfNew(FoldedKey("PLAIN", 5), 5, HashKey(FoldedKey("PLAIN", 5), 5), "z3", 3,
                  TSymbolTable::kShortVar);
  TVarTable own;
  own.ShareNamesOf(&shared);
  own.AddVar("OWN", ParseVarValue("w4"));
  struct {
    std::string name, replacement;
  } cases[] = {
      {"hero", "y1"},
      {"a_shared_name_longer_than_16", "v0000000002"},
      {"Plain", "z3"},
      {"own", "w4"},
  };
  for (const auto& t : cases) {
    const TSymbolTable::TEntry* entry = own.Find(t.name);
    ASSERT_NE(nullptr, entry) << t.name;
    EXPECT_EQ(t.replacement, own.Replacement(*entry)) << t.name;
    if (t.name.size() <= 16) {
      EXPECT_EQ(entry, own.FindShort(FoldedKey(t.name.data(), t.name.size()), t.name.size()));
    }
  }
  EXPECT_EQ(longName, own.Name(*own.Find(longName)));
  EXPECT_FALSE(own.AddIfNew(FoldedKey("HERO", 4), 4, HashKey(FoldedKey("HERO", 4), 4), "y9", 9,
                            TSymbolTable::kShortVar));
  EXPECT_EQ(nullptr, own.Find("MISSING"));
  own.AddVar("LOCAL", ParseVarValue("y5"), true);
  own.ClearLocals();
  EXPECT_EQ(nullptr, own.Find("LOCAL"));
  EXPECT_EQ(1u, own.size());
  EXPECT_EQ(3u, shared.size());
  EXPECT_EQ(nullptr, shared.Find("OWN"));

  // Through the declarations reader: a name of the shared table is taken.
  TVarTable vars;
  TConstTable constants, sharedConstants;
  sharedConstants.AddConst("GREET", "Hi");
  vars.ShareNamesOf(&shared);
  constants.ShareNamesOf(&sharedConstants);
  EXPECT_EQ(TxtError(W("Переменная $HERO$ уже была объявлена ранее!")) + OnLine(2),
            Read("A = y1\r\nhero = y2\r\n", vars, constants));
  EXPECT_EQ(TxtError(W("Константа (GREET) уже была объявлена ранее!")) + OnLine(1),
            Read("(GREET) = 'x'", vars, constants));
}

// Declared names, short and long, with short and long replacements; then
// rounds of locals, enough to make the slots grow while they are there, each
// round ended by ClearLocals. The declared names must all stay, with their
// values, and the locals must all go, so that their names are free again.
TEST(Table, LocalsGoDeclaredNamesStay) {
  auto declared = [](int i) {
    std::string name = i % 2 ? "D" : "A_DECLARED_NAME_LONGER_THAN_16_";
    return name += std::to_string(i);
  };
  auto value = [](int i) {
    std::string text(i % 3 == 0 ? 13 : 2, '0');  // long ones go to the side records
    text[0] = 'y';
    return text += std::to_string(i);
  };
  TVarTable table;
  for (int i = 0; i < 100; ++i) table.AddVar(declared(i), ParseVarValue(value(i)));
  for (int round = 0; round < 3; ++round) {
    const int locals = round == 1 ? 3000 : 40;
    for (int i = 0; i < locals; ++i) {
      std::string name = i % 4 ? "L" : "A_LOCAL_NAME_LONGER_THAN_SIXTEEN_";
      name += std::to_string(i);
      ASSERT_EQ(nullptr, table.Find(name)) << round << " " << name;
      table.AddVar(name, ParseVarValue(value(i + round)), true);
    }
    for (int i = 0; i < locals; i += 7) {
      std::string name = i % 4 ? "l" : "a_local_name_longer_than_sixteen_";
      name += std::to_string(i);
      ASSERT_NE(nullptr, table.Find(name)) << name;
      EXPECT_EQ(value(i + round), table.Replacement(*table.Find(name)));
      EXPECT_EQ(1, table.Find(name)->Local);
    }
    table.ClearLocals();
    ASSERT_EQ(100u, table.size());
    for (int i = 0; i < 100; ++i) {
      const TSymbolTable::TEntry* entry = table.Find(declared(i));
      ASSERT_NE(nullptr, entry) << round << " " << declared(i);
      EXPECT_EQ(value(i), table.Replacement(*entry));
      EXPECT_EQ(ParseVarValue(value(i)).Number, entry->Number());
      EXPECT_EQ(declared(i), table.Name(*entry));
    }
    EXPECT_EQ(nullptr, table.Find("L1"));
    EXPECT_EQ(nullptr, table.Find("A_LOCAL_NAME_LONGER_THAN_SIXTEEN_0"));
  }
}

TEST(ReadDeclarations, AcceptedForms) {
  TVarTable vars;
  TConstTable constants;
  ASSERT_EQ("", Read("HERO = y0100\r\n(START) = '5'\r\n; note\r\n"
                     "(X)='line1\r\nline2' ignored\r\n( X ) = 'a'\r\n(E) = ''\r\n(Y) = '\xFF'\r\n"
                     "LIST[3] = y5\r\nLIST [3] = w6\r\n= v7\r\n\tTAB = t8;REST=r9;; comment\r\n"
                     "\xFF= y1\r\n(\xFF) = 'x'\r\n(Z) = 'a\0b'\r\n  \r\n"sv,
                     vars, constants));
  struct {
    std::string_view name;
    char letter;
    int32_t number;
    std::string_view text;
  } expected[] = {{"HERO", 'y', 100, "0100"}, {"LIST", 'y', 5, "5"}, {"LIST ", 'w', 6, "6"},
                  {"", 'v', 7, "7"},          {"TAB", 't', 8, "8"},  {"REST", 'r', 9, "9"},
                  {"\xDF", 'y', 1, "1"}};
  ASSERT_EQ(std::size(expected), vars.size());
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(expected[i].name, vars.Name(vars[i]));
    EXPECT_EQ(expected[i].letter, vars.Var(vars[i]).Letter);
    EXPECT_EQ(expected[i].number, vars.Var(vars[i]).Number);
    EXPECT_EQ(expected[i].text, vars.Var(vars[i]).Text);
  }
  std::pair<std::string_view, std::string_view> texts[] = {
      {"START", "5"}, {"X", "line1\nline2"}, {" X ", "a"}, {"E", ""},
      {"Y", "\xFF"},  {"\xDF", "x"},         {"Z", "a"}};
  ASSERT_EQ(std::size(texts), constants.size());
  for (size_t i = 0; i < std::size(texts); ++i) {
    EXPECT_EQ(texts[i].first, constants.Name(constants[i]));
    EXPECT_EQ(texts[i].second, constants.Replacement(constants[i]));
  }

  // The last item may end the file without a line break.
  struct {
    std::string_view text;
    size_t vars, constants;
  } lastItems[] = {
      {"(X) = 'a'", 0, 1},        {"(X) = 'a' tail", 0, 1},      {"; note", 0, 0},
      {"A = y1\r\n; note", 1, 0}, {"; note\r\n(X) = 'a'", 0, 1}, {"(X) = 'a'\r\nA = y1", 1, 1},
  };
  for (const auto& t : lastItems) {
    TVarTable lastVars;
    TConstTable lastConstants;
    EXPECT_EQ("", Readable(Read(t.text, lastVars, lastConstants))) << t.text;
    EXPECT_EQ(t.vars, lastVars.size()) << t.text;
    EXPECT_EQ(t.constants, lastConstants.size()) << t.text;
  }
}

TEST(ReadDeclarations, EveryErrorWithItsLine) {
  const std::string cr = W("\"Конец строки\"");
  struct {
    std::string_view text;
    std::string message;
  } cases[] = {
      {"(X", W("Неожиданный конец объявления константы!") + OnLine(1)},
      {"\r\n(X)", W("Неожиданный конец объявления константы!") + OnLine(2)},
      {"(X) ", W("Неожиданный конец объявления константы!") + OnLine(1)},
      {"()", W("Пустые константы запрещены!") + OnLine(1)},
      {"(X\r\n)", W("Некорректный символ ") + cr + W(" прервал описание константы!") + OnLine(1)},
      {"(x) = 'a'\r\n(X) = 'b'", W("Константа (X) уже была объявлена ранее!") + OnLine(2)},
      {"(X) 'a'", W("Некорректный символ {'} прервал описание константы!") + OnLine(1)},
      {"(X) = a", W("Некорректный символ {a} прервал описание константы!") + OnLine(1)},
      {"(X)\r\n= 'a'", W("Некорректный символ {\r} прервал описание константы!") + OnLine(1)},
      {"(X)\t= 'a'", W("Некорректный символ {\t} прервал описание константы!") + OnLine(1)},
      {"(x) =  ", W("Неожиданный конец объявления константы (X) !") + OnLine(1)},
      {"(X) = 'abc\r\n\r\ndef",
       W("Неожиданный конец объявления константы (X) !\r\nНе указано её значение!") + OnLine(3)},
      {"A = y1\r\nhero", W("Неожиданный конец объявления переменной!") + OnLine(2)},
      {"first\r\n",
       W("Некорректный символ ") + cr + W(" прервал описание переменной!") + OnLine(1)},
      {"A = y1; first\r\n",
       W("Некорректный символ ") + cr + W(" прервал описание переменной!") + OnLine(1)},
      {"A@ = y1", W("Некорректный символ \"@\" прервал описание переменной!") + OnLine(1)},
      {"$A = y1", W("Некорректный символ \"$\" прервал описание переменной!") + OnLine(1)},
      {"a = y1\r\n A = y2", W("Переменная $A$ уже была объявлена ранее!") + OnLine(2)},
      {"L[1] = y1\r\nl[2] = y2", W("Переменная $L$ уже была объявлена ранее!") + OnLine(2)},
      {"a =", W("Неожиданный конец объявления переменной $A$ !") + OnLine(1)},
      {"a =\r\n", W("Некорректное значение переменной $A$ !") + OnLine(1)},
      {"A = y1\nB = y2\n", W("Некорректное значение переменной $A$ !") + OnLine(3)},
      {"A=\xFF;", W("Некорректное значение переменной $A$ !") + OnLine(1)},
      {"\t(X) = 'a'", W("Некорректное значение переменной $(X)$ !") + OnLine(1)},
      {"A = y1 ; B = q\r\n", W("Некорректное значение переменной $B$ !") + OnLine(1)},
      {"(X) = 'a\r\nb\r\n'\r\n; c\r\nE = 1x",
       W("Некорректное значение переменной $E$ !") + OnLine(5)},
  };
  for (const auto& t : cases) {
    TVarTable vars;
    TConstTable constants;
    EXPECT_EQ(Readable(TxtError(t.message)), Readable(Read(t.text, vars, constants))) << t.text;
  }
}

using TReader = void (*)(TCursor&, TVarTable&, TConstTable&, TDiagnostics*);

// Everything a reading leaves, as text: the error and the warnings with their
// places, the cursor, and both tables in order.
std::string Outcome(std::string_view text, TReader read) {
  TCursor cursor;
  cursor.InitCursor(text, '\n');
  TVarTable vars;
  TConstTable constants;
  TDiagnostics diagnostics;
  diagnostics.Warnings = true;
  auto report = [](const char* kind, const TFail& fail) {
    return kind + fail.Text() + " @" + std::to_string(fail.Line) + ":" +
           std::to_string(fail.Column) + " [" + fail.SourceLine + "]\n";
  };
  std::string outcome;
  try {
    read(cursor, vars, constants, &diagnostics);
  } catch (const TFail& fail) {
    outcome += report("error ", fail);
  }
  for (const TFail& warning : diagnostics.Items) outcome += report("warning ", warning);
  outcome += "cursor " + std::to_string(cursor.Pos) + " line " +
             std::to_string(cursor.CurrentLine()) + "\n";
  for (size_t i = 0; i < vars.size(); ++i) {
    outcome += "var " + std::string(vars.Name(vars[i])) + " = " +
               std::string(vars.Replacement(vars[i])) + " " + std::to_string(vars[i].Number()) +
               "\n";
    if (vars.Find(vars.Name(vars[i])) != &vars[i]) outcome += "  not found by its name\n";
  }
  for (size_t i = 0; i < constants.size(); ++i) {
    outcome += "const " + std::string(constants.Name(constants[i])) + " = " +
               std::string(constants.Replacement(constants[i])) + "\n";
    if (constants.Find(constants.Name(constants[i])) != &constants[i]) {
      outcome += "  not found by its name\n";
    }
  }
  return outcome;
}

// The quick reader takes plain lines and leaves every other one to the
// careful reader: files of plain lines, of lines just short of plain, and of
// faulty ones leave the same error, warnings, cursor and tables either way;
// each is read alone and after enough plain lines to fill the lines read ahead.
TEST(ReadDeclarations, PlainLinesReadQuicklyAsCarefully) {
  const std::string_view files[] = {
      "; note\r\nA = y1\r\n(B) = 'x'\r\nc = z-12\r\n(D) = ''\r\n",
      "A = y1\r\n\r\n  \r\nB = y2\r\n\n\nC = y3\r\r\n(E) = 'e'\n(F)='f'\r\n(G)  =  'g'\r\n",
      // Names and texts at the edges of what an entry holds.
      "ABCDEFGHIJKLMNOP = y1\r\nABCDEFGHIJKLMNOPQ = y2\r\n(ABCDEFGHIJKLMNOP) = 'a'\r\n"
      "(ABCDEFGHIJKLMNOPQ) = 'b'\r\n(T) = '123456789012'\r\n(U) = '1234567890123'\r\n"
      "V = y1234567\r\nW = y12345678\r\nX = y123456789\r\nY = y1234567890\r\n",
      // Values just short of plain: signs, blanks, other letters, other ends.
      "A = y-12345678\r\nB = y-123456789\r\nC = y-0\r\nD = y$1F\r\nE = y 1\r\nF = y1 \r\n"
      "G = y1;H = y2\r\nI = Y7\r\n",
      "A = y1\r\nB = y2\nC = y3\r\n",
      "A = \xE2"
      "1\r\nB = 11\r\n",
      "A = y-\r\n",
      "A = y9999999999\r\n",
      "A = y\r\n",
      "A = y1",
      "A = y1\r\nB = ",
      "A = y1\r\nB",
      // Names just short of plain.
      "\tA = y1\r\nL[1] = y2\r\nM [2] = y3\r\nN\t= y4\r\nO=y5\r\nP(Q = y6\r\n;R = y7\r\n",
      "A$ = y1\r\n",
      "@A = y1\r\n",
      "A B = y1\r\n",
      "\xC0\xE1\xB8 = y1\r\n(\xE0\xC1) = 'a'\r\n\xE0\xC1\xA8 = y2\r\n",
      // Constants just short of plain.
      "(X) = 'a' tail\r\n(Y) = 'b'\r\n",
      "(X) = 'a'",
      "(X) = 'a'\r",
      "(X) = 'a'\r\n",
      "(X) = 'a\0b'\r\n(Y) = 'c'\r\n"sv,
      "(X) = 'a\r\nb'\r\n(Y) = 'c'\r\n",
      "(X) = 'a\r\nZ = y1\r\n",
      "(X\r\n) = 'a'\r\n",
      "(X\n) = 'a'\r\n",
      "(X) = a\r\n",
      "(X)\t= 'a'\r\n",
      "(X) 'a'\r\n",
      "() = 'a'\r\n",
      "( X ) = 'a'\r\n(X) = 'b'\r\n",
      // Names taken twice: at once, a line apart, past the lines read ahead,
      // in another letter case, a variable and a constant of the same name.
      "A = y1\r\na = y2\r\n",
      "A = y1\r\nB = y2\r\nA = y3\r\n",
      "(A) = 'a'\r\nA = y1\r\n(a) = 'b'\r\n",
      "AB = y1\r\n(C) = 'c'\r\n(c) = 'd'\r\n",
  };
  std::string filler;
  for (int i = 0; i < 20; ++i) {
    filler.append("FILL").append(std::to_string(i)).append(" = v").append(std::to_string(i));
    filler.append("\r\n");
    if (i % 3 == 0) filler.append("(FILL").append(std::to_string(i)).append(") = 'fill'\r\n");
  }
  for (std::string_view file : files) {
    for (const std::string& text : {std::string(file), filler + std::string(file)}) {
      EXPECT_EQ(Readable(Outcome(text, ReadDeclarationsCarefully)),
                Readable(Outcome(text, ReadDeclarations)))
          << Readable(text);
    }
  }
}

// A file of many plain lines with one name taken again at each place in turn,
// so that the taken name falls at every place among the lines read ahead.
TEST(ReadDeclarations, TakenNameAnywhereAmongPlainLines) {
  for (int at = 2; at < 40; ++at) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
      if (i % 2) {
        text.append("(C").append(std::to_string(i == at ? 1 : i)).append(") = 'text ");
        text.append(std::to_string(i)).append("'\r\n");
      } else {
        text.append("V").append(std::to_string(i == at ? 0 : i)).append(" = y");
        text.append(std::to_string(i)).append("\r\n");
      }
    }
    std::string careful = Outcome(text, ReadDeclarationsCarefully);
    ASSERT_NE(std::string::npos, careful.find("error")) << at;
    EXPECT_EQ(Readable(careful), Readable(Outcome(text, ReadDeclarations))) << at;
  }
}

// Each warning of the declarations, with its line, as either reader gives it;
// the one about LF line ends comes once a file however many values it ends.
TEST(ReadDeclarations, WarningsWithTheirLines) {
  const std::string lineFeed = W("строка объявления переменной кончается LF без CR");
  const std::string letter = W("буква значения переменной $A$ не латинская");
  const std::string afterQuote = W("текст после закрывающей кавычки константы пропущен");
  const std::string swallowed = W("значение константы (X) продолжается на следующих строках");
  const struct {
    std::string_view text;
    std::vector<std::pair<std::string, int>> warnings;  // the start of each, and its line
  } cases[] = {
      {"A = y1\n;\nB = y2\n;\r\nC = y3\n", {{lineFeed, 1}}},
      {"\r\nA = \xE2"
       "1\r\nB = y1\n",
       {{letter, 2}, {lineFeed, 3}}},
      {"(X) = 'a' tail\r\n(Y) = 'b';\r\n", {{afterQuote, 1}}},
      {"(X) = 'a\r\nZ = y1\r\n'\r\n", {{swallowed, 1}}},
  };
  for (const auto& t : cases) {
    for (bool quick : {true, false}) {
      std::string outcome = DeclarationsOutcome(t.text, quick);
      std::vector<std::pair<std::string, int>> warnings;
      for (size_t at = 0; (at = outcome.find("warning ", at)) != std::string::npos; ++at) {
        size_t line = outcome.find(" @", at) + 2;
        std::string text = outcome.substr(at + 8, line - 2 - at - 8);
        for (const auto& [start, expectedLine] : t.warnings) {
          if (text.starts_with(start)) text = start;
        }
        warnings.emplace_back(text, std::stoi(outcome.substr(line)));
      }
      EXPECT_EQ(t.warnings, warnings) << Readable(std::string(t.text)) << quick;
    }
  }
}

}  // namespace
}  // namespace zunt
