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

/// Returns a copy of the name folded as UpperCaseName folds it: as names are shown.
inline std::string UpperCased(std::string_view name) {
  std::string folded(name);
  UpperCaseName(folded);
  return folded;
}

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

/// A name of up to sixteen bytes as the name tables compare it: its bytes
/// folded by kFoldCase, in the order they stand, zeros after them.
struct TKey {
  uint64_t Lo = 0;
  uint64_t Hi = 0;
  bool operator==(const TKey&) const = default;
};

/// Returns eight bytes with each one folded as kFoldCase folds it: without
/// the table when they are all ASCII.
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

/// Returns the key of the n bytes at p (n at most 16).
inline TKey FoldedKey(const char* p, size_t n) {
  // Loads that may overlap, without a call and without reading past the name.
  TKey key;
  if (n >= 8) {
    std::memcpy(&key.Lo, p, 8);
    if (n > 8) {
      std::memcpy(&key.Hi, p + n - 8, 8);
      key.Hi >>= 8 * (16 - n);
    }
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, p, 4);
    std::memcpy(&tail, p + n - 4, 4);
    key.Lo = head | uint64_t{tail} << (8 * (n - 4));
  } else {
    for (size_t i = 0; i < n; ++i) key.Lo |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  }
  key.Lo = FoldedWord(key.Lo);
  key.Hi = FoldedWord(key.Hi);
  return key;
}

/// The key of the name tables' hash. A run takes sixteen bytes from the
/// system's random source, so that no file can aim its names at one stretch
/// of a table without knowing them; tests and tools take kFixedHashSeed.
struct THashSeed {
  uint64_t A = 0;
  uint64_t B = 0;
  bool operator==(const THashSeed&) const = default;
};

/// The key that gives the same hashes in every run.
inline constexpr THashSeed kFixedHashSeed{0x243F6A8885A308D3ull, 0x13198A2E03707344ull};

/// Returns the low half of a times b, a full 128-bit product, and puts its
/// high half in *high.
inline uint64_t MultiplyWide(uint64_t a, uint64_t b, uint64_t* high) {
#if defined(__SIZEOF_INT128__)
  __extension__ typedef unsigned __int128 TWide;
  TWide product = static_cast<TWide>(a) * b;
  *high = static_cast<uint64_t>(product >> 64);
  return static_cast<uint64_t>(product);
#else
  uint64_t aLo = a & 0xFFFFFFFF, aHi = a >> 32, bLo = b & 0xFFFFFFFF, bHi = b >> 32;
  uint64_t low = aLo * bLo, middle1 = aHi * bLo, middle2 = aLo * bHi;
  uint64_t middle = (low >> 32) + (middle1 & 0xFFFFFFFF) + (middle2 & 0xFFFFFFFF);
  *high = aHi * bHi + (middle1 >> 32) + (middle2 >> 32) + (middle >> 32);
  return (middle << 32) | (low & 0xFFFFFFFF);
#endif
}

/// Returns the hash of a short name's key and its length (or of a longer
/// name's sixteen bytes and the hash so far) under the seed.
inline size_t HashKey(const TKey& key, size_t size, const THashSeed& seed = kFixedHashSeed) {
  // Two full products, each keyed: the first mixes the name's two halves,
  // the second its halves with the length, so that every bit of the name and
  // of the seed reaches every bit of the hash.
  // The constants keep a key of zeros from zeroing the short names' product.
  uint64_t high;
  uint64_t low = MultiplyWide(key.Lo ^ seed.A, key.Hi ^ seed.B ^ 0xE7037ED1A0B428DBull, &high);
  low = MultiplyWide(low ^ size ^ 0xA0761D6478BD642Full, high ^ seed.A ^ 0x8EBC6AF09C88C6E3ull,
                     &high);
  return static_cast<size_t>(low ^ high);
}

/// Returns a hash of the name under the seed that is the same in any letter
/// case; for names of up to sixteen bytes it is HashKey of their key and length.
inline size_t HashName(std::string_view name, const THashSeed& seed = kFixedHashSeed) {
  if (name.size() <= 16) return HashKey(FoldedKey(name.data(), name.size()), name.size(), seed);
  size_t hash = name.size();
  for (size_t at = 0; at < name.size(); at += 16) {
    size_t n = std::min<size_t>(16, name.size() - at);
    hash = HashKey(FoldedKey(name.data() + at, n), hash ^ n, seed);
  }
  return hash;
}

}  // namespace zunt

#endif  // ZUNT_CURSOR_FOLD_H_
