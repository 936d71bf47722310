#include "server/inbox.h"

namespace zunt {

bool TInbox::WaitForRoom() {
  std::unique_lock<std::mutex> lock(Mutex);
  Room.wait(lock, [&] { return Closed || WaitingBytes <= Most; });
  return !Closed;
}

void TInbox::Push(TInboxItem item) {
  std::lock_guard<std::mutex> lock(Mutex);
  WaitingBytes += item.Bytes;
  Items.push_back(std::move(item));
  Ready.notify_all();
}

void TInbox::Finish() {
  std::lock_guard<std::mutex> lock(Mutex);
  Ended = true;
  Ready.notify_all();
}

void TInbox::Close() {
  std::lock_guard<std::mutex> lock(Mutex);
  Closed = true;
  Room.notify_all();
}

void TInbox::Wake() {
  std::lock_guard<std::mutex> lock(Mutex);
  Woken = true;
  Ready.notify_all();
}

void TInbox::Cancel(const TJson& id) {
  if (!id.is_string() && !id.is_number_integer()) return;
  std::lock_guard<std::mutex> lock(Mutex);
  if (!InFlight.is_null() && InFlight == id) {
    CancelNow = true;
    return;
  }
  for (TInboxItem& item : Items) {
    if (item.Kind == TInboxItem::Read && item.Message.Kind == TMessage::Request &&
        item.Message.Id == id) {
      item.Cancelled = true;
    }
  }
}

TInbox::TPopped TInbox::Pop(TInboxItem* item) {
  std::unique_lock<std::mutex> lock(Mutex);
  Ready.wait(lock, [&] { return Woken || !Items.empty() || Ended; });
  if (Woken) {
    Woken = false;
    return Woke;
  }
  if (Items.empty()) return End;
  *item = std::move(Items.front());
  Items.pop_front();
  WaitingBytes -= item->Bytes;
  Room.notify_all();
  bool request = item->Kind == TInboxItem::Read && item->Message.Kind == TMessage::Request;
  InFlight = request ? item->Message.Id : TJson();
  CancelNow = false;
  return Item;
}

void TInbox::Answered() {
  std::lock_guard<std::mutex> lock(Mutex);
  InFlight = TJson();
  CancelNow = false;
}

bool TInbox::WaitForEnd(std::chrono::milliseconds time) {
  std::unique_lock<std::mutex> lock(Mutex);
  return Ready.wait_for(lock, time, [&] { return Ended; });
}

bool TInbox::Waiting() {
  std::lock_guard<std::mutex> lock(Mutex);
  return !Items.empty();
}

std::string UriInHead(std::string_view head) {
  size_t at = head.find("\"uri\"");
  if (at == std::string_view::npos) return {};
  at += 5;
  while (at < head.size() && (head[at] == ' ' || head[at] == '\t' || head[at] == '\r' ||
                              head[at] == '\n' || head[at] == ':')) {
    ++at;
  }
  if (at >= head.size() || head[at] != '"') return {};
  for (size_t end = at + 1; end < head.size(); ++end) {
    if (head[end] == '\\') {
      ++end;
    } else if (head[end] == '"') {
      try {
        return TJson::parse(head.substr(at, end + 1 - at)).get<std::string>();
      } catch (const TJson::exception&) {
        return {};
      }
    }
  }
  return {};
}

}  // namespace zunt
