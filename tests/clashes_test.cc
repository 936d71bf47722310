// One variable under two names: the warnings about a declaration that binds
// a letter and number bound already (alias) and about an index that lands on
// another name's variable (overlap), as the terminal shows them.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/driver.h"
#include "driver/terminal.h"
#include "platform/fake.h"
#include "terminal_capture.h"
#include "test_util.h"

namespace zunt {
namespace {

// Runs "quest" with common.txt (when given) as an include; returns what the
// terminal shows, in UTF-8.
std::string RunQuest(std::string_view common, std::string_view txt, std::string_view erm,
                     TRunOptions options = TRunOptions::CommandLine()) {
  TFakePlatform platform;
  if (!common.empty()) {
    platform.AddFile("common.txt", W(common));
    options.Includes = {"common.txt"};
  }
  if (!txt.empty()) platform.AddFile("quest.txt", W(txt));
  platform.AddFile("quest.erm", W(erm));
  TTerminalCapture capture;
  Run(platform, "quest", options, capture);
  return capture.Text;
}

TEST(Clashes, TwoNamesForOneVariable) {
  struct {
    std::string_view common, txt, erm, expected;
  } cases[] = {
      // An include's name and NAME.txt's; the number as written does not matter.
      {"HERO = y100\r\n", "КОНЬ = y0100\r\n", "x",
       "quest.txt:1:1: warning: $КОНЬ$ — та же переменная y100, что и $HERO$ [-Walias]\n"
       "    1 | КОНЬ = y0100\n"
       "      | ^\n"
       "common.txt:1:1: note: $HERO$ объявлена здесь\n"
       "    1 | HERO = y100\n"
       "      | ^\n"},
      // Within one file, hexadecimal against decimal, each read by the quick
      // reader and the careful one; another letter byte is another variable.
      {"", "A = v$10\r\nB = V16\r\n  C = v16;; c\r\n", "x",
       "quest.txt:3:3: warning: $C$ — та же переменная v16, что и $A$ [-Walias]\n"
       "    3 |   C = v16;; c\n"
       "      |   ^\n"
       "quest.txt:1:1: note: $A$ объявлена здесь\n"
       "    1 | A = v$10\n"
       "      | ^\n"},
      // A local against a global, and against a live local; none after "~~".
      {"HERO = y100\r\n", "", "~T=y100;~A=z1;~B=z1;~~~C=z1;\r\n",
       "quest.erm:1:1: warning: $T$ — та же переменная y100, что и $HERO$ [-Walias]\n"
       "    1 | ~T=y100;~A=z1;~B=z1;~~~C=z1;\n"
       "      | ^\n"
       "common.txt:1:1: note: $HERO$ объявлена здесь\n"
       "    1 | HERO = y100\n"
       "      | ^\n"
       "quest.erm:1:15: warning: $B$ — та же переменная z1, что и $A$ [-Walias]\n"
       "    1 | ~T=y100;~A=z1;~B=z1;~~~C=z1;\n"
       "      |               ^\n"
       "quest.erm:1:9: note: $A$ объявлена здесь\n"
       "    1 | ~T=y100;~A=z1;~B=z1;~~~C=z1;\n"
       "      |         ^\n"},
  };
  for (const auto& t : cases) EXPECT_EQ(t.expected, RunQuest(t.common, t.txt, t.erm)) << t.txt;
}

TEST(Clashes, IndexLandsOnAnotherName) {
  constexpr std::string_view kArmy =
      "ARMY = v200\r\nMORALE = v205\r\nFLAG = v$C7\r\nTOP = w2147483647\r\nLOW = w-2147483648\r\n";
  struct {
    std::string_view erm, expected;
  } cases[] = {
      // Positive (decimal and hexadecimal) and negative indexes, through the
      // tight loop (a long line) and the careful reader (~L, a local, is
      // declared on the same line); 0 is the name's own variable.
      {"!!VR$ARMY[5]$:S@ARMY[-1]@ $ARMY[0]$ $ARMY[1]$ $ARMY[x5]$ and some text after it\r\n"
       "~L=v201;@ARMY[1]@\r\n",
       "quest.erm:1:10: warning: $ARMY[5]$ попадает на v205, а это переменная $MORALE$ "
       "[-Woverlap]\n"
       "    1 | !!VR$ARMY[5]$:S@ARMY[-1]@ $ARMY[0]$ $ARMY[1]$ $ARMY[x5]$ and some text after it\n"
       "      |          ^\n"
       "common.txt:2:1: note: $MORALE$ объявлена здесь\n"
       "    2 | MORALE = v205\n"
       "      | ^\n"
       "quest.erm:1:21: warning: @ARMY[-1]@ попадает на v199, а это переменная $FLAG$ "
       "[-Woverlap]\n"
       "    1 | !!VR$ARMY[5]$:S@ARMY[-1]@ $ARMY[0]$ $ARMY[1]$ $ARMY[x5]$ and some text after it\n"
       "      |                     ^\n"
       "common.txt:3:1: note: $FLAG$ объявлена здесь\n"
       "    3 | FLAG = v$C7\n"
       "      | ^\n"
       "quest.erm:1:52: warning: $ARMY[5]$ попадает на v205, а это переменная $MORALE$ "
       "[-Woverlap]\n"
       "    1 | !!VR$ARMY[5]$:S@ARMY[-1]@ $ARMY[0]$ $ARMY[1]$ $ARMY[x5]$ and some text after it\n"
       "      |                                                    ^\n"
       "common.txt:2:1: note: $MORALE$ объявлена здесь\n"
       "    2 | MORALE = v205\n"
       "      | ^\n"
       "quest.erm:2:14: warning: @ARMY[1]@ попадает на v201, а это переменная $L$ [-Woverlap]\n"
       "    2 | ~L=v201;@ARMY[1]@\n"
       "      |              ^\n"
       "quest.erm:2:1: note: $L$ объявлена здесь\n"
       "    2 | ~L=v201;@ARMY[1]@\n"
       "      | ^\n"},
      // A sum that wraps around lands on the number it wraps to.
      {"$TOP[1]$",
       "quest.erm:1:5: warning: число с индексом выходит за 32 бита: 2147483647 + 1 дает "
       "-2147483648 [-Windex-overflow]\n"
       "    1 | $TOP[1]$\n"
       "      |     ^\n"
       "quest.erm:1:5: warning: $TOP[1]$ попадает на w-2147483648, а это переменная $LOW$ "
       "[-Woverlap]\n"
       "    1 | $TOP[1]$\n"
       "      |     ^\n"
       "common.txt:5:1: note: $LOW$ объявлена здесь\n"
       "    5 | LOW = w-2147483648\n"
       "      | ^\n"},
  };
  for (const auto& t : cases) EXPECT_EQ(t.expected, RunQuest(kArmy, "", t.erm)) << t.erm;
}

// Thousands of clashes: twenty shown a file, the rest counted, the tight loop
// and the careful reader alike; named off, none.
TEST(Clashes, ManyAreCountedAndNamedOff) {
  std::string txt, erm;
  for (int i = 0; i < 3000; ++i) {
    std::string name(1, 'N');
    name += std::to_string(i);
    txt.append(name).append(" = v").append(std::to_string(i / 2)).append("\r\n");
    erm.append("$").append(name).append("[1]$ ");
  }
  std::string text = RunQuest("", txt, erm);
  EXPECT_EQ(40u, static_cast<size_t>(std::count(text.begin(), text.end(), '^')) / 2);
  EXPECT_NE(std::string::npos, text.find("quest.txt: note: ещё 1480 предупреждений не показано"));
  EXPECT_NE(std::string::npos, text.find("quest.erm: note: ещё 2978 предупреждений не показано"));
  TRunOptions off = TRunOptions::CommandLine();
  for (const char* name : {"no-alias", "no-overlap"}) {
    ASSERT_TRUE(ReadWarningSwitch(name, &off.Wanted, &off.WantedGiven));
  }
  EXPECT_EQ("", RunQuest("", txt, erm, off));
}

}  // namespace
}  // namespace zunt
