// Conversions between UTF-8 and Windows-1251, the code page of every script,
// declarations file and message of the tool.
#ifndef ZUNT_BASE_CP1251_H_
#define ZUNT_BASE_CP1251_H_

#include <string>
#include <string_view>

namespace zunt {

/// Converts UTF-8 text (the tool's own message texts) to Windows-1251 bytes;
/// a character the code page lacks becomes "?".
std::string Win1251(std::string_view utf8);

/// Converts Windows-1251 bytes to UTF-8; the unassigned byte 0x98 becomes U+FFFD.
std::string Utf8FromWin1251(std::string_view bytes);

/// Returns the Windows-1251 byte of a Unicode code point, or -1 when the code
/// page has none (U+FFFD among them).
int Win1251Byte(char32_t codePoint);

/// Returns the Unicode code point of a Windows-1251 byte (U+FFFD for 0x98).
char32_t CodePointOfByte(unsigned char byte);

/// Appends a code point to UTF-8 text.
void AppendUtf8(std::string* out, char32_t codePoint);

}  // namespace zunt

#endif  // ZUNT_BASE_CP1251_H_
