// Letter case of names. Names are stored and shown folded to upper case, and
// compared without regard to the case of any Windows-1251 letter.
#ifndef ZUNT_CURSOR_FOLD_H_
#define ZUNT_CURSOR_FOLD_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zunt {

/// Folds a name to upper case in place: Latin a-z, Cyrillic а-я and ё.
void UpperCaseName(std::string& name);

/// Upper case of every Windows-1251 byte: the table that name comparison and
/// hashing fold by (all letters with a case, ў, ї, ђ ... too).
extern const std::array<unsigned char, 256> kFoldCase;

/// Returns whether two names are equal without regard to the case of any
/// Windows-1251 letter.
inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (kFoldCase[static_cast<unsigned char>(a[i])] !=
        kFoldCase[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

/// The hash of an empty name, and the step that adds a byte to a hash:
/// FNV-1a over the folded bytes.
inline constexpr uint64_t kNameHashStart = 14695981039346656037ull;
inline uint64_t NameHashStep(uint64_t hash, char c) {
  return (hash ^ kFoldCase[static_cast<unsigned char>(c)]) * 1099511628211ull;
}

/// Returns a hash of the name that is the same in any letter case.
inline size_t HashName(std::string_view name) {
  uint64_t hash = kNameHashStart;
  for (char c : name) hash = NameHashStep(hash, c);
  return static_cast<size_t>(hash);
}

}  // namespace zunt

#endif  // ZUNT_CURSOR_FOLD_H_
