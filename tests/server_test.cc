// The language server's pieces: places in a text, edits, framing, URIs,
// messages and the codes and ranges of reports.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/cp1251.h"
#include "server/analysis.h"
#include "server/fixes.h"
#include "server/names.h"
#include "server/protocol.h"
#include "server/reports.h"
#include "server/text.h"
#include "server/transport.h"
#include "server/uri.h"

namespace zunt {
namespace {

// "Ж" is one byte and one code unit; "😀" (U+1F600) is one "?" byte and two
// code units; "€" has a byte (0x88); "ā" (U+0101) has none.
const char kLine[] = "aЖ😀b€ā\r\nx\ry\n";

TEST(TextTest, PlacesAndOffsetsBothWays) {
  TText text;
  text.AssignUtf8(kLine);
  EXPECT_EQ(text.Bytes(), "a\xC6?b\x88?\r\nx\ry\n");
  ASSERT_EQ(text.Foreign().size(), 2u);
  struct {
    size_t Offset;
    TPosition Position;
  } cases[] = {
      {0, {0, 0}}, {1, {0, 1}}, {2, {0, 2}}, {3, {0, 4}},  {4, {0, 5}},  {5, {0, 6}},
      {6, {0, 7}}, {8, {1, 0}}, {9, {1, 1}}, {10, {2, 0}}, {11, {2, 1}}, {12, {3, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text.PositionOf(c.Offset), c.Position) << c.Offset;
    EXPECT_EQ(text.OffsetOf(c.Position), c.Offset) << c.Offset;
  }
  // Places inside a surrogate pair, past a line's end or past the last line.
  EXPECT_EQ(text.OffsetOf({0, 3}), 2u);
  EXPECT_EQ(text.OffsetOf({0, 99}), 6u);
  EXPECT_EQ(text.OffsetOf({1, 5}), 9u);
  EXPECT_EQ(text.OffsetOf({9, 0}), 12u);
  // U+10000, the first character outside the Basic Multilingual Plane, takes two.
  TText pair;
  pair.AssignUtf8("\xF0\x90\x80\x80x\xEF\xBF\xBFy");  // U+10000, "x", U+FFFF, "y"
  EXPECT_EQ(pair.PositionOf(1), (TPosition{0, 2}));
  EXPECT_EQ(pair.PositionOf(3), (TPosition{0, 4}));
  EXPECT_EQ(pair.OffsetOf({0, 4}), 3u);
  // The readers count lines by LF alone: line 2 of them starts at "x".
  EXPECT_EQ(text.OffsetOfReport(2, 3), 10u);
  EXPECT_EQ(text.OffsetOfReport(1, 99), 7u);
  EXPECT_EQ(text.Utf8(), kLine);
  EXPECT_EQ(text.Utf8(2, 5), "😀b€");
}

// The line starts kept through edits are those of the same text read afresh:
// edits that split and join CR LF, add and remove lone CRs, at both ends.
TEST(TextTest, LinesKeptThroughEditsAreTheLinesOfTheText) {
  std::minstd_rand random(2026);
  const char* pieces[] = {"", "a", "\r", "\n", "\r\n", "Ж😀", "\n\r", "b\rc"};
  TText text;
  text.AssignUtf8("Ж😀\r\nx\ry\n\r\n");
  for (int edit = 0; edit < 3000; ++edit) {
    text.PositionOf(0);  // the lines are indexed, and kept by the edit
    uint32_t lines = text.PositionOf(text.Bytes().size()).Line + 1;
    auto place = [&] {
      return TPosition{static_cast<uint32_t>(random() % (lines + 1)),
                       static_cast<uint32_t>(random() % 4)};
    };
    TPosition a = place(), b = place();
    if (std::tie(b.Line, b.Character) < std::tie(a.Line, a.Character)) std::swap(a, b);
    text.Replace(TRange{a, b}, pieces[random() % std::size(pieces)]);
    TText fresh;
    fresh.AssignUtf8(text.Utf8());
    for (size_t at = 0; at <= text.Bytes().size(); ++at) {
      ASSERT_EQ(text.PositionOf(at), fresh.PositionOf(at)) << "edit " << edit << ", byte " << at;
    }
    // The readers' lines, counted by LF alone, found afresh.
    const std::string& bytes = text.Bytes();
    for (size_t line = 1, start = 0; start <= bytes.size(); ++line) {
      size_t lf = bytes.find('\n', start);
      size_t end = lf == std::string::npos ? bytes.size() : lf;
      ASSERT_EQ(text.OffsetOfReport(line, 2), std::min(start + 1, end)) << edit << " " << line;
      if (lf == std::string::npos) {
        ASSERT_EQ(text.OffsetOfReport(line + 1, 1), bytes.size());
        break;
      }
      start = lf + 1;
    }
  }
}

TEST(TextTest, EditsKeepTheCharactersWithoutBytes) {
  struct {
    const char* Before;
    TRange Range;
    const char* Insert;
    const char* After;
  } cases[] = {
      {"😀x😀", {{0, 2}, {0, 3}}, "ā", "😀ā😀"},        {"😀x😀", {{0, 0}, {0, 2}}, "", "x😀"},
      {"😀x😀", {{0, 3}, {0, 5}}, "Жy", "😀xЖy"},      {"ab\r\ncd", {{0, 1}, {1, 1}}, "😀\n", "a😀\nd"},
      {"ab", {{0, 1}, {0, 0}}, "Ё", "Ёb"},           // a reversed range
      {"ab", {{5, 0}, {6, 0}}, "\r\nc", "ab\r\nc"},  // past the end
      {"a😀b", {{0, 2}, {0, 2}}, "X", "aX😀b"},        // inside the pair: before it
  };
  for (const auto& c : cases) {
    TText text;
    text.AssignUtf8(c.Before);
    text.Replace(c.Range, c.Insert);
    EXPECT_EQ(text.Utf8(), c.After) << c.Before << " + " << c.Insert;
    TText fresh;
    fresh.AssignUtf8(c.After);
    EXPECT_EQ(text.Bytes(), fresh.Bytes()) << c.After;
    ASSERT_EQ(text.Foreign().size(), fresh.Foreign().size()) << c.After;
    for (size_t i = 0; i < fresh.Foreign().size(); ++i) {
      EXPECT_EQ(text.Foreign()[i].At, fresh.Foreign()[i].At) << c.After;
    }
  }
}

TEST(TextTest, Latin1TextStandsForItsBytes) {
  TText text;
  text.SetLatin1(true);
  text.AssignUtf8("Ïðèâåò ā");
  EXPECT_EQ(text.Bytes(), Win1251("Привет") + " ?");
  EXPECT_EQ(text.Utf8(), "Ïðèâåò ā");
  ASSERT_EQ(text.Foreign().size(), 7u);
  EXPECT_TRUE(text.Foreign()[0].Kept);
  EXPECT_FALSE(text.Foreign()[6].Kept);
}

TEST(TextTest, LoneLineFeedsReadAsCrLf) {
  struct {
    const char* Before;
    TRange Range;
    const char* Insert;
    const char* Bytes;
  } cases[] = {
      {"a\nb\n", {{0, 0}, {0, 0}}, "", "a\r\nb\r\n"},
      {"a\r\nb\n", {{0, 0}, {0, 0}}, "", "a\r\nb\r\n"},        // a CR LF stays one
      {"a\nb", {{0, 1}, {0, 1}}, "\nЖ\n", "a\r\nЖ\r\n\r\nb"},  // typed line ends
      {"a\nb", {{0, 1}, {1, 0}}, "", "ab"},                    // a line end goes whole
      {"a😀\nb", {{0, 3}, {1, 0}}, "Ж\n", "a?Ж\r\nb"},          // after a surrogate pair
      {"\n", {{1, 0}, {1, 0}}, "\r\n", "\r\n\r\n"},
  };
  for (const auto& c : cases) {
    TText text;
    text.SetCrLf(true);
    text.AssignUtf8(c.Before);
    text.Replace(c.Range, c.Insert);
    EXPECT_EQ(text.Bytes(), Win1251(c.Bytes)) << c.Before << " + " << c.Insert;
  }
}

// Reads all frames of the input, handed over `step` bytes at a time.
std::vector<std::string> Frames(const std::string& input, size_t step, uint64_t limit = 100) {
  TMemoryInput memory(input, step);
  TFrameReader reader(memory, limit, 1000);
  std::vector<std::string> got;
  while (true) {
    TFrame frame = reader.Next();
    if (frame.Status == TFrameStatus::Message) got.push_back("message " + frame.Body);
    if (frame.Status == TFrameStatus::Skipped) got.push_back("skipped");
    if (frame.Status == TFrameStatus::TooLarge) {
      got.push_back("too large " + std::to_string(frame.Length) + " " + frame.Body.substr(0, 4));
    }
    if (frame.Status == TFrameStatus::Broken) got.push_back("broken");
    if (frame.Status == TFrameStatus::End) {
      got.push_back(frame.Error.empty() ? "end" : "end inside");
      return got;
    }
  }
}

TEST(TransportTest, FramesGoodAndFaulty) {
  using V = std::vector<std::string>;
  struct {
    std::string Input;
    V Expected;
  } cases[] = {
      {FrameMessage("{}") + FrameMessage("[1]"), {"message {}", "message [1]", "end"}},
      {"content-length:  3 \r\nContent-Type: x\r\n\r\nabc", {"message abc", "end"}},
      {"Content-Length: 2\n\nab\r\n\r\nContent-Length: 1\r\n\r\nc",
       {"message ab", "message c", "end"}},
      {"Content-Length: x\r\n\r\n{\"a\":1}" + FrameMessage("ok"), {"skipped", "message ok", "end"}},
      {"Content-Type: a\r\n\r\n{\"a\":1}" + FrameMessage("ok"), {"skipped", "message ok", "end"}},
      {"Content-Length: \r\n\r\n{}" + FrameMessage("ok"), {"skipped", "message ok", "end"}},
      // A header line longer than any header keeps its end, where the next frame's may stand.
      {std::string(9000, 'x') + FrameMessage("ok"), {"message ok", "end"}},
      {"Content-Length: 101\r\n\r\n{\"a\"" + std::string(97, ' ') + FrameMessage("ok"),
       {"too large 101 {\"a\"", "message ok", "end"}},
      // A length no message has, or two that differ: nothing more is read.
      {"Content-Length: 99999999999999999999\r\n\r\n" + FrameMessage("ok"), {"broken", "end"}},
      {"Content-Length: 1001\r\n\r\n" + FrameMessage("ok"), {"broken", "end"}},
      {"Content-Length: 2\r\nContent-Length: 3\r\n\r\nabc" + FrameMessage("ok"), {"broken", "end"}},
      {"Content-Length: 3\r\ncontent-length:3\r\n\r\nabc", {"message abc", "end"}},
      {"Content-Length: 10\r\n\r\nabc", {"end inside"}},
      {"Content-Length: 10\r\n", {"end inside"}},
      {"", {"end"}},
  };
  for (const auto& c : cases) {
    for (size_t step : {size_t{1}, size_t{7}, SIZE_MAX}) {
      EXPECT_EQ(Frames(c.Input, step), c.Expected) << c.Input << " step " << step;
    }
  }
}

TEST(UriTest, PathsBothWays) {
  struct {
    const char* Uri;
    const char* Path;
  } cases[] = {
      {"file:///home/a/quest.erm", "/home/a/quest.erm"},
      {"file:///home/a%20b/%D0%96.erm", "/home/a b/Ж.erm"},
      {"file:///c:/mod/x.erm", "c:/mod/x.erm"},
      {"file:///C%3A/mod/x.erm", "C:/mod/x.erm"},
      {"file://localhost/tmp/x", "/tmp/x"},
      {"http://x/y", ""},
      {"file://server/share/x", ""},
      // Control characters end no path short; every path is lexically normal.
      {"file:///etc/hostname%00.erm", ""},
      {"file:///a/b%0A.erm", ""},
      {"file:///a/%7F", ""},
      {"file:///a/./b/../../../c//d.erm", "/c/d.erm"},
      {"file:///c:/../x/./y/", "c:/x/y/"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathFromUri(c.Uri), c.Path) << c.Uri;
  for (const char* path : {"/home/a b/Ж.erm", "/x/100%.erm", "c:/mod/x.erm"}) {
    EXPECT_EQ(PathFromUri(UriFromPath(path)), path);
  }
  EXPECT_EQ(UriFromPath("/a b/Ж"), "file:///a%20b/%D0%96");
}

TEST(ProtocolTest, MessagesAreSorted) {
  struct {
    const char* Body;
    TMessage::TKind Kind;
    int Error;
    const char* Id;
  } cases[] = {
      {R"({"jsonrpc":"2.0","id":1,"method":"a","params":{}})", TMessage::Request, 0, "1"},
      {R"({"jsonrpc":"2.0","id":"x","method":"a"})", TMessage::Request, 0, "\"x\""},
      {R"({"jsonrpc":"2.0","method":"a","params":[]})", TMessage::Notification, 0, "null"},
      {R"({"jsonrpc":"2.0","id":1,"result":null})", TMessage::Response, 0, "1"},
      {R"({"jsonrpc":"2.0","id":1,"method":"a","params":3})", TMessage::Invalid,
       rpc::kInvalidRequest, "1"},
      {R"({"jsonrpc":"2.0","id":null,"method":"a"})", TMessage::Invalid, rpc::kInvalidRequest,
       "null"},
      {R"({"jsonrpc":"2.0","id":[1],"method":"a"})", TMessage::Invalid, rpc::kInvalidRequest,
       "null"},
      {R"({"id":2,"method":"a"})", TMessage::Invalid, rpc::kInvalidRequest, "2"},
      {R"([])", TMessage::Invalid, rpc::kInvalidRequest, "null"},
      {R"({"jsonrpc":"2.0",)", TMessage::Invalid, rpc::kParseError, "null"},
      {"{\"jsonrpc\":\"2.0\",\"method\":\"\xC0\"}", TMessage::Invalid, rpc::kParseError, "null"},
  };
  for (const auto& c : cases) {
    TMessage message = ParseMessage(c.Body);
    EXPECT_EQ(message.Kind, c.Kind) << c.Body;
    EXPECT_EQ(message.Error, c.Error) << c.Body;
    EXPECT_EQ(message.Id.dump(), c.Id) << c.Body;
  }
}

// The text written by hand for long results is what the JSON writer gives.
TEST(ProtocolTest, TextWrittenByHandIsWhatDumpWrites) {
  std::string every;
  for (int byte = 1; byte < 0x80; ++byte) every += static_cast<char>(byte);
  for (std::string text : {std::string(), every, std::string("Ж😀 \"a\\b\" \x7f"),
                           std::string("tab\tend\r\n"), std::string(1, '\0')}) {
    std::string written;
    WriteJsonString(written, text);
    EXPECT_EQ(written, Dump(TJson(text))) << text;
  }
  for (TRange range : {TRange{}, TRange{{1, 2}, {3, 4}}, TRange{{4294967295u, 0}, {7, 65536}}}) {
    std::string written;
    WriteJsonRange(written, range);
    EXPECT_EQ(written, Dump(ToJson(range)));
  }
  EXPECT_EQ(ResultBody("Ж", "[1]"), Dump(TJson{{"jsonrpc", "2.0"}, {"id", "Ж"}, {"result", {1}}}));
}

TEST(ReportsTest, TokensAndCodes) {
  struct {
    const char* Bytes;
    size_t At;
    size_t End;
  } tokens[] = {
      {"x $HERO[2]$ y", 2, 11}, {"x @A@", 2, 5},    {"(START) z", 0, 7},
      {"$HERO\r\n", 0, 5},      {"~TMP=z7;", 0, 7}, {"A = y1\r\n", 4, 6},
      {"A\r\n", 1, 1},          {"[x] y", 0, 3},    {"", 0, 0},
  };
  for (const auto& t : tokens) EXPECT_EQ(TokenEnd(t.Bytes, t.At), t.End) << t.Bytes;
  struct {
    const char* Message;
    const char* Code;
  } codes[] = {
      {"Переменной $X$ не существует!", "undeclared-variable"},
      {"Константы (X) не существует!", "undeclared-constant"},
      {"Переменная $X$ уже была объявлена ранее!", "duplicate-variable"},
      {"Файл \"a.erm\" не существует!", "missing-script"},
      {"Указанный файл не существует! (a.txt).", "missing-declarations"},
      {"Некорректный символ \"Конец строки\" прервал переменную!", "unclosed-variable"},
      {"что-то новое", "zunt"},
  };
  for (const auto& c : codes) EXPECT_EQ(CodeOf(c.Message), c.Code) << c.Message;
}

// The readers keep a declared name's line (counted by LF) and byte column;
// the editor's place of the name must come out of them exactly, whatever the
// file's blanks, line ends, letter case and characters without a byte.
TEST(NamesTest, DeclaredNamesStandWhereTheReadersSawThem) {
  struct {
    const char* Declarations;
    std::vector<std::pair<std::string, TPosition>> Names;  // variables first
  } cases[] = {
      {"HERO = y100\r\n(ПРИВЕТ) = 'Здравствуй'\r\n", {{"HERO", {0, 0}}, {"ПРИВЕТ", {1, 1}}}},
      {"  Герой = y5\r\n;; Ж\r\n\r\n   (Фраза) = 'a\r\nb'\r\nДруг = v1\r\n",
       {{"Герой", {0, 2}}, {"Друг", {5, 0}}, {"Фраза", {3, 4}}}},
      {"(😀ДА) = 'Ж😀'\r\nЖ😀 = y1\r\n", {{"Ж😀", {1, 0}}, {"😀ДА", {0, 1}}}},
      {"A = y1\r\nB = y2\rC = y3\r\n", {{"A", {0, 0}}, {"B", {1, 0}}, {"C", {2, 0}}}},
  };
  for (const auto& c : cases) {
    TWorkspace workspace;
    workspace.Open("file:///m/q.txt", "/m/q.txt", 1, c.Declarations);
    workspace.Open("file:///m/q.erm", "/m/q.erm", 1, "");
    TAnalyses analyses(workspace, kFixedHashSeed);
    const TAnalysis& analysis = analyses.Analyse("/m/q.erm");
    const TText& text = workspace.Find("/m/q.txt")->Text;
    std::vector<std::pair<std::string, TPosition>> got;
    for (const TDeclaredName& name : DeclaredIn(workspace, analysis, "/m/q.txt")) {
      got.emplace_back(text.Utf8(name.Site.Begin, name.Site.End), text.PositionOf(name.Site.Begin));
      std::optional<TDeclaredName> at = DeclaredAt(workspace, analysis, "/m/q.txt", name.Site.End);
      EXPECT_TRUE(at && at->Entry == name.Entry && at->Constant == name.Constant) << name.Name;
    }
    EXPECT_EQ(got, c.Names) << c.Declarations;
  }
}

// A rename must know whether every reference was seen: a declarations file
// stopped by an error, or a script whose pass stopped at the most errors, was not.
TEST(NamesTest, AnalysisSaysWhetherItReadEverything) {
  auto lines = [](size_t count, const char* line) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += line;
    return text;
  };
  struct {
    std::string Declarations;
    std::string Script;
    bool InputWhole;
    bool ScriptWhole;
  } cases[] = {
      {"A = y1\r\n", "!!VR$A$;\r\n", true, true},
      {"A = y1\r\nBAD\r\nB = y2\r\n", "!!VR$A$;\r\n", false, true},
      {"A = y1\r\n", lines(kMaxReportedErrors - 1, "$NOPE$\r\n"), true, true},
      {"A = y1\r\n", lines(kMaxReportedErrors, "$NOPE$\r\n") + "$A$", true, false},
  };
  for (const auto& c : cases) {
    TWorkspace workspace;
    workspace.Open("file:///m/q.txt", "/m/q.txt", 1, c.Declarations);
    workspace.Open("file:///m/q.erm", "/m/q.erm", 1, c.Script);
    TAnalyses analyses(workspace, kFixedHashSeed);
    const TAnalysis& analysis = analyses.Analyse("/m/q.erm");
    ASSERT_EQ(analysis.Inputs.size(), 1u);
    EXPECT_EQ(analysis.Inputs[0].Whole, c.InputWhole) << c.Declarations;
    EXPECT_EQ(analysis.Whole, c.ScriptWhole) << c.Script.size();
  }
}

// A place kept by the tables that no longer holds the name gives no bytes.
TEST(NamesTest, NameOnLineFindsOnlyTheName) {
  TText text;
  text.AssignBytes("  Hero = y1\r\n(Hi) = 'x'\r\nab\r\n");
  struct {
    uint64_t Line;
    uint64_t Column;
    const char* Name;
    size_t Begin;
    size_t End;
  } cases[] = {
      {1, 1, "hero", 2, 6}, {1, 3, "HERO", 2, 6}, {2, 1, "hi", 14, 16}, {2, 1, "hi)", 14, 17},
      {1, 1, "her", 2, 5},  {1, 1, "ero", 0, 0},  {2, 2, "x", 0, 0},    {3, 1, "abc", 0, 0},
      {9, 1, "a", 0, 0},    {0, 1, "a", 0, 0},    {1, 1, "", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameOnLine(text, c.Line, c.Column, c.Name), std::make_pair(c.Begin, c.End))
        << c.Line << ":" << c.Column << " " << c.Name;
  }
}

// Each fix, and the reports it must leave alone: the bytes are Windows-1251,
// the place is the report's first byte.
TEST(FixesTest, WarningsGetTheEditTheirMessageAsksFor) {
  struct {
    const char* Code;
    std::string Bytes;
    size_t At;
    std::string After;  // the bytes with the fix made; empty: no fix
  } cases[] = {
      {"invalid-variable-declaration", "A = y1; note\r\n", 12, "A = y1;; note\r\n"},
      {"unterminated-variable-declaration", "B = y1 ; x", 10, "B = y1 ;; x"},
      {"invalid-variable-declaration", "A = y1;; note\r\n", 13, ""},
      {"invalid-variable-declaration", "A y1; note\r\n", 10, ""},
      {"invalid-variable-declaration", "A = y1;  \r\n", 9, ""},
      {"text-after-constant", "(B) = 'x' tail\r\n", 10, "(B) = 'x' ;; tail\r\n"},
      {"text-after-index", "$A[2]x$ @B[1] y@", 5, "$A[2]$ @B[1] y@"},
      {"text-after-index", "$A[2]x$ @B[1] y@", 13, "$A[2]x$ @B[1]@"},
      {"text-after-index", "$A[2]x\r\n$", 5, ""},
      {"non-latin-letter", Win1251("C = у5"), 4, "C = y5"},
      {"non-latin-letter", Win1251("C = Х5"), 4, "C = X5"},
      {"non-latin-letter", Win1251("C = ж5"), 4, ""},
      {"multi-line-constant", "(D) = 'open\r\nE = y2\r\n", 6, "(D) = 'open'\r\nE = y2\r\n"},
      {"lf-line-end", "A = y1\nB = y2\r\n", 6, "A = y1;\nB = y2\r\n"},
      {"index-overflow", "$A[2147483647]$", 2, ""},
      {"text-after-constant", "", 99, ";; "},
  };
  for (const auto& c : cases) {
    TTextFix fix = FixOf(c.Code, c.Bytes, c.At);
    std::string after = c.Bytes;
    if (!fix.Title.empty()) after.replace(fix.Begin, fix.End - fix.Begin, fix.Text);
    EXPECT_EQ(fix.Title.empty() ? "" : after, c.After) << c.Code << " " << c.Bytes;
  }
}

}  // namespace
}  // namespace zunt
