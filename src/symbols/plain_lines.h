// The quick reader of the declarations file's plain lines, the shape that
// nearly every line of a large file has:
//   NAME = y100        a variable: a Latin letter, then up to nine digits
//                      (or "-" and up to eight)
//   (NAME) = 'text'    a constant on one line
// with a new name of up to sixteen bytes (a variable's without blanks),
// spaces or none around "=", a variable's value ended by CR and a constant's
// line by CR LF or LF. Any other line is left to the careful reader, which
// gives every message and warning; a plain line read either way leaves the
// same tables and the same cursor.
#ifndef ZUNT_SYMBOLS_PLAIN_LINES_H_
#define ZUNT_SYMBOLS_PLAIN_LINES_H_

#include "base/diagnostics.h"
#include "cursor/cursor.h"
#include "symbols/table.h"

namespace zunt {

/// Reads the plain lines from the cursor on into the tables, up to the first
/// item that is not one (or the end of the data). Leaves the cursor after the
/// last line it read, on the separators before that item. A variable that
/// another name binds already is left to the careful reader while its
/// warning is to be shown in diagnostics (when given), and counted after that.
void ReadPlainLines(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
                    TDiagnostics* diagnostics = nullptr);

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_PLAIN_LINES_H_
