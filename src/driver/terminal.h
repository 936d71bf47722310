// Reports as a terminal shows them, in the form compilers use, so that
// editors can jump to the place:
//   towns.erm:13:9: error: Переменной $HERO_EXPP$ не существует!
//      13 | !!VR$HERO_EXPP$:S5;
//         |     ^
#ifndef ZUNT_DRIVER_TERMINAL_H_
#define ZUNT_DRIVER_TERMINAL_H_

#include <string>
#include <string_view>

#include "base/fail.h"

namespace zunt {

/// The name that reports about no file are given.
inline constexpr std::string_view kProgramName = "zunt";

/// Returns a report's lines in UTF-8: "FILE:LINE:COL: error: BODY" (or
/// "FILE: error: BODY" outside a file), a warning's name ("[-Walias]") after
/// the body, then the source line and a caret when there is one. With color,
/// the escapes that gcc uses.
std::string TerminalText(const TFail& report, bool color);

/// Returns a message body in UTF-8 on one line: the Windows-1251 text
/// converted, each of its line breaks one blank, a long text cut in the middle,
/// the path shown safely; no control byte but the tab.
std::string OneLineBody(const TFail& report);

/// Returns whether --color=auto colours: on a terminal, with NO_COLOR unset or
/// empty, and TERM set and not "dumb" (as compilers decide).
bool AutoColor(bool terminal, const char* noColor, const char* term);

}  // namespace zunt

#endif  // ZUNT_DRIVER_TERMINAL_H_
