// What reaches a terminal from hostile bytes: every control byte of a file or
// a file name shown as its picture or "\xNN", never obeyed; and when colour is on.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "driver/command_line.h"
#include "driver/driver.h"
#include "driver/safe_text.h"
#include "driver/terminal.h"
#include "platform/fake.h"
#include "test_util.h"

namespace zunt {
namespace {

using namespace std::literals;

// The console of the command-line program, kept in memory.
struct TMemoryConsole final : TConsole {
  std::string Err, Std;
  bool OutFails = false;
  void Error(std::string_view text) override { Err += text; }
  bool Out(std::string_view text) override {
    Std += text;
    return !OutFails;
  }
  bool ColorsByDefault() const override { return false; }
};

// Runs the command line with the files given (bytes as they are); returns stderr.
std::string RunWith(TFakePlatform& platform, std::initializer_list<const char*> words,
                    int* status = nullptr) {
  std::vector<std::string> args{"zunt"};
  args.insert(args.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : args) argv.push_back(word.data());
  argv.push_back(nullptr);
  TMemoryConsole console;
  int got = RunCommandLine(platform, console, static_cast<int>(args.size()), argv.data());
  if (status != nullptr) *status = got;
  return console.Err;
}

// Returns the parts one after another.
std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view part : parts) out += part;
  return out;
}

TEST(Terminal, HostileFileBytes) {
  struct {
    std::string txt, erm, expected;
  } cases[] = {
      // OSC title and BEL in an undeclared name: in the message and the quote.
      {"HERO = y100\r\n", "$T\x1b]0;PWNED\x07$\r\n",
       "q.erm:1:1: error: Переменной $T␛]0;PWNED␇$ не существует!\n"
       "    1 | $T␛]0;PWNED␇$\n"
       "      | ^\n"},
      // The interrupting byte is a lone CR: its picture, not a blank.
      {"(C) \rx\r\n", "x",
       "q.txt:1:5: error: Некорректный символ {␍} прервал описание константы!\n"
       "    1 | (C) ␍x\n"
       "      |     ^\n"},
      // NUL and DEL in a constant's name; ESC in a duplicate's.
      {"(A\x7f\0)='1'\r\n"s, "(A\x7f\0B)"s,
       "q.erm:1:1: error: Константы (A␡␀B) не существует!\n"
       "    1 | (A␡␀B)\n"
       "      | ^\n"
       "q.txt:1:1: note: может быть, (A␡␀)?\n"
       "    1 | (A␡␀)='1'\n"
       "      | ^\n"},
      {"A\x1b]0;X\x07Y = y1\r\na\x1b]0;x\x07y = y2\r\n", "x",
       "q.txt:2:1: error: Переменная $A␛]0;X␇Y$ уже была объявлена ранее!\n"
       "    2 | a␛]0;x␇y = y2\n"
       "      | ^\n"
       "q.txt:1:1: note: переменная $A␛]0;X␇Y$ впервые объявлена здесь\n"
       "    1 | A␛]0;X␇Y = y1\n"
       "      | ^\n"},
      // A warning's letter that is a control byte.
      {"A = \x7f"
       "1\r\n",
       "$A$",
       "q.txt:1:5: warning: буква значения переменной $A$ не латинская: «␡» [-Wnon-latin-letter]\n"
       "    1 | A = ␡1\n"
       "      |     ^\n"},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    platform.AddFile("q.txt", t.txt);
    platform.AddFile("q.erm", t.erm);
    EXPECT_EQ(t.expected, RunWith(platform, {"q"})) << Readable(t.erm);
  }
}

