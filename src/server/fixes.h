// The obvious textual fixes of the warnings (and of a comment that lacks its
// second ";"): what the message says the author should have written.
#ifndef ZUNT_SERVER_FIXES_H_
#define ZUNT_SERVER_FIXES_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zunt {

/// A fix: replace the bytes from Begin up to End with Text (Windows-1251).
struct TTextFix {
  std::string Title;  // UTF-8; empty: no fix
  size_t Begin = 0;
  size_t End = 0;
  std::string Text;
};

/// Returns the fix of a report of the given code that starts at `at` in the
/// bytes of its file, or a fix with no title when there is no obvious one.
TTextFix FixOf(std::string_view code, std::string_view bytes, size_t at);

}  // namespace zunt

#endif  // ZUNT_SERVER_FIXES_H_
