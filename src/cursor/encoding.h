// Signs that a file is not Windows-1251 text: a byte-order mark, or bytes
// that read as UTF-8.
#ifndef ZUNT_CURSOR_ENCODING_H_
#define ZUNT_CURSOR_ENCODING_H_

#include <cstddef>
#include <string_view>

namespace zunt {

/// Returns the length of the byte-order mark (UTF-8, UTF-16 or UTF-32) that
/// bytes start with, or 0.
size_t ByteOrderMarkLength(std::string_view bytes);

/// Returns the offset of the first multi-byte sequence when bytes are valid
/// UTF-8 and hold one, or std::string_view::npos.
size_t FirstUtf8Sequence(std::string_view bytes);

}  // namespace zunt

#endif  // ZUNT_CURSOR_ENCODING_H_
