// The warnings about one variable under two names: a declaration that binds
// a letter and a number another name binds already (alias), and an indexed
// reference that lands on another name's variable (overlap).
#ifndef ZUNT_SYMBOLS_CLASHES_H_
#define ZUNT_SYMBOLS_CLASHES_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/diagnostics.h"
#include "cursor/cursor.h"
#include "symbols/table.h"

namespace zunt {

/// Returns the number that a variable's number plus an index gives, wrapped around 32 bits.
inline int32_t IndexedNumber(int32_t number, int32_t index) {
  return static_cast<int32_t>(static_cast<uint32_t>(number) + static_cast<uint32_t>(index));
}

/// Warns, at the byte at `at` of the cursor's data, that the variable just
/// declared as `name` (letter and number) is the one that the variable at
/// place `earlier` of the table binds; a note points at that one.
void WarnOnAlias(const TCursor& cursor, const TSymbolTable& vars, std::string_view name,
                 char letter, int32_t number, size_t earlier, size_t at, TDiagnostics& diagnostics);

/// Warns, at the index's "[" (at `at`), that the reference mark NAME[index]
/// mark lands on the letter and number that the variable at place `other`
/// binds; a note points at that one's declaration.
void WarnOnOverlap(const TCursor& cursor, const TSymbolTable& vars, char mark,
                   std::string_view name, int32_t index, char letter, int32_t number, size_t other,
                   size_t at, TDiagnostics& diagnostics);

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_CLASHES_H_
