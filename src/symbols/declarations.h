// The reader of the declarations file (NAME.txt): variables and constants.
#ifndef ZUNT_SYMBOLS_DECLARATIONS_H_
#define ZUNT_SYMBOLS_DECLARATIONS_H_

#include <string>
#include <string_view>

#include "cursor/cursor.h"
#include "symbols/table.h"

namespace zunt {

/// Reads declarations from the cursor to the end of the data into the tables;
/// throws TFail at the first error.
///
/// Items are separated by blanks, CR and LF:
///   (NAME) = 'VALUE' rest of line     a constant; VALUE may span lines
///   ; comment                         to the end of the line
///   NAME = VALUE                      a variable; VALUE ends at CR or ";"
void ReadDeclarations(TCursor& cursor, TVarTable& globalVars, TConstTable& constants);

/// Returns the bytes shown for a byte that interrupted a name: "Конец строки"
/// in double quotes for the line end, else the byte itself in double quotes.
std::string ByteText(unsigned char b, unsigned char lineEnd);

/// Returns text without the bytes up to 32 at both ends.
std::string_view Trim(std::string_view text);

/// Returns a variable's stored name: trimmed, folded to upper case, and cut
/// before its first "[".
std::string VariableName(std::string_view scanned);

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_DECLARATIONS_H_
