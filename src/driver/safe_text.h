// Text that a terminal shows and never obeys: whatever bytes a file or a file
// name holds, no control sequence reaches the terminal through a message.
#ifndef ZUNT_DRIVER_SAFE_TEXT_H_
#define ZUNT_DRIVER_SAFE_TEXT_H_

#include <string>
#include <string_view>

namespace zunt {

/// The most bytes of a message's Windows-1251 text shown whole; a longer one
/// keeps its start and its end around "…".
inline constexpr size_t kMaxShownText = 240;

/// Appends the picture of a control byte (U+2400 + the byte, U+2421 for DEL).
void AppendPicture(std::string* out, unsigned char byte);

/// Appends Windows-1251 text as UTF-8 on one line: CR LF is one blank, every
/// other control byte but the tab its picture.
void AppendOneLine(std::string* out, std::string_view text);

/// The same, keeping only the start and the end of a text longer than
/// kMaxShownText, with "…" between them.
void AppendOneLineCut(std::string* out, std::string_view text);

/// Appends a path (the system's bytes, UTF-8 on the systems that have a
/// choice) as UTF-8: control bytes but the tab become their pictures, C1
/// control characters and bytes that are not UTF-8 "\xNN".
void AppendPath(std::string* out, std::string_view path);

/// Returns a path as AppendPath writes it.
std::string SafePath(std::string_view path);

}  // namespace zunt

#endif  // ZUNT_DRIVER_SAFE_TEXT_H_
