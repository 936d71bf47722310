// The messages read ahead of the session by the reader thread: what waits,
// which request is being handled, and which of them the client cancelled.
#ifndef ZUNT_SERVER_INBOX_H_
#define ZUNT_SERVER_INBOX_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "server/protocol.h"

namespace zunt {

/// The most bytes of messages that may wait unhandled: the reader stops
/// reading beyond it, so that the client feels the back-pressure.
inline constexpr uint64_t kMaxWaitingBytes = uint64_t{512} << 20;

/// What the reader hands the session.
struct TInboxItem {
  enum TKind {
    Read,      // a message read
    TooLarge,  // a message over the size limit was skipped: Uri names its document, if any
    Broken,    // the input cannot be trusted any more: Text says why
  } Kind = Read;
  TMessage Message;
  std::chrono::steady_clock::time_point ReadAt;  // when its last byte was read
  uint64_t Bytes = 0;                            // the size of its body
  bool Cancelled = false;                        // a request the client cancelled while it waited
  std::string Uri;
  std::string Text;
};

class TInbox {
 public:
  explicit TInbox(uint64_t most = kMaxWaitingBytes) : Most(most) {}
  /// Waits while more than the limit of bytes waits unhandled; false once
  /// the session has ended.
  bool WaitForRoom();
  /// Adds what the reader read.
  void Push(TInboxItem item);
  /// Says that the input ended (or that nothing more will be read).
  void Finish();
  /// Says that the session has ended: the reader reads no more.
  void Close();
  /// Wakes the session: the pass in the background is done.
  void Wake();
  /// Cancels a request that waits or is being handled; any other id is
  /// passed over and remembered nowhere.
  void Cancel(const TJson& id);

  enum TPopped { Item, Woke, End };
  /// Takes the next item, or says that the session was woken or that the
  /// input ended. A request taken becomes the one being handled.
  TPopped Pop(TInboxItem* item);
  /// Says that the request being handled was answered.
  void Answered();
  /// Returns the flag that a cancellation of the request being handled sets.
  const std::atomic<bool>& CancelFlag() const { return CancelNow; }
  /// Waits up to a time for the end of the input; returns whether it came.
  bool WaitForEnd(std::chrono::milliseconds time);
  /// Returns whether an item waits.
  bool Waiting();

 private:
  std::mutex Mutex;
  std::condition_variable Ready;  // for the session
  std::condition_variable Room;   // for the reader
  std::deque<TInboxItem> Items;
  uint64_t Most;
  uint64_t WaitingBytes = 0;
  TJson InFlight;  // the id of the request being handled, null for none
  std::atomic<bool> CancelNow{false};
  bool Ended = false;
  bool Closed = false;
  bool Woken = false;
};

/// Returns the URI of the document a message's start names ("uri"'s first
/// string value), or an empty string.
std::string UriInHead(std::string_view head);

}  // namespace zunt

#endif  // ZUNT_SERVER_INBOX_H_