TEST(Terminal, HostilePaths) {
  // A name that would forge a second error line, and one whose folder holds a
  // C1 control (CSI) and a byte that is not UTF-8.
  const std::string forged = "q\x1b]0;x\x07\nforged:7:1: error: bogus";
  TFakePlatform missing;
  EXPECT_EQ(
      "q␛]0;x␇␊forged:7:1: error: bogus.txt: error: Указанный файл не существует! "
      "(q␛]0;x␇␊forged:7:1: error: bogus.txt).\n",
      RunWith(missing, {forged.c_str()}));

  TFakePlatform odd;
  odd.AddFile("d\xC2\x9B\xFF\xD0\x96/q.txt", "A = y1\r\n");
  odd.AddFile("d\xC2\x9B\xFF\xD0\x96/q.erm", "$A$ $B$");
  odd.AddFile("d\xC2\x9B\xFF\xD0\x96/r.txt", "A = y1\r\n");
  odd.AddFile("d\xC2\x9B\xFF\xD0\x96/r.erm", "$A$");
  int status = 0;
  EXPECT_EQ(
      "d\\xC2\\x9B\\xFFЖ/q.erm:1:5: error: Переменной $B$ не существует!\n"
      "    1 | $A$ $B$\n"
      "      |     ^\n"
      "d\\xC2\\x9B\\xFFЖ/q.txt:1:1: note: может быть, $A$?\n"
      "    1 | A = y1\n"
      "      | ^\n"
      "d\\xC2\\x9B\\xFFЖ/r.erm -> ../r.erm\n",
      RunWith(odd, {"-v", "d\xC2\x9B\xFF\xD0\x96/q", "d\xC2\x9B\xFF\xD0\x96/r"}, &status));
  EXPECT_EQ(1, status);

  // An option's word from the command line is shown the same way.
  TFakePlatform none;
  EXPECT_EQ("zunt: error: неизвестный параметр «--␛[31m»\nПодробнее: zunt --help\n",
            RunWith(none, {"--\x1b[31m"}, &status));
  EXPECT_EQ(2, status);
}

TEST(Terminal, SafePathBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"ok/Ж€😀.erm", "ok/Ж€😀.erm"},                                  // UTF-8 stays
      {"a\tb", "a\tb"},                                              // the tab stays
      {"\x01\x1f\x7f", "␁␟␡"},                                       // C0 and DEL: pictures
      {"\xC2\x80\xC2\x9F\xC2\xA0", "\\xC2\\x80\\xC2\\x9F\xC2\xA0"},  // C1, then U+00A0
      {"\xC0\xAF\xE0\x80\xAF", "\\xC0\\xAF\\xE0\\x80\\xAF"},         // overlong forms
      {"\xED\xA0\x80\xF4\x90\x80\x80",
       "\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80"},  // surrogate, >U+10FFFF
      {"\xD0", "\\xD0"},                        // cut short
      {"\xE2\x82", "\\xE2\\x82"},
  };
  for (const auto& [path, shown] : cases) EXPECT_EQ(shown, SafePath(path)) << shown;
}

TEST(Terminal, ColourAndTheAutoRule) {
  TFail report(TSeverity::Warning, TBoxPrefix::None, "x\x1b[0m\r\ny\rz"s, 2);
  report.File = "a\x1b.erm";
  report.Quote("\x1b", 1);
  EXPECT_EQ(
      "\033[01m\033[Ka␛.erm:2:1:\033[m\033[K \033[01;35m\033[Kwarning: \033[m\033[K"
      "x␛[0m y␍z\n"
      "    2 | ␛\n"
      "      | \033[01;32m\033[K^\033[m\033[K\n",
      TerminalText(report, true));

  struct {
    bool terminal;
    const char *noColor, *term;
    bool colours;
  } rules[] = {
      {true, nullptr, "xterm", true},   {true, "", "xterm", true},
      {true, "1", "xterm", false},      {true, nullptr, "dumb", false},
      {true, nullptr, nullptr, false},  {true, nullptr, "", true},
      {false, nullptr, "xterm", false},
  };
  for (const auto& r : rules) {
    EXPECT_EQ(r.colours, AutoColor(r.terminal, r.noColor, r.term))
        << r.terminal << " " << (r.noColor ? r.noColor : "unset") << " "
        << (r.term ? r.term : "unset");
  }
}

