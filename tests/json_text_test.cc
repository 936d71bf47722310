// Texts taken out of messages by hand must read exactly as the JSON reader
// and the Unicode conversion read them: one comparison table per path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/json_text.h"
#include "server/protocol.h"
#include "server/session.h"

namespace zunt {
namespace {

TConverted Converted(const std::string& utf8, bool latin1) {
  TConverted text;
  AppendWin1251(utf8, 0, &text.Bytes, &text.Foreign, latin1);
  text.Latin1 = latin1;
  return text;
}

void ExpectSame(const TConverted& got, const TConverted& want, const std::string& what) {
  EXPECT_EQ(got.Bytes, want.Bytes) << what;
  ASSERT_EQ(got.Foreign.size(), want.Foreign.size()) << what;
  for (size_t i = 0; i < got.Foreign.size(); ++i) {
    EXPECT_EQ(got.Foreign[i].At, want.Foreign[i].At) << what << " #" << i;
    EXPECT_EQ(got.Foreign[i].CodePoint, want.Foreign[i].CodePoint) << what << " #" << i;
    EXPECT_EQ(got.Foreign[i].Kept, want.Foreign[i].Kept) << what << " #" << i;
  }
}

TEST(JsonTextTest, StringsReadAsTheJsonReaderReadsThem) {
  struct {
    std::string Raw;  // between the quotes
    bool LooksLatin1;
  } cases[] = {
      {"plain text, 12 + 3", false},
      {"Привет, мир: Ёё", false},
      {R"(a\n\t\"\\\/\b\f\r)", false},
      {R"(\u0416\u00e9\u0000\u20AC)", false},
      {R"(\ud83d\ude00x\uD83D\uDE00)", false},
      {"😀Жā€", false},
      {"Ïðèâåò", true},
      {"Ïðè Ж", false},
      {"«a\u00a0b»\x7f", false},
      {"\xF4\x8F\xBF\xBF", false},
      // Not JSON strings: each must be refused.
      {R"(\udc00)", false},
      {R"(\ud800)", false},
      {R"(\ud800\u0041)", false},
      {R"(\x41)", false},
      {R"(\u12)", false},
      {R"(\u12g4)", false},
      {"abc\\", false},
      {"a\x01"
       "b",
       false},
      {"\xC0\x80", false},
      {"\xE0\x80\x80", false},
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},
      {"a\x80", false},
      {"a\xD0", false},
  };
  for (const auto& c : cases) {
    std::string dom;
    bool valid = true;
    try {
      dom = TJson::parse("\"" + c.Raw + "\"").get<std::string>();
    } catch (const TJson::exception&) {
      valid = false;
    }
    TConverted text;
    ASSERT_EQ(AppendJsonString(c.Raw, &text), valid) << c.Raw;
    if (!valid) continue;
    ExpectSame(text, Converted(dom, false), c.Raw);
    EXPECT_EQ(text.LooksLatin1(), c.LooksLatin1) << c.Raw;
  }
}

TEST(JsonTextTest, Latin1AfterwardsAsLatin1AtOnce) {
  for (std::string utf8 : {"Ïðèâåò", "«Ïðè»\u00a0é😀Жz\u0098", "abc", "", "ÿ\u00ad\u00bb"}) {
    TConverted text = Converted(utf8, false);
    ToLatin1(&text);
    ExpectSame(text, Converted(utf8, true), utf8);
  }
}

TEST(JsonTextTest, LongTextsTakenOut) {
  struct {
    std::string Body;
    bool Read;
    std::string Rest;
    std::vector<std::pair<std::string, std::string>> Taken;  // pointer, UTF-8 text
  } cases[] = {
      {R"({"params":{"textDocument":{"uri":"file:///a/long/uri","text":"Привет мир"}}})",
       true,
       R"({"params":{"textDocument":{"uri":"file:///a/long/uri","text":""}}})",
       {{"/params/textDocument/text", "Привет мир"}}},
      {R"({"contentChanges":[{"text":"short"},{"range":{},"text":"a long \"text\" here"}]})",
       true,
       R"({"contentChanges":[{"text":"short"},{"range":{},"text":""}]})",
       {{"/contentChanges/1/text", "a long \"text\" here"}}},
      {R"({"a/b":{"c~d":[{"text":"0123456789"}],"text":["0123456789"]}})",
       true,
       R"({"a/b":{"c~d":[{"text":""}],"text":["0123456789"]}})",
       {{"/a~1b/c~0d/0/text", "0123456789"}}},
      {R"({"method":"0123456789","id":"0123456789","text":"0123456789\\"})",
       true,
       R"({"method":"0123456789","id":"0123456789","text":""})",
       {{"/text", "0123456789\\"}}},
      {R"({"te\u0078t":"0123456789"})", false, "", {}},
      {R"({"text":"0123456789\x"})", false, "", {}},
      {R"(]{"text":"0123456789"})", false, "", {}},
      {R"({"text":"0123456789)", false, "", {}},
  };
  for (const auto& c : cases) {
    std::string rest;
    std::vector<TTakenText> taken;
    ASSERT_EQ(TakeLongStrings(c.Body, 10, &rest, &taken), c.Read) << c.Body;
    if (!c.Read) continue;
    EXPECT_EQ(rest, c.Rest);
    ASSERT_EQ(taken.size(), c.Taken.size()) << c.Body;
    for (size_t i = 0; i < taken.size(); ++i) {
      EXPECT_EQ(taken[i].Pointer, c.Taken[i].first);
      ExpectSame(taken[i].Text, Converted(c.Taken[i].second, false), c.Body);
    }
  }
}

