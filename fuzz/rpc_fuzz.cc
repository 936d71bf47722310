// Fuzz target: the language server's reader of framed JSON-RPC messages and
// the session that handles them. The input is what an editor might send,
// handed over a few bytes at a time (the first byte says how many). Every
// frame is a message within the limit or a skipped one; reading ends; every
// request is answered exactly once, with its own id, and every reply is JSON.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "fuzz_check.h"
#include "server/protocol.h"
#include "server/session.h"
#include "server/transport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zunt;
  if (size == 0) return 0;
  size_t step = data[0] % 16 + 1;
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  TMemoryInput memory(input, step);
  TFrameReader reader(memory, 4096);
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
      },
      [](std::string_view) {}, "fuzz");
  size_t frames = 0;
  while (true) {
    TFrame frame = reader.Next();
    Require(++frames <= input.size() + 1, "each frame consumes input");
    if (frame.Status == TFrameStatus::End) break;
    if (frame.Status == TFrameStatus::Skipped) continue;
    Require(frame.Body.size() <= 4096, "a message is within the limit");
    TMessage message = ParseMessage(frame.Body);
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
