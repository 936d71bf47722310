#include <gtest/gtest.h>

#include <cctype>

#include "base/fail.h"
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

}  // namespace
}  // namespace zunt
