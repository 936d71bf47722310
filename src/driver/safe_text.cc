#include "driver/safe_text.h"

#include "base/cp1251.h"

namespace zunt {
namespace {

// How many of the start's bytes a cut text keeps; the rest of kMaxShownText
// goes to its end, where the fixed part of a message usually is.
constexpr size_t kCutHead = 80;

bool IsControl(unsigned char b) { return (b < 0x20 && b != '\t') || b == 0x7F; }

// Returns the length of the valid UTF-8 sequence at the start of text (a
// shortest form, no surrogate, at most U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view text) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = at(0);
  size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((at(k) & 0xC0) != 0x80) return 0;
  }
  if (length == 3 && ((lead == 0xE0 && at(1) < 0xA0) || (lead == 0xED && at(1) >= 0xA0))) return 0;
  if (length == 4 && ((lead == 0xF0 && at(1) < 0x90) || (lead == 0xF4 && at(1) >= 0x90))) return 0;
  return length;
}

void AppendHexByte(std::string* out, unsigned char b) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  *out += "\\x";
  *out += kDigits[b >> 4];
  *out += kDigits[b & 15];
}

}  // namespace

void AppendPicture(std::string* out, unsigned char byte) {
  char32_t picture = byte == 0x7F ? 0x2421 : 0x2400 + byte;
  *out += static_cast<char>(0xE0 | (picture >> 12));
  *out += static_cast<char>(0x80 | ((picture >> 6) & 0x3F));
  *out += static_cast<char>(0x80 | (picture & 0x3F));
}

void AppendOneLine(std::string* out, std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = at;
    while (end < text.size() && !IsControl(static_cast<unsigned char>(text[end]))) ++end;
    *out += Utf8FromWin1251(text.substr(at, end - at));
    if (end == text.size()) break;
    if (text.compare(end, 2, "\r\n") == 0) {
      *out += ' ';
      at = end + 2;
    } else {
      AppendPicture(out, static_cast<unsigned char>(text[end]));
      at = end + 1;
    }
  }
}

void AppendOneLineCut(std::string* out, std::string_view text) {
  if (text.size() <= kMaxShownText) return AppendOneLine(out, text);
  AppendOneLine(out, text.substr(0, kCutHead));
  *out += "…";
  AppendOneLine(out, text.substr(text.size() - (kMaxShownText - kCutHead)));
}

void AppendPath(std::string* out, std::string_view path) {
  for (size_t at = 0; at < path.size();) {
    unsigned char b = static_cast<unsigned char>(path[at]);
    size_t length = Utf8SequenceLength(path.substr(at));
    if (IsControl(b)) {
      AppendPicture(out, b);
      length = 1;
    } else if (length == 0) {
      AppendHexByte(out, b);
      length = 1;
    } else if (b == 0xC2 && static_cast<unsigned char>(path[at + 1]) < 0xA0) {  // U+0080..U+009F
      AppendHexByte(out, b);
      AppendHexByte(out, static_cast<unsigned char>(path[at + 1]));
    } else {
      out->append(path.substr(at, length));
    }
    at += length;
  }
}

std::string SafePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  AppendPath(&out, path);
  return out;
}

}  // namespace zunt