// Runs the messages through a session; returns what it sent, in order.
std::vector<std::string> SessionReplies(const std::vector<std::string>& bodies, size_t least) {
  std::vector<std::string> sent;
  TSession session([&](const std::string& body) { sent.push_back(body); }, [](std::string_view) {},
                   "test");
  for (const std::string& body : bodies) {
    TMessage message = ParseMessage(body, least);
    session.Handle(message);
    session.PublishDue();
  }
  return sent;
}

TEST(JsonTextTest, SessionSeesTakenTextsAsTheReaderGivesThem) {
  auto message = [](const std::string& method, const std::string& params) {
    return R"({"jsonrpc":"2.0","method":")" + method + R"(","params":)" + params + "}";
  };
  const std::string uri = R"({"uri":"file:///nowhere/a.erm","version":)";
  std::vector<std::string> bodies = {
      R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})",
      message("textDocument/didOpen",
              R"({"textDocument":)" + uri + R"(1,"text":"!!VR:S1;😀 Привет $НЕТ$\r\nb"}})"),
      message(
          "textDocument/didChange",
          R"({"textDocument":)" + uri + R"(2},"contentChanges":[)" +
              R"({"range":{"start":{"line":0,"character":9},"end":{"line":0,"character":11}},)" +
              R"("text":"ā€Ж\u00e9 $X$"},{"text":"x\ny $Y$ 😀 z"},)" +
              R"({"range":{"start":{"line":1,"character":2},"end":{"line":1,"character":2}},)" +
              R"("text":"ĀЁ😀\n"}]})"),
      message(
          "textDocument/didOpen",
          R"({"textDocument":{"uri":"file:///nowhere/l.erm","version":1,"text":"Ïðèâåò $A$"}})"),
      message("textDocument/didChange",
              R"({"textDocument":{"uri":"file:///nowhere/l.erm","version":2},"contentChanges":[)"
              R"({"range":{"start":{"line":0,"character":1},"end":{"line":0,"character":2}},)"
              R"("text":"ðè«é»ā $B$"}]})"),
      R"({"jsonrpc":"2.0","id":2,"method":"zunt/translate","params":{"textDocument":{"uri":"file:///nowhere/l.erm"}}})",
  };
  std::vector<std::string> whole = SessionReplies(bodies, SIZE_MAX);
  EXPECT_EQ(SessionReplies(bodies, 1), whole);
  EXPECT_GE(whole.size(), 6u);
}

}  // namespace
}  // namespace zunt
