// JSON-RPC 2.0 as the Language Server Protocol uses it: requests,
// notifications and responses, the error codes, and places in JSON.
#ifndef ZUNT_SERVER_PROTOCOL_H_
#define ZUNT_SERVER_PROTOCOL_H_

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

#include "server/json_text.h"
#include "server/text.h"

namespace zunt {

using TJson = nlohmann::json;

/// The error codes of a response.
namespace rpc {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;
inline constexpr int kContentModified = -32801;
inline constexpr int kRequestCancelled = -32800;
}  // namespace rpc

/// The deepest nesting of objects and arrays a message may have; a deeper
/// one is refused as a parse error.
inline constexpr size_t kMaxJsonDepth = 128;

/// A message as it was read.
struct TMessage {
  enum TKind { Request, Notification, Response, Invalid } Kind = Invalid;
  TJson Id;  // a request's (or an invalid message's, when it had one)
  std::string Method;
  TJson Params;
  int Error = 0;  // for an invalid message: kParseError or kInvalidRequest
  std::string ErrorText;
  std::vector<TTakenText> Taken;  // long strings of Params, "" there
};

/// Reads a message body; never throws. Params that are null where the
/// method's may be void ("shutdown", "exit", "initialized") read as none. Texts of at least `least`
/// bytes are taken out of it, converted to Windows-1251 (see TakeLongStrings).
TMessage ParseMessage(std::string_view body, size_t least = kTakenStringSize);

/// A request's failure, answered as an error response.
struct TRequestError {
  int Code = rpc::kRequestFailed;
  std::string Message;  // UTF-8
};

/// Returns the body of a successful response whose result is JSON text.
std::string ResultBody(const TJson& id, std::string result);
/// Returns the body of an error response.
std::string ErrorBody(const TJson& id, int code, std::string_view message);
/// Returns the body of a notification.
std::string NotificationBody(std::string_view method, const TJson& params);

/// Converts places to and from JSON; a place that is not one throws TRequestError.
TJson ToJson(const TPosition& position);
TJson ToJson(const TRange& range);
TPosition PositionFromJson(const TJson& json);
TRange RangeFromJson(const TJson& json);

/// Returns a value as JSON text, its members sorted, invalid UTF-8 replaced.
std::string Dump(const TJson& json);
/// Appends UTF-8 text as a JSON string, escaped as Dump escapes it.
void WriteJsonString(std::string& out, std::string_view text);
/// Appends a range as JSON text, as Dump writes ToJson(range).
void WriteJsonRange(std::string& out, const TRange& range);

/// Returns a string member of an object, or throws TRequestError (invalid params).
const std::string& StringAt(const TJson& object, const char* key);

}  // namespace zunt

#endif  // ZUNT_SERVER_PROTOCOL_H_
