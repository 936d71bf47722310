#include "server/server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "server/inbox.h"
#include "server/protocol.h"
#include "server/session.h"

namespace zunt {
namespace {

using TClock = std::chrono::steady_clock;

// Scripts of this many bytes or more are analysed on a thread of their own.
constexpr size_t kBackgroundScript = size_t{4} << 20;

// Reads and parses messages ahead of the session, so that a cancellation is
// seen before the request it cancels is handled, but no further ahead than
// the inbox has room for.
void ReadMessages(TByteInput& input, TInbox& inbox, const TLog& log) {
  TFrameReader reader(input);
  while (inbox.WaitForRoom()) {
    TFrame frame = reader.Next();
    if (!frame.Error.empty()) log(frame.Error);
    if (frame.Status == TFrameStatus::End) break;
    if (frame.Status == TFrameStatus::Skipped) continue;
    TInboxItem item;
    item.ReadAt = TClock::now();
    if (frame.Status == TFrameStatus::Broken) {
      item.Kind = TInboxItem::Broken;
      item.Text = frame.Error;
      inbox.Push(std::move(item));
      break;
    }
    if (frame.Status == TFrameStatus::TooLarge) {
      item.Kind = TInboxItem::TooLarge;
      item.Uri = UriInHead(frame.Body);
      item.Bytes = frame.Length;
      inbox.Push(std::move(item));
      continue;
    }
    item.Bytes = frame.Body.size();
    item.Message = ParseMessage(frame.Body);
    frame.Body = std::string();
    if (item.Message.Kind == TMessage::Notification && item.Message.Method == "$/cancelRequest") {
      if (item.Message.Params.is_object() && item.Message.Params.contains("id")) {
        inbox.Cancel(item.Message.Params["id"]);
      }
      continue;
    }
    item.Bytes = 0;  // what waits is the parsed message, its texts taken out
    for (const TTakenText& text : item.Message.Taken) item.Bytes += text.Text.Bytes.size();
    inbox.Push(std::move(item));
  }
  inbox.Finish();
}

}  // namespace

int RunLanguageServer(TByteInput& input, TByteOutput& output, const TLog& log,
                      std::string_view version, const THashSeed& seed, TPlatform* platform) {
  bool writable = true;
  // With ZUNT_LSP_TIMES set, each message written is logged with the time
  // since the last byte of the message that caused it was read.
  const bool timing = std::getenv("ZUNT_LSP_TIMES") != nullptr;
  uint64_t written = 0;
  TClock::time_point cause;
  TSession session(
      [&](const std::string& body) {
        if (writable && !output.Write(FrameMessage(body))) {
          writable = false;
          log("the output cannot be written");
        }
        if (!timing) return;
        auto time = std::chrono::duration_cast<std::chrono::microseconds>(TClock::now() - cause);
        log("time " + std::to_string(++written) + " " + std::to_string(time.count()) + " us");
      },
      [&](std::string_view line) { log(line); }, version, seed, platform);
  // The reader thread may outlive this function, blocked on the input: it
  // holds the inbox and the log itself.
  auto inboxHolder = std::make_shared<TInbox>();
  TInbox& inbox = *inboxHolder;
  std::thread reader([&input, inboxHolder, log] { ReadMessages(input, *inboxHolder, log); });
  // A large script's pass runs on a thread of its own, which wakes the loop.
  session.SetBackground(kBackgroundScript, [inboxHolder] { inboxHolder->Wake(); });
  session.SetCancelFlag(&inbox.CancelFlag());
  TInboxItem item;
  TClock::time_point read;
  bool broken = false;
  // The first message that made diagnostics due since the last publishing,
  // and the one whose diagnostics the pass in the background makes.
  bool anyUnpublished = false;
  TClock::time_point unpublished;
  TClock::time_point background;
  while (!session.Exited()) {
    TInbox::TPopped popped = inbox.Pop(&item);
    if (popped == TInbox::End) break;
    cause = background;
    if (popped == TInbox::Woke) {
      session.FinishBackground();
    } else if (item.Kind == TInboxItem::Broken) {
      // A client restarts a server that exits; one that sits mute is worse.
      session.StreamBroken(item.Text);
      broken = true;
      break;
    } else {
      read = item.ReadAt;
      cause = read;
      if (item.Kind == TInboxItem::TooLarge) {
        session.Skipped(item.Uri, item.Bytes, kMaxMessageSize);
      } else {
        TMessage& message = item.Message;
        session.Settle(message);
        // A request cancelled before it is handled is answered so; what is
        // due is published all the same when no message waits.
        if (message.Kind == TMessage::Request && (item.Cancelled || inbox.CancelFlag())) {
          session.Cancelled(message.Id);
        } else {
          session.Handle(message);
        }
        inbox.Answered();
      }
      if (!anyUnpublished && session.AnyDue()) {
        anyUnpublished = true;
        unpublished = read;
      }
    }
    if (!inbox.Waiting()) {
      cause = anyUnpublished ? unpublished : read;
      anyUnpublished = false;
      bool before = session.Background();
      session.PublishDue();
      if (!before && session.Background()) background = cause;
    }
  }
  inbox.Close();
  int status = session.Exited() && !broken ? session.ExitStatus() : 1;
  // After "exit" the editor closes the input; a reader still blocked on it
  // a while later ends with the process, which ends here.
  if (inbox.WaitForEnd(std::chrono::milliseconds(500))) {
    reader.join();
    return status;
  }
  reader.detach();
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace zunt
