// A large script's pass on a thread of its own: the requests about other
// documents are answered meanwhile, everything else waits for it, and every
// message comes out as it would without the thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "server/protocol.h"
#include "server/server.h"
#include "server/session.h"

namespace zunt {
namespace {

std::string Notice(const std::string& method, const std::string& params) {
  return R"({"jsonrpc":"2.0","method":")" + method + R"(","params":)" + params + "}";
}

std::string Ask(int id, const std::string& method, const std::string& params) {
  return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method +
         R"(","params":)" + params + "}";
}

std::string Open(const std::string& name, const std::string& text) {
  return Notice("textDocument/didOpen", R"({"textDocument":{"uri":"file:///nowhere/)" + name +
                                            R"(","version":1,"text":")" + text + R"("}})");
}

std::string At(const std::string& name) {
  return R"({"textDocument":{"uri":"file:///nowhere/)" + name +
         R"("},"position":{"line":0,"character":6}})";
}

// Runs the messages, the last one while the large script's pass may run
// aside (with `least` 64); returns what was sent, and whether the pass was
// still aside after the last message was let through.
std::vector<std::string> RunSession(const std::vector<std::string>& bodies, size_t least,
                                    bool* aside) {
  std::vector<std::string> sent;
  std::atomic<int> wakes{0};
  TSession session([&](const std::string& body) { sent.push_back(body); }, [](std::string_view) {},
                   "test");
  session.SetBackground(least, [&] { ++wakes; });
  for (size_t i = 0; i < bodies.size(); ++i) {
    TMessage message = ParseMessage(bodies[i]);
    session.Settle(message);
    if (i + 1 == bodies.size()) *aside = session.Background();
    session.Handle(message);
    session.PublishDue();
  }
  if (session.Background()) {
    session.FinishBackground();
    EXPECT_EQ(wakes, 1);  // the thread woke the session as it ended
  }
  session.PublishDue();
  return sent;
}

TEST(BackgroundTest, OtherDocumentsAnsweredMeanwhileAndNothingElse) {
  const std::string large = "!!VR:S1; $NOPE$ " + std::string(80, 'x') + R"(\r\n(C) ~A=y1;$A$)";
  struct {
    std::string Last;  // sent while the large script's pass runs aside
    bool Aside;        // the pass still runs aside when it is handled
  } cases[] = {
      {Ask(2, "textDocument/hover", At("small.erm")), true},
      {Ask(2, "textDocument/completion", At("small.erm")), true},
      {Ask(2, "textDocument/hover", R"({"position":{"line":0,"character":0}})"), true},
      {Ask(2, "textDocument/hover", At("large.erm")), false},
      {Ask(2, "textDocument/references",
           R"({"textDocument":{"uri":"file:///nowhere/small.erm"},"position":{"line":0,"character":6},"context":{"includeDeclaration":true}})"),
       false},
      {Notice(
           "textDocument/didChange",
           R"({"textDocument":{"uri":"file:///nowhere/large.erm","version":2},"contentChanges":[{"text":"$NOPE2$"}]})"),
       false},
      {R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})", false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> bodies = {
        Ask(1, "initialize", R"({"capabilities":{}})"),
        Open("small.erm", R"(!!VR:S1; ~B=y2;$B$ $NOPE$)"),
        Open("large.erm", large),
        c.Last,
    };
    bool aside = false;
    std::vector<std::string> alone = RunSession(bodies, SIZE_MAX, &aside);
    EXPECT_FALSE(aside);
    std::vector<std::string> sent = RunSession(bodies, 64, &aside);
    EXPECT_EQ(aside, c.Aside) << c.Last;
    // The large script's first diagnostics come before what the last
    // message makes when it waited for them, after it when it did not.
    auto large1 = std::find_if(sent.begin(), sent.end(), [](const std::string& body) {
      return body.find("large.erm") != std::string::npos &&
             body.find(R"("version":1)") != std::string::npos;
    });
    ASSERT_NE(large1, sent.end()) << c.Last;
    EXPECT_EQ(large1 == sent.end() - 1, c.Aside) << c.Last;
    std::sort(alone.begin(), alone.end());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, alone) << c.Last;
  }
}

// The whole server over bytes in memory, with a script large enough to be
// analysed aside: the thread wakes the loop, every request is answered once,
// and the large script's diagnostics are published once, before the exit.
TEST(BackgroundTest, ServerPublishesWhatThePassAsideMade) {
  struct TCapture final : TByteOutput {
    std::string Bytes;
    bool Write(std::string_view bytes) override {
      Bytes += bytes;
      return true;
    }
  } output;
  std::string large;
  while (large.size() < (size_t{4} << 20)) large += "!!VR:S1; $NOPE$ Привет\\r\\n";
  std::string input;
  for (const std::string& body : {
           Ask(1, "initialize", R"({"capabilities":{}})"),
           Open("small.erm", R"(!!VR:S1; ~B=y2;$B$)"),
           Open("large.erm", large),
           Ask(2, "textDocument/hover", At("small.erm")),
           Ask(3, "textDocument/hover", At("small.erm")),
           std::string(R"({"jsonrpc":"2.0","id":4,"method":"shutdown"})"),
           std::string(R"({"jsonrpc":"2.0","method":"exit"})"),
       }) {
    input += FrameMessage(body);
  }
  TMemoryInput memory(input);
  EXPECT_EQ(RunLanguageServer(
                memory, output, [](std::string_view) {}, "test"),
            0);
  for (const char* id : {R"("id":1,)", R"("id":2,)", R"("id":3,)", R"("id":4,)"}) {
    size_t at = output.Bytes.find(id);
    EXPECT_NE(at, std::string::npos) << id;
    EXPECT_EQ(output.Bytes.find(id, at + 1), std::string::npos) << id;
  }
  size_t large1 = output.Bytes.find("large.erm\",\"version\":1");
  ASSERT_NE(large1, std::string::npos);
  size_t start = output.Bytes.rfind("Content-Length", large1);
  EXPECT_LT(output.Bytes.find("undeclared-variable", start), large1);
  EXPECT_EQ(output.Bytes.find("large.erm\",\"version\":1", large1 + 1), std::string::npos);
  // Published before shutdown's answer, after which nothing is.
  EXPECT_LT(large1, output.Bytes.find(R"("id":4,)"));
}

}  // namespace
}  // namespace zunt
