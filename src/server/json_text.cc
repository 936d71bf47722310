#include "server/json_text.h"

#include <algorithm>

#include "base/cp1251.h"

namespace zunt {
namespace {

// The bytes a string holds as they are: printable ASCII but '"' and '\'.
struct TPlainBytes {
  bool Plain[256] = {};
  constexpr TPlainBytes() {
    for (int c = 0x20; c < 0x80; ++c) Plain[c] = c != '"' && c != '\\';
  }
};
constexpr TPlainBytes kPlain;

// Returns the four hex digits at `at` as a number, or -1.
long ReadHex4(std::string_view raw, size_t at) {
  if (at + 4 > raw.size()) return -1;
  long value = 0;
  for (size_t k = 0; k < 4; ++k) {
    char c = raw[at + k];
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// Reads the UTF-8 sequence of two to four bytes at `at`; returns its length,
// 0 when it is not a shortest form of a scalar value.
size_t ReadUtf8(std::string_view raw, size_t at, char32_t* codePoint) {
  unsigned char lead = static_cast<unsigned char>(raw[at]);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's bounds
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (at + length > raw.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(raw[at + k]);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return 0;
    value = value << 6 | (next & 0x3F);
  }
  *codePoint = value;
  return length;
}

// Writes a character that is not ASCII at *out: its byte, or "?" noted as foreign.
void PutCharacter(char32_t cp, char** out, TConverted* text) {
  if (cp >= 0xC0 && cp <= 0xFF) ++text->LatinLetters;
  if (cp >= 0x400 && cp <= 0x4FF) text->Cyrillic = true;
  int byte = cp >= 0x410 && cp <= 0x44F ? static_cast<int>(0xC0 + (cp - 0x410)) : Win1251Byte(cp);
  if (byte < 0) {
    text->Foreign.push_back(TForeign{static_cast<size_t>(*out - text->Bytes.data()), cp, false});
    byte = kForeignByte;
  }
  *(*out)++ = static_cast<char>(byte);
}

// Reads the escape at `at` (its backslash); returns its length, 0 when it is none.
size_t ReadEscape(std::string_view raw, size_t at, char32_t* codePoint) {
  if (at + 1 >= raw.size()) return 0;
  switch (raw[at + 1]) {
    case '"':
      *codePoint = '"';
      return 2;
    case '\\':
      *codePoint = '\\';
      return 2;
    case '/':
      *codePoint = '/';
      return 2;
    case 'b':
      *codePoint = '\b';
      return 2;
    case 'f':
      *codePoint = '\f';
      return 2;
    case 'n':
      *codePoint = '\n';
      return 2;
    case 'r':
      *codePoint = '\r';
      return 2;
    case 't':
      *codePoint = '\t';
      return 2;
    case 'u':
      break;
    default:
      return 0;
  }
  long unit = ReadHex4(raw, at + 2);
  if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return 0;
  if (unit < 0xD800 || unit > 0xDBFF) {
    *codePoint = static_cast<char32_t>(unit);
    return 6;
  }
  if (at + 12 > raw.size() || raw[at + 6] != '\\' || raw[at + 7] != 'u') return 0;
  long low = ReadHex4(raw, at + 8);
  if (low < 0xDC00 || low > 0xDFFF) return 0;
  *codePoint = static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
  return 12;
}

// Returns the place of the quote that ends the string whose text starts at
// `start`, or npos.
size_t StringEnd(std::string_view body, size_t start) {
  for (size_t from = start;;) {
    size_t quote = body.find('"', from);
    if (quote == std::string_view::npos) return quote;
    size_t slashes = 0;
    while (quote - slashes > start && body[quote - 1 - slashes] == '\\') ++slashes;
    if (slashes % 2 == 0) return quote;
    from = quote + 1;
  }
}

// An object or array the reader is inside.
struct TLevel {
  bool Object = false;
  std::string_view Key;  // an object's member being read
  size_t Index = 0;      // an array's item being read
};

std::string PointerOf(const std::vector<TLevel>& levels) {
  std::string pointer;
  for (const TLevel& level : levels) {
    pointer += '/';
    if (!level.Object) {
      pointer += std::to_string(level.Index);
      continue;
    }
    for (char c : level.Key) {
      if (c == '~' || c == '/') {
        pointer += c == '~' ? "~0" : "~1";
      } else {
        pointer += c;
      }
    }
  }
  return pointer;
}

}  // namespace

bool AppendJsonString(std::string_view raw, TConverted* text) {
  // The characters are counted first, so that the bytes are given their room
  // once: every byte that begins a character makes one, an escape of n bytes
  // makes one.
  size_t count = 0;
  for (char c : raw) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  for (size_t at = raw.find('\\'); at != std::string_view::npos; at = raw.find('\\', at)) {
    char32_t cp = 0;
    size_t length = ReadEscape(raw, at, &cp);
    if (length == 0) return false;
    count -= length - 1;
    at += length;
  }
  size_t start = text->Bytes.size();
  // A document's text is edited in place: room for typing, so that the first
  // keystroke does not move all of it.
  text->Bytes.reserve(start + count + count / 16);
  text->Bytes.resize(start + count);
  char* out = text->Bytes.data() + start;
  bool valid = true;
  for (size_t i = 0; i < raw.size() && valid;) {
    size_t plain = i;
    while (plain < raw.size() && kPlain.Plain[static_cast<unsigned char>(raw[plain])]) ++plain;
    if (plain != i) {
      std::copy(raw.data() + i, raw.data() + plain, out);
      out += plain - i;
      i = plain;
      continue;
    }
    char32_t cp = 0;
    unsigned char byte = static_cast<unsigned char>(raw[i]);
    size_t length = byte == '\\'   ? ReadEscape(raw, i, &cp)
                    : byte >= 0x80 ? ReadUtf8(raw, i, &cp)
                                   : 0;
    valid = length != 0;
    i += length;
    if (!valid) break;
    if (cp < 0x80) {
      *out++ = static_cast<char>(cp);
    } else {
      PutCharacter(cp, &out, text);
    }
  }
  text->Bytes.resize(static_cast<size_t>(out - text->Bytes.data()));
  return valid;
}

bool TakeLongStrings(std::string_view body, size_t least, std::string* rest,
                     std::vector<TTakenText>* taken) {
  std::vector<TLevel> levels;
  bool wantKey = false;
  size_t copied = 0;  // the body up to here is in *rest
  for (size_t i = 0; i < body.size();) {
    switch (body[i]) {
      case '{':
      case '[':
        levels.push_back(TLevel{body[i] == '{', {}, 0});
        wantKey = body[i] == '{';
        break;
      case '}':
      case ']':
        if (levels.empty()) return false;
        levels.pop_back();
        wantKey = false;
        break;
      case ',':
        if (levels.empty()) return false;
        wantKey = levels.back().Object;
        if (!wantKey) ++levels.back().Index;
        break;
      case '"': {
        size_t end = StringEnd(body, i + 1);
        if (end == std::string_view::npos) return false;
        std::string_view raw = body.substr(i + 1, end - i - 1);
        if (wantKey) {
          if (raw.find('\\') != std::string_view::npos) return false;
          levels.back().Key = raw;
          wantKey = false;
        } else if (raw.size() >= least && !levels.empty() && levels.back().Object &&
                   levels.back().Key == "text") {
          TTakenText text{PointerOf(levels), {}};
          if (!AppendJsonString(raw, &text.Text)) return false;
          rest->append(body.substr(copied, i - copied)).append("\"\"");
          copied = end + 1;
          taken->push_back(std::move(text));
        }
        i = end;
        break;
      }
      default:
        break;
    }
    ++i;
  }
  rest->append(body.substr(copied));
  return true;
}

}  // namespace zunt
