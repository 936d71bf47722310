#include "server/server.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "server/protocol.h"
#include "server/session.h"

namespace zunt {
namespace {

using TClock = std::chrono::steady_clock;

// Scripts of this many bytes or more are analysed on a thread of their own.
constexpr size_t kBackgroundScript = size_t{4} << 20;

// The messages read ahead by the reader thread (each with the time its last
// byte was read), and the requests cancelled before they were handled.
class TInbox {
 public:
  void Push(TMessage message, TClock::time_point read) {
    std::lock_guard<std::mutex> lock(Mutex);
    Messages.push_back(std::move(message));
    Times.push_back(read);
    Ready.notify_all();
  }
  void Finish() {
    std::lock_guard<std::mutex> lock(Mutex);
    Ended = true;
    Ready.notify_all();
  }
  /// Wakes the session: the pass in the background is done.
  void Wake() {
    std::lock_guard<std::mutex> lock(Mutex);
    Woken = true;
    Ready.notify_all();
  }
  void Cancel(const TJson& id) {
    std::lock_guard<std::mutex> lock(Mutex);
    CancelledIds.insert(id.dump());
  }
  enum TPopped { Message, Woke, End };
  /// Takes the next message, or says that the session was woken or that
  /// the input ended.
  TPopped Pop(TMessage* message, TClock::time_point* read) {
    std::unique_lock<std::mutex> lock(Mutex);
    Ready.wait(lock, [&] { return Woken || !Messages.empty() || Ended; });
    if (Woken) {
      Woken = false;
      return Woke;
    }
    if (Messages.empty()) return End;
    *message = std::move(Messages.front());
    Messages.pop_front();
    *read = Times.front();
    Times.pop_front();
    return Message;
  }
  /// Waits up to a time for the end of the input; returns whether it came.
  bool WaitForEnd(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(Mutex);
    return Ready.wait_for(lock, time, [&] { return Ended; });
  }
  /// Returns whether a message waits.
  bool Waiting() {
    std::lock_guard<std::mutex> lock(Mutex);
    return !Messages.empty();
  }
  /// Returns whether the request was cancelled, and forgets that it was.
  bool TakeCancelled(const TJson& id) {
    std::lock_guard<std::mutex> lock(Mutex);
    return CancelledIds.erase(id.dump()) != 0;
  }

 private:
  std::mutex Mutex;
  std::condition_variable Ready;
  std::deque<TMessage> Messages;
  std::deque<TClock::time_point> Times;
  std::set<std::string> CancelledIds;
  bool Ended = false;
  bool Woken = false;
};

// Reads and parses messages ahead of the session, so that a cancellation is
// seen before the request it cancels is handled.
void ReadMessages(TByteInput& input, TInbox& inbox, const TLog& log) {
  TFrameReader reader(input);
  while (true) {
    TFrame frame = reader.Next();
    if (!frame.Error.empty()) log(frame.Error);
    if (frame.Status == TFrameStatus::End) break;
    if (frame.Status == TFrameStatus::Skipped) continue;
    TClock::time_point read = TClock::now();
    TMessage message = ParseMessage(frame.Body);
    frame.Body = std::string();
    if (message.Kind == TMessage::Notification && message.Method == "$/cancelRequest") {
      if (message.Params.is_object() && message.Params.contains("id")) {
        inbox.Cancel(message.Params["id"]);
      }
      continue;
    }
    inbox.Push(std::move(message), read);
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
  TMessage message;
  TClock::time_point read;
  // The first message that made diagnostics due since the last publishing,
  // and the one whose diagnostics the pass in the background makes.
  std::optional<TClock::time_point> unpublished;
  TClock::time_point background;
  while (!session.Exited()) {
    TInbox::TPopped popped = inbox.Pop(&message, &read);
    if (popped == TInbox::End) break;
    cause = background;
    if (popped == TInbox::Woke) {
      session.FinishBackground();
    } else {
      session.Settle(message);
      cause = read;
      // A request cancelled before it is handled is answered so; what is
      // due is published all the same when no message waits.
      if (message.Kind == TMessage::Request && inbox.TakeCancelled(message.Id)) {
        session.Cancelled(message.Id);
      } else {
        session.Handle(message);
        if (message.Kind == TMessage::Request) inbox.TakeCancelled(message.Id);
      }
      if (!unpublished && session.AnyDue()) unpublished = read;
    }
    if (!inbox.Waiting()) {
      cause = unpublished.value_or(read);
      unpublished.reset();
      bool before = session.Background();
      session.PublishDue();
      if (!before && session.Background()) background = cause;
    }
  }
  int status = session.Exited() ? session.ExitStatus() : 1;
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
