// Signs that a file is not Windows-1251 text: a byte-order mark, or bytes
// that read as UTF-8.
#ifndef ZUNT_CURSOR_ENCODING_H_
#define ZUNT_CURSOR_ENCODING_H_

#include <cstddef>
#include <functional>
#include <string_view>

namespace zunt {

/// Returns the length of the byte-order mark (UTF-8, UTF-16 or UTF-32) that
/// bytes start with, or 0.
size_t ByteOrderMarkLength(std::string_view bytes);

/// Returns the offset of the first multi-byte sequence when bytes are valid
/// UTF-8 and hold one, or std::string_view::npos. Every mebibyte or so it
/// calls passed, when given, with the offset that no byte before is read again.
size_t FirstUtf8Sequence(std::string_view bytes,
                         const std::function<void(size_t)>& passed = nullptr);

}  // namespace zunt

#endif  // ZUNT_CURSOR_ENCODING_H_
