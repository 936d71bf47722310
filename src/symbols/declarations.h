// The reader of the declarations file (NAME.txt): variables and constants.
#ifndef ZUNT_SYMBOLS_DECLARATIONS_H_
#define ZUNT_SYMBOLS_DECLARATIONS_H_

#include <string>
#include <string_view>

#include "base/diagnostics.h"
#include "cursor/cursor.h"
#include "symbols/table.h"

namespace zunt {

/// Reads declarations from the cursor to the end of the data into the tables;
/// throws TFail at the first error. Warnings go to diagnostics, when given.
///
/// Items are separated by blanks, CR and LF:
///   (NAME) = 'VALUE' rest of line     a constant; VALUE may span lines
///   ; comment                         to the end of the line
///   NAME = VALUE                      a variable; VALUE ends at CR or ";"
void ReadDeclarations(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
                      TDiagnostics* diagnostics = nullptr);

/// As ReadDeclarations, with every item, plain lines too, read by the careful
/// reader: what the quick reader of plain lines is compared against.
void ReadDeclarationsCarefully(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
                               TDiagnostics* diagnostics = nullptr);

/// Returns whether a value's letter is a Latin letter, as it should be.
inline bool IsLatinLetter(char letter) {
  unsigned char small = static_cast<unsigned char>(letter) | 0x20;
  return small >= 'a' && small <= 'z';
}

/// Warns when a declared value's letter, at `at` in the cursor's data, is not
/// a Latin letter (a Cyrillic "в" typed for "v", say).
void WarnOnLetter(const TCursor& cursor, std::string_view name, const TVar& var, size_t at,
                  TDiagnostics& diagnostics);

/// Warns, once per file, when a variable's value ran across a line feed: its
/// line ends in LF without CR, and a value ends only at CR or ";".
void WarnOnLineFeedInValue(const TCursor& cursor, std::string_view value,
                           TDiagnostics& diagnostics);

/// Returns the bytes shown for a byte that interrupted a name: "Конец строки"
/// in double quotes for the line end, else the byte itself in double quotes.
std::string ByteText(unsigned char b, unsigned char lineEnd);

/// Returns text without the bytes up to 32 at both ends.
std::string_view Trim(std::string_view text);

/// Returns a variable's name as it is looked up: trimmed and cut before its
/// first "[" (the tables fold it; messages show it UpperCased).
std::string_view VariableName(std::string_view scanned);

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_DECLARATIONS_H_
