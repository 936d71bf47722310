#include "cursor/cursor.h"

#include <gtest/gtest.h>

#include "cursor/fold.h"
#include "cursor/wide.h"
#include "test_util.h"

namespace zunt {
namespace {

TCursor At(std::string_view data) {
  TCursor cursor;
  cursor.InitCursor(data, '\n');
  return cursor;
}

// The place of each byte, asked in an order that jumps between lines (the
// cursor keeps the last line's bounds): line, column and text as counted afresh.
TEST(PlaceOf, AnyOrderOfQuestions) {
  const std::string_view data = "ab\r\ncd\n\nefg\r\n\r";
  const struct {
    size_t at;
    uint64_t line, column;
    std::string_view text;
  } places[] = {
      {5, 2, 2, "cd"}, {0, 1, 1, "ab"}, {3, 1, 3, "ab"},  {2, 1, 3, "ab"},
      {7, 3, 1, ""},   {6, 2, 3, "cd"}, {8, 4, 1, "efg"}, {11, 4, 4, "efg"},
      {1, 1, 2, "ab"}, {13, 5, 1, ""},  {9, 4, 2, "efg"}, {12, 4, 4, "efg"},
      {14, 5, 1, ""},  {99, 5, 1, ""},  {4, 2, 1, "cd"},  {10, 4, 3, "efg"},
  };
  TCursor c = At(data);
  c.Pos = data.size();
  c.CountLines();
  for (const auto& p : places) {
    TPlace place = c.PlaceOf(p.at);
    EXPECT_EQ(p.line, place.Line) << p.at;
    EXPECT_EQ(p.column, place.Column) << p.at;
    EXPECT_EQ(p.text, place.LineText) << p.at;
  }
}

TEST(SkipAndMatch, EmptyPatternConsumesFirstUnskippedByte) {
  TCursor c = At("\r\n\r\n  x");
  EXPECT_EQ(kMatched, c.SkipAndMatch(TCharSet("\n\r "), "", false));
  EXPECT_EQ(7u, c.Pos);
  EXPECT_EQ(3u, c.Line);
}

TEST(SkipAndMatch, MismatchIsGivenBack) {
  TCursor c = At("   :");
  EXPECT_EQ(':', c.SkipAndMatch(TCharSet(" "), "=", true));
  EXPECT_EQ(3u, c.Pos);

  // A line feed given back is uncounted again.
  c = At(" \nx");
  EXPECT_EQ('\n', c.SkipAndMatch(TCharSet(" "), "=", true));
  EXPECT_EQ(1u, c.Pos);
  EXPECT_EQ(1u, c.Line);
}

TEST(SkipAndMatch, EndOfDataGivesBackFinalLineFeed) {
  TCursor c = At("  \n \n");
  EXPECT_EQ(kEndOfData, c.SkipAndMatch(TCharSet(" \n"), "", false));
  EXPECT_EQ(4u, c.Pos);
  EXPECT_EQ(2u, c.Line);

  // Nothing read: nothing changes.
  c = At("a\n");
  c.Pos = c.LineAt = 2;  // line 2 counted up to here
  c.Line = 2;
  EXPECT_EQ(kEndOfData, c.SkipAndMatch(TCharSet(" "), "", false));
  EXPECT_EQ(2u, c.Pos);
  EXPECT_EQ(2u, c.Line);
}

TEST(SkipAndMatch, PatternRestartsOnMismatch) {
  TCursor c = At("aab");
  EXPECT_EQ(kMatched, c.SkipAndMatch(TCharSet(), "ab", true));
  EXPECT_EQ(3u, c.Pos);

  c = At("ac");
  EXPECT_EQ('c', c.SkipAndMatch(TCharSet(), "ab", true));
  EXPECT_EQ(1u, c.Pos);

  c = At("axxab");
  EXPECT_EQ(kMatched, c.SkipAndMatch(TCharSet(), "ab", false));
  EXPECT_EQ(5u, c.Pos);
}

TEST(ScanUntil, EndsAndResults) {
  const TCharSet stop(")"), error("\r");
  struct {
    std::string_view data;
    TScanEnd end;
    std::string_view text;
    unsigned char byte;
    size_t pos;
  } cases[] = {
      {"NAME)rest", TScanEnd::Stopped, "NAME", 0, 5},
      {")", TScanEnd::Stopped, "", 0, 1},
      {"NA\rME)", TScanEnd::Interrupted, "", '\r', 2},
      {"NAME", TScanEnd::EndOfData, "NAME", 0, 4},
      {"", TScanEnd::EndOfData, "", 0, 0},
      // Texts that a marker byte in the result could be mistaken for.
      {"\xFF)", TScanEnd::Stopped, "\xFF", 0, 2},
      {std::string_view("\0\r)", 3), TScanEnd::Interrupted, "", '\r', 1},
      {std::string_view("\0x)", 3), TScanEnd::Stopped, std::string_view("\0x", 2), 0, 3},
  };
  for (const auto& t : cases) {
    TCursor c = At(t.data);
    TScan scan = c.ScanUntil(stop, error);
    EXPECT_EQ(t.end, scan.End) << t.data;
    EXPECT_EQ(t.text, scan.Text) << t.data;
    EXPECT_EQ(t.byte, scan.Byte) << t.data;
    EXPECT_EQ(t.pos, c.Pos) << t.data;
  }
}

TEST(ScanUntil, CountsPassedAndStoppingLineFeedsButNotInterrupting) {
  TCursor c = At("a\nb\n;");
  c.ScanUntil(TCharSet("\n"), TCharSet());
  EXPECT_EQ(2u, c.Line);
  c.ScanUntil(TCharSet(";"), TCharSet());
  EXPECT_EQ(3u, c.Line);

  c = At("ab\ncd");
  EXPECT_EQ(TScanEnd::Interrupted, c.ScanUntil(TCharSet("\n"), TCharSet("\n")).End);
  EXPECT_EQ(1u, c.Line);
  EXPECT_EQ(2u, c.Pos);

  c = At("x\ny\nz");
  EXPECT_EQ(TScanEnd::EndOfData, c.ScanUntil(TCharSet(";"), TCharSet()).End);
  EXPECT_EQ(3u, c.Line);
}

// The wide scan for small sets ends exactly as the byte-at-a-time one: same
// end, byte, text, position and line, before and past sixteen bytes.
TEST(ScanUntil, SmallSetsScanAsByteSets) {
  struct {
    const char* stop;
    const char* error;
  } sets[] = {{"=", "\r$@"}, {"\r;", ""}, {"'", ""}, {")", "\r"}, {"=", "\n$@"}, {"\n;", ""}};
  std::string texts[] = {"",
                         "A",
                         "NAME = y1\r\n",
                         "a\nb\nc\nd\ne\nf\ng\nh\ni\nj$k=",
                         "multi\nline\n text'",
                         std::string(40, 'x') + "\n" + std::string(20, 'y') + ";",
                         "(NAME\r) = '1'"};
  for (const auto& set : sets) {
    std::string either = std::string(set.stop) + set.error;
    TStopBytes wide(either, '\n');
    for (const std::string& text : texts) {
      for (size_t from = 0; from <= text.size() && from < 3; ++from) {
        TCursor a = At(text), b = At(text);
        a.Pos = b.Pos = from;
        TScan narrow = a.ScanUntil(TCharSet(either), TCharSet(set.error));
        TScan fast = b.ScanUntil(wide, TCharSet(set.error));
        std::string where = Readable(text) + " from " + std::to_string(from) + " stop " + set.stop;
        EXPECT_EQ(narrow.End, fast.End) << where;
        EXPECT_EQ(narrow.Byte, fast.Byte) << where;
        EXPECT_EQ(narrow.Text, fast.Text) << where;
        EXPECT_EQ(a.Pos, b.Pos) << where;
        EXPECT_EQ(a.Line, b.Line) << where;
      }
    }
  }
}

TEST(SkipLine, MovesPastLineFeed) {
  TCursor c = At("ab\ncd");
  EXPECT_TRUE(c.SkipLine());
  EXPECT_EQ(3u, c.Pos);
  EXPECT_EQ(2u, c.Line);
  EXPECT_FALSE(c.SkipLine());
  EXPECT_EQ(5u, c.Pos);
  EXPECT_FALSE(c.SkipLine());
  EXPECT_EQ(5u, c.Pos);
  EXPECT_EQ(2u, c.Line);
}

// FindAny looks at sixteen bytes at a time past its first sixteen: stops and
// line feeds are placed on both sides of those block edges, and high bytes
// must not be taken for stops.
TEST(FindAny, StopsAtFirstStopByteAndCountsLineFeedsBeforeIt) {
  constexpr TStopBytes kStops("$@(`~", '\n');
  constexpr TStopBytes kCompact("$@(`~\n ", '\n');
  for (size_t size : {0, 1, 15, 16, 17, 31, 32, 33, 47, 48, 100, 5000}) {
    std::string base(size, 'a');
    for (size_t i = 0; i < size; ++i) {
      if (i % 7 == 3) base[i] = '\n';
      if (i % 11 == 5) base[i] = static_cast<char>(0xA4 + i % 0x5C);  // never a stop byte
    }
    for (size_t stopAt : {size_t{0}, size / 2, size > 0 ? size - 1 : 0, size}) {
      for (char stop : {'$', '@', '(', '`', '~'}) {
        std::string data = base;
        if (stopAt < size) data[stopAt] = stop;
        uint64_t lineFeeds = 7;
        size_t found = fast::FindAny(data, 0, kStops, &lineFeeds);
        size_t want = std::min(stopAt, size);
        ASSERT_EQ(want, found) << "size " << size << " stop " << stop << " at " << stopAt;
        ASSERT_EQ(7 + std::count(data.begin(), data.begin() + want, '\n'), lineFeeds)
            << "size " << size << " stop at " << stopAt;
      }
    }
    // In compact mode the line feed stops: nothing is counted.
    uint64_t lineFeeds = 0;
    EXPECT_EQ(std::min(base.find('\n'), size), fast::FindAny(base, 0, kCompact, &lineFeeds));
    EXPECT_EQ(0u, lineFeeds);
  }
  // The search starts at the given position; a tally of more than 255 line
  // feeds per lane is added up without overflowing.
  std::string lines(16 * 300, '\n');
  uint64_t lineFeeds = 0;
  EXPECT_EQ(lines.size(), fast::FindAny(lines + "$", 0, TStopBytes("$", '\n'), &lineFeeds) - 0);
  EXPECT_EQ(lines.size(), lineFeeds);
  lineFeeds = 0;
  EXPECT_EQ(40u, fast::FindAny("$$$$ $$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$$ $", 5,
                               TStopBytes(" ", '$'), &lineFeeds));
  EXPECT_EQ(35u, lineFeeds);
}

// Names are hashed eight bytes at a time, the ASCII ones without the fold
// table, and the last few bytes in pieces that may overlap: a name of every
// length from 1 to 24, in either case, with and without Cyrillic letters, has
// one hash; names one byte apart have different ones.
TEST(Fold, HashIsTheSameInAnyCaseForEveryLength) {
  const std::string small = W("abcdefghijklmnopqrstuvwxyz_0123456789жёўїhello");
  const std::string capital = W("ABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789ЖЁЎЇHELLO");
  for (size_t start : {0, 3, 20}) {
    for (size_t n = 1; n <= 24 && start + n <= small.size(); ++n) {
      std::string_view a = std::string_view(small).substr(start, n);
      std::string_view b = std::string_view(capital).substr(start, n);
      EXPECT_TRUE(SameName(a, b)) << start << " " << n;
      EXPECT_EQ(HashName(a), HashName(b)) << start << " " << n;
      std::string other(b);
      other[n - 1] = other[n - 1] == '0' ? '1' : '0';
      EXPECT_NE(HashName(b), HashName(other)) << start << " " << n;
      other = std::string(b);
      other[0] = other[0] == '0' ? '1' : '0';
      EXPECT_NE(HashName(b), HashName(other)) << start << " " << n;
    }
  }
}

TEST(Fold, UpperCaseNameFoldsLatinRussianAndYo) {
  std::string name = W("quest_ёж1 ўя");
  UpperCaseName(name);
  EXPECT_EQ(W("QUEST_ЁЖ1 ўЯ"), name);  // ў is not folded here
}

TEST(Fold, SameNamePairsEveryCapitalWithItsSmallLetter) {
  const char* pairs[] = {"Ёё", "Ўў", "Іі", "Її", "Єє", "Ґґ", "Јј", "Ѕѕ", "Ђђ",
                         "Ѓѓ", "Љљ", "Њњ", "Ќќ", "Ћћ", "Џџ", "Аа", "Яя", "Zz"};
  for (const char* utf8 : pairs) {
    std::string pair = W(utf8);
    ASSERT_EQ(2u, pair.size()) << utf8;
    EXPECT_TRUE(SameName(pair.substr(0, 1), pair.substr(1))) << utf8;
    EXPECT_EQ(HashName(pair.substr(0, 1)), HashName(pair.substr(1))) << utf8;
  }
  EXPECT_FALSE(SameName(W("Е"), W("Ё")));
  EXPECT_FALSE(SameName("[", "{"));  // bytes 32 apart that are not letters
  EXPECT_FALSE(SameName(W("ё"), W("ј")));
  EXPECT_FALSE(SameName("AB", "A"));
}

TEST(Win1251, ConvertsBothWays) {
  EXPECT_EQ("\xD3\xEA\xE0\xE7\xE0\xED\xED\xFB\xE9 \xB9\xA8\xB8", W("Указанный №Ёё"));
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;
    std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(byte, W(Utf8FromWin1251(byte))) << b;
  }
  EXPECT_EQ("\xEF\xBF\xBD", Utf8FromWin1251("\x98"));
  EXPECT_EQ("??", W("\xE2\x82"));  // a cut sequence: each byte
  // Characters the code page lacks, of two, three and four bytes in UTF-8.
  EXPECT_EQ("?a??\xE5?", W("\u00FFa\u65E5\uFFFDе\U0001F600"));
}

}  // namespace
}  // namespace zunt
