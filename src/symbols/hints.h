// What explains an error about a name: where a name was declared, and the
// declared name most like one that is not.
#ifndef ZUNT_SYMBOLS_HINTS_H_
#define ZUNT_SYMBOLS_HINTS_H_

#include <cstddef>
#include <string_view>

#include "base/fail.h"
#include "cursor/cursor.h"
#include "symbols/table.h"

namespace zunt {

/// Returns a note about the place where the entry was declared (its file
/// alone when the table kept no place). A local variable's place is found in
/// the cursor's script, with its line; for the others the source line is
/// left to the front end, which can read a file that is no longer loaded.
TFail NoteAtDeclaration(const TSymbolTable& table, const TSymbolTable::TEntry& entry,
                        std::string_view body, const TCursor& cursor);

/// The same for the entry at a place of the table (see TSymbolTable::PlaceOf),
/// found without a search.
TFail NoteAtPlace(const TSymbolTable& table, size_t place, std::string_view body,
                  const TCursor& cursor);

/// Returns the entry whose name is nearest to `name` without regard to letter
/// case, at most max(1, length / 3) one-byte edits (insertions, deletions,
/// replacements) away; the first added among equals; nullptr when none is.
const TSymbolTable::TEntry* MostSimilar(const TSymbolTable& table, std::string_view name);

/// Returns the number of one-byte edits between a and b, or limit + 1 when it
/// is more than limit.
size_t BoundedDistance(std::string_view a, std::string_view b, size_t limit);

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_HINTS_H_
