#include "server/protocol.h"

#include <limits>

namespace zunt {

std::string Dump(const TJson& json) {
  return json.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

namespace {

uint32_t UnsignedAt(const TJson& object, const char* key) {
  if (!object.is_object()) throw TRequestError{rpc::kInvalidParams, "a place must be an object"};
  auto it = object.find(key);
  if (it == object.end() || !it->is_number_integer() || it->get<int64_t>() < 0 ||
      it->get<int64_t>() > std::numeric_limits<uint32_t>::max()) {
    throw TRequestError{rpc::kInvalidParams, std::string("\"") + key + "\" must be a number"};
  }
  return static_cast<uint32_t>(it->get<int64_t>());
}

// Reads a message body whole with the JSON reader.
TMessage ParseJson(std::string_view body) {
  TMessage message;
  TJson json;
  try {
    json = TJson::parse(body);
  } catch (const TJson::exception& error) {
    message.Error = rpc::kParseError;
    message.ErrorText = error.what();
    return message;
  }
  message.Error = rpc::kInvalidRequest;
  if (!json.is_object()) {
    message.ErrorText = "a message must be an object";
    return message;
  }
  auto id = json.find("id");
  bool hasId = id != json.end();
  if (hasId && (id->is_string() || id->is_number_integer())) message.Id = *id;
  if (hasId && !id->is_string() && !id->is_number_integer() && !id->is_null()) {
    message.ErrorText = "an id must be a number or a string";
    return message;
  }
  auto version = json.find("jsonrpc");
  if (version == json.end() || *version != "2.0") {
    message.ErrorText = "\"jsonrpc\" must be \"2.0\"";
    return message;
  }
  auto method = json.find("method");
  if (method == json.end()) {
    if (hasId && (json.contains("result") || json.contains("error"))) {
      message.Kind = TMessage::Response;
      message.Error = 0;
      return message;
    }
    message.ErrorText = "a message needs a method";
    return message;
  }
  if (!method->is_string()) {
    message.ErrorText = "a method must be a string";
    return message;
  }
  // "params": null is taken for none: eglot sends it with shutdown and exit.
  auto params = json.find("params");
  if (params != json.end() && params->is_null()) params = json.end();
  if (params != json.end() && !params->is_object() && !params->is_array()) {
    message.ErrorText = "params must be an object or an array";
    return message;
  }
  message.Method = method->get<std::string>();
  if (params != json.end()) message.Params = std::move(*params);
  message.Kind = hasId ? TMessage::Request : TMessage::Notification;
  if (hasId && id->is_null()) {
    message.Kind = TMessage::Invalid;
    message.ErrorText = "a request's id must not be null";
    return message;
  }
  message.Error = 0;
  return message;
}

}  // namespace

TMessage ParseMessage(std::string_view body, size_t least) {
  if (body.size() >= least) {
    std::string rest;
    std::vector<TTakenText> taken;
    if (TakeLongStrings(body, least, &rest, &taken) && !taken.empty()) {
      TMessage message = ParseJson(rest);
      // A message that is not JSON is read whole again, for the error's place.
      if (message.Error != rpc::kParseError) {
        if (message.Kind != TMessage::Invalid) message.Taken = std::move(taken);
        return message;
      }
    }
  }
  return ParseJson(body);
}

std::string ResultBody(const TJson& id, std::string result) {
  // The members in the order Dump sorts them; a long result is not copied.
  result.insert(0, R"({"id":)" + Dump(id) + R"(,"jsonrpc":"2.0","result":)");
  result += '}';
  return result;
}

std::string ErrorBody(const TJson& id, int code, std::string_view message) {
  return Dump(TJson{{"jsonrpc", "2.0"},
                    {"id", id},
                    {"error", {{"code", code}, {"message", std::string(message)}}}});
}

std::string NotificationBody(std::string_view method, const TJson& params) {
  return Dump(TJson{{"jsonrpc", "2.0"}, {"method", std::string(method)}, {"params", params}});
}

void WriteJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  size_t plain = 0;  // the start of the bytes not yet appended
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte != '"' && byte != '\\') continue;
    out.append(text, plain, i - plain);
    plain = i + 1;
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
  }
  out.append(text, plain, text.size() - plain);
  out += '"';
}

void WriteJsonRange(std::string& out, const TRange& range) {
  out += R"({"end":{"character":)" + std::to_string(range.End.Character) + R"(,"line":)" +
         std::to_string(range.End.Line) + R"(},"start":{"character":)" +
         std::to_string(range.Start.Character) + R"(,"line":)" + std::to_string(range.Start.Line) +
         "}}";
}

TJson ToJson(const TPosition& position) {
  return TJson{{"line", position.Line}, {"character", position.Character}};
}

TJson ToJson(const TRange& range) {
  return TJson{{"start", ToJson(range.Start)}, {"end", ToJson(range.End)}};
}

TPosition PositionFromJson(const TJson& json) {
  return TPosition{UnsignedAt(json, "line"), UnsignedAt(json, "character")};
}

TRange RangeFromJson(const TJson& json) {
  if (!json.is_object() || !json.contains("start") || !json.contains("end")) {
    throw TRequestError{rpc::kInvalidParams, "a range needs a start and an end"};
  }
  return TRange{PositionFromJson(json["start"]), PositionFromJson(json["end"])};
}

const std::string& StringAt(const TJson& object, const char* key) {
  if (object.is_object()) {
    auto it = object.find(key);
    if (it != object.end() && it->is_string()) return it->get_ref<const std::string&>();
  }
  throw TRequestError{rpc::kInvalidParams, std::string("\"") + key + "\" must be a string"};
}

}  // namespace zunt