TEST(Terminal, BoundedReports) {
  // Twenty warnings a file, then one note that counts the rest, in the right
  // form of the word; --strict counts the hidden ones too.
  const std::pair<int, std::string_view> counts[] = {
      {20, ""},
      {21, "q.erm: note: ещё 1 предупреждение не показано\n"},
      {24, "q.erm: note: ещё 4 предупреждения не показано\n"},
      {31, "q.erm: note: ещё 11 предупреждений не показано\n"},
      {42, "q.erm: note: ещё 22 предупреждения не показано\n"},
      {45, "q.erm: note: ещё 25 предупреждений не показано\n"},
  };
  for (const auto& [count, note] : counts) {
    std::string erm;
    for (int i = 0; i < count; ++i) erm += "$A[1]x$\n";
    TFakePlatform platform;
    platform.AddFile("q.txt", "A = y1\r\n");
    platform.AddFile("q.erm", erm);
    std::string err = RunWith(platform, {"q"});
    EXPECT_TRUE(err.ends_with(Cat({"   20 | $A[1]x$\n      |      ^\n", note}))) << err;
    int status = 0;
    RunWith(platform, {"--strict", "q"}, &status);
    EXPECT_EQ(1, status);
  }

  // A long line is quoted around the caret, "…" where it is cut; a long
  // name in the message keeps its start and its end.
  const std::string xs(300, 'x'), Xs(300, 'X'), spaces(300, ' ');
  const std::string_view x = xs, X = Xs, blanks = spaces;
  const struct {
    std::string erm, expected;
  } lines[] = {
      {Cat({"$", x, "$", x}),
       Cat({"q.erm:1:1: error: Переменной $", X.substr(0, 68), "…", X.substr(0, 144),
            "$ не существует!\n    1 | $", x.substr(0, 199), "…\n      | ^\n"})},
      {Cat({x, "\t$B$", x, "\r\n"}),
       Cat({"q.erm:1:302: error: Переменной $B$ не существует!\n    1 | …", x.substr(0, 65),
            "\t$B$", x.substr(0, 131), "…\n      |  ", blanks.substr(0, 65), "\t^\n",
            "q.txt:1:1: note: может быть, $A$?\n    1 | A = y1\n      | ^\n"})},
      {Cat({x, "$B$"}), Cat({"q.erm:1:301: error: Переменной $B$ не существует!\n    1 | …",
                             x.substr(0, 197), "$B$\n      |  ", blanks.substr(0, 197), "^\n",
                             "q.txt:1:1: note: может быть, $A$?\n    1 | A = y1\n      | ^\n"})},
      {Cat({x, "$", x}),
       Cat({"q.erm:1:301: error: Неожиданный конец переменной!\n    1 | …", x.substr(0, 66), "$",
            x.substr(0, 133), "…\n      |  ", blanks.substr(0, 66), "^\n"})},
      {Cat({x, "$", x, "\r\n"}),
       Cat({"q.erm:1:602: error: Некорректный символ \"Конец строки\" прервал переменную!\n    1 | "
            "…",
            x.substr(0, 200), "\n      |  ", blanks.substr(0, 200), "^\n",
            "q.erm:1:301: note: ссылка на переменную начинается здесь\n    1 | …", x.substr(0, 66),
            "$", x.substr(0, 133), "…\n      |  ", blanks.substr(0, 66), "^\n"})},
  };
  for (const auto& t : lines) {
    TFakePlatform platform;
    platform.AddFile("q.txt", "A = y1\r\n");
    platform.AddFile("q.erm", t.erm);
    EXPECT_EQ(t.expected, RunWith(platform, {"q"}));
  }
}

// Where the caret stands at the edges of the quote: near the start of a long
// line (quoted from its start up to a third of the window, cut after that),
// past the end of the quoted bytes, and no quote for a place with no column.
TEST(Terminal, QuoteEdges) {
  const std::string x(300, 'x');
  const struct {
    std::string erm, expected;
  } cases[] = {
      {x.substr(0, 66) + "$B$" + x, "q.erm:1:67: error: Переменной $B$ не существует!\n    1 | " +
                                        x.substr(0, 66) + "$B$" + x.substr(0, 131) + "…\n      | " +
                                        std::string(66, ' ') + "^\n"},
      {x.substr(0, 90) + "$B$" + x, "q.erm:1:91: error: Переменной $B$ не существует!\n    1 | …" +
                                        x.substr(0, 66) + "$B$" + x.substr(0, 131) +
                                        "…\n      |  " + std::string(66, ' ') + "^\n"},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    platform.AddFile("q.txt", "ALPHA = y1\r\n");  // no name near $B$: no note
    platform.AddFile("q.erm", t.erm);
    EXPECT_EQ(t.expected, RunWith(platform, {"q"})) << t.erm;
  }
  TFail report(TSeverity::Error, TBoxPrefix::Script, "text", 7);
  report.File = "q.erm";
  EXPECT_EQ("q.erm:7: error: text\n", TerminalText(report, false));
  report.Column = 5;
  report.SourceLine = "a\tb";
  EXPECT_EQ("q.erm:7:5: error: text\n    7 | a\tb\n      |  \t  ^\n", TerminalText(report, false));
}

