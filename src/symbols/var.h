// The value of a named variable and the integer syntax of values and indexes.
#ifndef ZUNT_SYMBOLS_VAR_H_
#define ZUNT_SYMBOLS_VAR_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zunt {

/// A script variable: a letter and a number, such as y100.
struct TVar {
  char Letter = 0;     // the first byte of the value; 0 marks an invalid value
  int32_t Number = 0;  // the value of the rest
  std::string Text;    // the rest exactly as written ("0100", "$1F", " 10")

  bool Valid() const { return Letter != 0; }
};

/// Parses a trimmed value text: any first byte as the letter, then an integer.
/// Returns a TVar whose Letter is 0 when the text is not a valid value.
TVar ParseVarValue(std::string_view text);

/// Parses an integer: leading blanks, a sign, then decimal digits or a
/// hexadecimal prefix ($, x, X, 0x, 0X) and digits, and nothing after them;
/// a zero byte ends the text. Returns nothing when the text is not one.
std::optional<int32_t> StrToIntStrict(std::string_view text);

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_VAR_H_
