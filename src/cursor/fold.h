// Letter case of names. Names are stored and shown folded to upper case, and
// compared without regard to the case of any Windows-1251 letter.
#ifndef ZUNT_CURSOR_FOLD_H_
#define ZUNT_CURSOR_FOLD_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

/// Returns eight bytes of a name (in the order they are loaded) with each one
/// folded as kFoldCase folds it: without the table when they are all ASCII.
inline uint64_t FoldedWord(uint64_t word) {
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  if ((word & kHigh) == 0) {
    uint64_t fromA = word + 0x1F1F1F1F1F1F1F1Full;  // high bit set from "a" (0x61) up
    uint64_t pastZ = word + 0x0505050505050505ull;  // high bit set from "{" (0x7B) up
    return word - ((fromA & ~pastZ & kHigh) >> 2);  // minus 0x20 for each small letter
  }
  uint64_t folded = 0;
  for (int shift = 0; shift < 64; shift += 8) {
    folded |= uint64_t{kFoldCase[(word >> shift) & 0xFF]} << shift;
  }
  return folded;
}

/// Returns the bytes of text from at (fewer than eight of them) as a word,
/// zeros after them, without reading outside the text.
inline uint64_t LastWord(std::string_view text, size_t at) {
  size_t n = text.size() - at;
  uint64_t word = 0;
  if (text.size() >= 8) {  // the last eight bytes, the ones before at shifted out
    std::memcpy(&word, text.data() + text.size() - 8, 8);
    return word >> (8 * (8 - n));
  }
  if (n >= 4) {  // two words of four that may overlap
    uint32_t head, tail;
    std::memcpy(&head, text.data() + at, 4);
    std::memcpy(&tail, text.data() + text.size() - 4, 4);
    return head | uint64_t{tail} << (8 * (n - 4));
  }
  for (size_t i = 0; i < n; ++i)
    word |= uint64_t{static_cast<unsigned char>(text[at + i])} << (8 * i);
  return word;
}

/// Returns a hash of the name that is the same in any letter case. The bytes
/// are folded and taken eight at a time; every bit of the result depends on
/// every byte.
inline size_t HashName(std::string_view name) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t hash = 0x243F6A8885A308D3ull ^ name.size();
  size_t at = 0;
  for (; at + 8 <= name.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    hash = (hash ^ FoldedWord(word)) * kMultiplier;
    hash = (hash << 31) | (hash >> 33);
  }
  if (at < name.size()) hash = (hash ^ FoldedWord(LastWord(name, at))) * kMultiplier;
  hash ^= hash >> 32;  // the low bits pick the slot: mix the high ones in
  hash *= kMultiplier;
  hash ^= hash >> 29;
  return static_cast<size_t>(hash);
}

}  // namespace zunt

#endif  // ZUNT_CURSOR_FOLD_H_
