// The variables of a name table by what they stand for, a letter and a
// number: which entry bound each first. Two names for one variable, and an
// index that lands on another name's variable, are found through it.
#ifndef ZUNT_SYMBOLS_VALUES_H_
#define ZUNT_SYMBOLS_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "cursor/fold.h"

namespace zunt {

/// Returns a variable's letter and number as one key; never 0, since a
/// variable's letter is not.
inline uint64_t ValueKey(char letter, int32_t number) {
  return uint64_t{static_cast<unsigned char>(letter)} << 32 | static_cast<uint32_t>(number);
}

class TValueIndex {
 public:
  /// What Find returns for a key that no entry binds.
  static constexpr uint32_t kNone = UINT32_MAX;

  explicit TValueIndex(const THashSeed& seed = kFixedHashSeed);

  /// Keys the hash by seed from now on; the keys there are placed again.
  void Rekey(const THashSeed& seed);
  /// Makes room for `count` keys in all once the first is bound, so that
  /// binding them never moves the keys.
  void Reserve(size_t count);

  /// Returns the entry that bound the key first, or kNone.
  uint32_t Find(uint64_t key) const {
    for (size_t i = SlotOf(key);; i = (i + 1) & Mask) {
      if (Keys[i] == key) return Entries[i];
      if (Keys[i] == 0) return kNone;
    }
  }
  /// Starts bringing the key's first slot into the cache.
  void Prefetch(uint64_t key) const {
#if defined(__GNUC__)
    __builtin_prefetch(&Keys[SlotOf(key)]);
#else
    (void)key;
#endif
  }
  /// Binds the key to the entry unless an entry binds it already; returns
  /// that entry, or kNone when the key is new. A local entry's key is bound
  /// after every other, and ClearLocals takes it away again.
  uint32_t Bind(uint64_t key, uint32_t entry, bool local);

  /// Takes away the keys of the local entries.
  void ClearLocals();
  /// Takes away every key.
  void Clear();

 private:
  // Open addressing with linear probing over a power-of-two number of slots,
  // at most half in use; a slot's key 0 marks it empty. The keys stand
  // apart from their entries, so that a lookup that finds nothing (the
  // common case) reads one array.
  size_t SlotOf(uint64_t key) const {
    uint64_t high;
    uint64_t low = MultiplyWide(key ^ Seed.A, Seed.B | 1, &high);
    return static_cast<size_t>(low ^ high) & Mask;
  }
  // Makes `slots` empty slots and binds the keys that were there again,
  // the local ones last.
  void Resize(size_t slots);
  // Puts the key in its first empty slot; returns the slot.
  size_t Put(uint64_t key, uint32_t entry);

  THashSeed Seed;
  std::unique_ptr<uint64_t[]> KeyBlock;
  std::unique_ptr<uint32_t[]> EntryBlock;
  const uint64_t* Keys;  // KeyBlock, or one empty slot before the first key
  uint32_t* Entries = nullptr;
  size_t Mask = 0;
  size_t Count = 0;
  size_t Wanted = 0;               // the keys Reserve asked room for
  std::vector<size_t> LocalSlots;  // the slots of the local entries' keys
  uint32_t FirstLocal = kNone;     // the first local entry; every later one is local
  static const uint64_t kNoKeys[1];
};

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_VALUES_H_
