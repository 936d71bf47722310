#include "cursor/encoding.h"

#include <algorithm>
#include <cstdint>

#include "cursor/wide.h"

namespace zunt {
namespace {

// Returns the length of the valid UTF-8 sequence at bytes[at] (a byte of 0x80
// or more), or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view bytes, size_t at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  unsigned char lead = byte(at);
  size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || bytes.size() - at < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  }
  // No overlong forms, no surrogates, nothing above U+10FFFF.
  unsigned char second = byte(at + 1);
  if (lead == 0xE0 && second < 0xA0) return 0;
  if (lead == 0xED && second > 0x9F) return 0;
  if (lead == 0xF0 && second < 0x90) return 0;
  if (lead == 0xF4 && second > 0x8F) return 0;
  return length;
}

}  // namespace

size_t ByteOrderMarkLength(std::string_view bytes) {
  using namespace std::literals;
  for (std::string_view mark :
       {"\xEF\xBB\xBF"sv, "\xFF\xFE\0\0"sv, "\0\0\xFE\xFF"sv, "\xFF\xFE"sv, "\xFE\xFF"sv}) {
    if (bytes.starts_with(mark)) return mark.size();
  }
  return 0;
}

size_t FirstUtf8Sequence(std::string_view bytes, const std::function<void(size_t)>& passed) {
  constexpr size_t kPiece = size_t{1} << 20;
  size_t first = std::string_view::npos;
  for (size_t from = 0; from < bytes.size();) {
    // High bytes are looked for a piece at a time.
    std::string_view piece = bytes.substr(0, std::min(bytes.size(), from + kPiece));
    size_t at = fast::FindHighByte(piece, from);
    if (at == piece.size()) {
      from = at;
      if (passed) passed(from);
      continue;
    }
    size_t length = Utf8SequenceLength(bytes, at);
    if (length == 0) return std::string_view::npos;
    if (first == std::string_view::npos) first = at;
    from = at + length;
  }
  return first;
}

}  // namespace zunt
