// Letter case of names. Names are stored and shown folded to upper case, and
// compared without regard to the case of any Windows-1251 letter.
#ifndef ZUNT_CURSOR_FOLD_H_
#define ZUNT_CURSOR_FOLD_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace zunt {

/// Folds a name to upper case in place: Latin a-z, Cyrillic а-я and ё.
void UpperCaseName(std::string& name);

/// Returns whether two names are equal without regard to the case of any
/// Windows-1251 letter (ў and Ў, ї and Ї ... too).
bool SameName(std::string_view a, std::string_view b);

/// Returns a hash of the name that is the same in any letter case.
size_t HashName(std::string_view name);

}  // namespace zunt

#endif  // ZUNT_CURSOR_FOLD_H_