// --color=always and --color=never hold whatever the console would do by
// default; --color alone means always.
TEST(Terminal, ColourOptionOverTheConsoleDefault) {
  struct TConsoleWithDefault final : TConsole {
    bool Default = false;
    std::string Err;
    void Error(std::string_view text) override { Err += text; }
    bool Out(std::string_view) override { return true; }
    bool ColorsByDefault() const override { return Default; }
  };
  const struct {
    const char* option;
    bool byDefault, colours;
  } cases[] = {
      {"--color=never", true, false}, {"--color=always", false, true}, {"--color", false, true},
      {"--color=auto", true, true},   {"--color=auto", false, false},  {"-v", true, true},
  };
  for (const auto& t : cases) {
    TFakePlatform platform;
    platform.AddFile("q.txt", "A = y1\r\n");
    platform.AddFile("q.erm", "$B$");
    std::string words[] = {"zunt", t.option, "q"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(), nullptr};
    TConsoleWithDefault console;
    console.Default = t.byDefault;
    EXPECT_EQ(1, RunCommandLine(platform, console, 3, argv));
    EXPECT_EQ(t.colours, console.Err.find('\033') != std::string::npos)
        << t.option << " " << t.byDefault;
  }
}

// Every error of a line after an undeclared name, up to a syntax error that
// ends the line's check; NAME.txt that is also an include, read once; and
// the file names made absolute on request ("." and "name/.." taken out).
TEST(CommandLine, LaterErrorsOfALineSharedNameAndAbsolutePaths) {
  TFakePlatform platform;
  platform.AddFile("common.txt", "HERO = y1\r\n(G) = 'g'\r\n");
  platform.AddFile("common.erm", "$HERO$ $NOPE$ (G) $NADA$\r\n$$ $NOPE$\r\n");
  platform.AddFile("sub/../other.txt", "A = v1\r\n");
  platform.AddFile("sub/../other.erm", "$A$ $B$\r\n");
  int status = 0;
  EXPECT_EQ(
      "common.erm:1:8: error: Переменной $NOPE$ не существует!\n"
      "    1 | $HERO$ $NOPE$ (G) $NADA$\n"
      "      |        ^\n"
      "common.erm:1:19: error: Переменной $NADA$ не существует!\n"
      "    1 | $HERO$ $NOPE$ (G) $NADA$\n"
      "      |                   ^\n"
      "common.erm:2:1: error: Пустые переменные запрещены!\n"
      "    2 | $$ $NOPE$\n"
      "      | ^\n",
      RunWith(platform, {"-i", "common.txt", "--", "common"}, &status));
  EXPECT_EQ(1, status);
  EXPECT_EQ(
      "/home/user/other.erm:1:5: error: Переменной $B$ не существует!\n"
      "    1 | $A$ $B$\n"
      "      |     ^\n"
      "/home/user/other.txt:1:1: note: может быть, $A$?\n"
      "    1 | A = v1\n"
      "      | ^\n",
      RunWith(platform, {"--absolute-paths", "sub/../other"}));
  platform.Working = "/w";
  platform.AddFile("other.erm", "$A$\r\n");
  platform.AddFile("other.txt", "A = v1\r\n");
  EXPECT_EQ("/w/other.erm -> /other.erm\n", RunWith(platform, {"--absolute-paths", "-v", "other"}));
}

}  // namespace
}  // namespace zunt
