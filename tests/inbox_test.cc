// Cancellation: a request cancelled while it waits, or while it is handled,
// and a cancellation of a request that is neither, which nothing remembers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "server/inbox.h"
#include "server/session.h"

namespace zunt {
namespace {

TInboxItem Request(int id) {
  TInboxItem item;
  item.Message = ParseMessage(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
                              R"(,"method":"textDocument/hover","params":{}})");
  item.Bytes = 10;
  return item;
}

TEST(InboxTest, CancelsWhatWaitsOrRunsAndNothingElse) {
  TInbox inbox;
  inbox.Cancel(TJson(1));  // answered already (or never asked): forgotten
  inbox.Push(Request(1));
  inbox.Push(Request(2));
  inbox.Cancel(TJson(2));
  inbox.Cancel(TJson("2"));  // another id
  TInboxItem item;
  ASSERT_EQ(inbox.Pop(&item), TInbox::Item);
  EXPECT_FALSE(item.Cancelled);
  EXPECT_FALSE(inbox.CancelFlag());
  inbox.Cancel(TJson(1));  // while it is handled
  EXPECT_TRUE(inbox.CancelFlag());
  inbox.Answered();
  EXPECT_FALSE(inbox.CancelFlag());
  ASSERT_EQ(inbox.Pop(&item), TInbox::Item);
  EXPECT_TRUE(item.Cancelled);
  inbox.Answered();
  inbox.Cancel(TJson(2));  // after its answer
  inbox.Push(Request(2));  // the id used again
  ASSERT_EQ(inbox.Pop(&item), TInbox::Item);
  EXPECT_FALSE(item.Cancelled);
  EXPECT_FALSE(inbox.CancelFlag());
}

// The reader waits while more than the limit waits unhandled, and stops
// once the session has ended.
TEST(InboxTest, TheReaderWaitsForRoom) {
  TInbox inbox(15);
  inbox.Push(Request(1));
  EXPECT_TRUE(inbox.WaitForRoom());  // 10 bytes wait
  inbox.Push(Request(2));
  std::atomic<int> state{0};
  std::thread reader([&] {
    state = 1;
    state = inbox.WaitForRoom() ? 2 : 3;
  });
  while (state == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(state, 1);  // 20 bytes wait: no room
  TInboxItem item;
  inbox.Pop(&item);
  reader.join();
  EXPECT_EQ(state, 2);
  inbox.Push(Request(3));
  inbox.Close();
  EXPECT_FALSE(inbox.WaitForRoom());
}

// A request whose client cancels it while it runs is answered "cancelled"
// once, by the request itself, with nothing made of the document.
TEST(InboxTest, ACancelledRequestIsAnsweredSo) {
  std::vector<std::string> sent;
  TSession session([&](const std::string& body) { sent.push_back(body); }, [](std::string_view) {},
                   "test");
  std::atomic<bool> cancelled{false};
  session.SetCancelFlag(&cancelled);
  for (
      const char* body : {
          R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})",
          R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///n/a.erm","version":1,"text":"~A=y1;$A$"}}})",
      }) {
    TMessage message = ParseMessage(body);
    session.Handle(message);
  }
  sent.clear();
  cancelled = true;
  TMessage hover = ParseMessage(
      R"({"jsonrpc":"2.0","id":"h","method":"textDocument/hover","params":{"textDocument":{"uri":"file:///n/a.erm"},"position":{"line":0,"character":8}}})");
  session.Handle(hover);
  EXPECT_EQ(
      sent,
      std::vector<std::string>{
          R"({"error":{"code":-32800,"message":"the request was cancelled"},"id":"h","jsonrpc":"2.0"})"});
}

}  // namespace
}  // namespace zunt
