// Fuzz target: the language server's reader of framed JSON-RPC messages and
// the session that handles them. The input is what an editor might send,
// handed over a few bytes at a time (the first byte says how many). Every
// frame is a message within the limit or a skipped one; reading ends; every
// request is answered exactly once, with its own id, and every reply is JSON;
// nothing is read after a length that cannot be trusted, and no nesting
// overflows the stack.
// Texts taken out of a message by hand read as the JSON reader reads them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "fuzz_check.h"
#include "server/protocol.h"
#include "server/session.h"
#include "server/transport.h"

namespace {

// The message read with every text taken out must be the one read whole.
void CheckTakenTexts(const std::string& body, const zunt::TMessage& taken) {
  using namespace zunt;
  TMessage whole = ParseMessage(body, SIZE_MAX);
  Require(taken.Kind == whole.Kind && taken.Error == whole.Error && taken.Id == whole.Id &&
              taken.Method == whole.Method,
          "a message reads the same with its texts taken out");
  TJson root{{"params", whole.Params}};
  std::set<std::string> seen;  // of a member written twice the reader keeps the last
  for (auto it = taken.Taken.rbegin(); it != taken.Taken.rend(); ++it) {
    const TTakenText& text = *it;
    if (text.Pointer.rfind("/params/", 0) != 0 || !seen.insert(text.Pointer).second) continue;
    const TJson& value = root.at(TJson::json_pointer(text.Pointer));
    TConverted converted;
    AppendWin1251(value.get<std::string>(), 0, &converted.Bytes, &converted.Foreign);
    Require(
        converted.Bytes == text.Text.Bytes && converted.Foreign.size() == text.Text.Foreign.size(),
        "a text taken out converts as the JSON reader's string");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zunt;
  if (size == 0) return 0;
  size_t step = data[0] % 16 + 1;
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  TMemoryInput memory(input, step);
  TFrameReader reader(memory, 4096, 65536);
  std::map<std::string, int> replies;
  std::map<std::string, int> requests;
  TSession session(
      [&](const std::string& body) {
        TJson reply;
        try {
          reply = TJson::parse(body);
        } catch (...) {
          Broken("every reply is JSON");
        }
        if (reply.contains("id")) ++replies[reply["id"].dump()];
        // A member of the wrong type is the client's error, never the server's.
        if (reply.contains("error") && reply["error"].is_object()) {
          Require(reply["error"].value("code", 0) != rpc::kInternalError ||
                      reply["error"].value("message", "").rfind("[json.exception", 0) != 0,
                  "no request fails on a member of an unexpected type");
        }
      },
      [](std::string_view) {}, "fuzz");
  size_t frames = 0;
  bool broken = false;
  while (true) {
    TFrame frame = reader.Next();
    Require(++frames <= input.size() + 1, "each frame consumes input");
    // After a length that cannot be trusted nothing more is read.
    Require(!broken || frame.Status == TFrameStatus::End, "nothing is read after a broken frame");
    if (frame.Status == TFrameStatus::End) break;
    if (frame.Status == TFrameStatus::Broken) {
      broken = true;
      continue;
    }
    if (frame.Status == TFrameStatus::Skipped || frame.Status == TFrameStatus::TooLarge) continue;
    Require(frame.Body.size() <= 4096, "a message is within the limit");
    TMessage message = ParseMessage(frame.Body, 1);
    CheckTakenTexts(frame.Body, message);
    // An invalid message whose id could be read is answered with that id too.
    bool answered = message.Kind == TMessage::Request ||
                    (message.Kind == TMessage::Invalid && !message.Id.is_null());
    if (answered) ++requests[message.Id.dump()];
    session.Handle(message);
    if (session.Exited()) break;
  }
  session.PublishDue();
  for (const auto& [id, count] : requests) {
    Require(replies[id] == count, "every request is answered exactly once");
  }
  return 0;
}
