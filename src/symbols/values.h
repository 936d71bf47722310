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

/// Returns a variable's letter and number as one key of 40 bits; never 0,
/// since a variable's letter is not.
inline uint64_t ValueKey(char letter, int32_t number) {
  return uint64_t{static_cast<unsigned char>(letter)} << 32 | static_cast<uint32_t>(number);
}

class TValueIndex {
 public:
  /// What Find returns for a key that no entry binds.
  static constexpr uint32_t kNone = UINT32_MAX;
  /// What Find returns for a key that an entry from the 8,388,607th on
  /// binds: the index does not keep which.
  static constexpr uint32_t kFar = (1u << 23) - 1;

  explicit TValueIndex(const THashSeed& seed = kFixedHashSeed);

  /// Keys the hash by seed from now on; the keys there are placed again.
  void Rekey(const THashSeed& seed);
  /// Expects `count` keys in all: a table that large gets pages.
  void Reserve(size_t count);

  /// Returns the entry that bound the key first, kFar, or kNone.
  uint32_t Find(uint64_t key) const {
    if (const uint32_t* slot = PageSlot(key)) return *slot == 0 ? kNone : EntryOfPage(*slot);
    return FindHashed(key);
  }
  /// Starts bringing the key's place into the cache.
  void Prefetch(uint64_t key) const {
#if defined(__GNUC__)
    if (const uint32_t* slot = PageSlot(key)) return __builtin_prefetch(slot);
    __builtin_prefetch(&Slots[SlotOf(key)]);
#else
    (void)key;
#endif
  }
  /// Binds the key to the entry unless an entry binds it already; returns
  /// that entry (or kFar), or kNone when the key is new. A local entry's key
  /// is bound after every other, and ClearLocals takes it away again.
  uint32_t Bind(uint64_t key, uint32_t entry, bool local) {
    uint32_t* slot = const_cast<uint32_t*>(PageSlot(key));
    if (slot == nullptr || local) return BindHashed(key, entry, local);
    if (*slot != 0) return EntryOfPage(*slot);
    *slot = entry + 1;
    return kNone;
  }

  /// Takes away the keys of the local entries.
  void ClearLocals();
  /// Takes away every key.
  void Clear();

 private:
  // Most variables have small numbers, and a large table has many of one
  // letter: the numbers from kPageFrom of such a letter have a page, where
  // a slot is the entry + 1 (0: none) and, in its top bit, whether it is
  // local. A letter gets one when its first key is bound, while the
  // table's size allows (a page for every kNamesPerPage keys); the other
  // keys go to the hash. The pages are made kPagesPerBlock at a time, in a
  // block of 2 MiB. Open addressing with linear probing in the hash, over a
  // power-of-two number of slots, at most half in use: a slot holds the key
  // in its low 40 bits, the entry in the 23 above them and whether it is
  // local in the top bit, so that a lookup reads one array; 0 marks it empty.
  static constexpr int64_t kPageFrom = -1024;
  static constexpr size_t kPageSize = size_t{1} << 15;
  static constexpr size_t kNamesPerPage = 8192;
  static constexpr uint8_t kUndecided = 0;  // Letters[]: no key of the letter bound yet
  static constexpr uint8_t kHashed = 1;     // its keys are in the hash
  static constexpr uint8_t kPaged = 2;      // its small numbers are in its page
  static constexpr size_t kPagesPerBlock = 16;
  static constexpr size_t kExpectedInHash = 4096;
  static constexpr uint64_t kKeyBits = (uint64_t{1} << 40) - 1;
  static uint32_t EntryOf(uint64_t slot) { return static_cast<uint32_t>(slot >> 40) & kFar; }
  static uint32_t EntryOfPage(uint32_t slot) { return (slot & 0x7FFFFFFFu) - 1; }

  // Returns the slot of the key in its letter's page, or nullptr when it has none there.
  const uint32_t* PageSlot(uint64_t key) const {
    uint32_t* page = PageOf[key >> 32];
    uint64_t at = static_cast<uint64_t>(int64_t{static_cast<int32_t>(key)} - kPageFrom);
    return page != nullptr && at < kPageSize ? page + at : nullptr;
  }
  size_t SlotOf(uint64_t key) const {
    uint64_t high;
    uint64_t low = MultiplyWide(key ^ Seed.A, Seed.B | 1, &high);
    return static_cast<size_t>(low ^ high) & Mask;
  }
  // Makes `slots` empty slots and puts the keys that were there again, the
  // local ones last.
  void Resize(size_t slots);
  // Find and Bind for a key outside the pages, or a local one.
  uint32_t FindHashed(uint64_t key) const;
  uint32_t BindHashed(uint64_t key, uint32_t entry, bool local);

  THashSeed Seed;
  uint8_t Letters[256] = {};   // by letter: kUndecided, kHashed or kPaged
  uint32_t* PageOf[256] = {};  // by letter: its page, or nullptr
  // The pages, kPagesPerBlock to a block, so that a block fills large pages.
  std::vector<std::unique_ptr<uint32_t[]>> PageBlocks;
  size_t Pages = 0;      // pages given to letters
  size_t PagesMade = 0;  // pages in the blocks
  size_t PagesAllowed = 0;
  size_t Expected = 0;  // the keys the hash is first made for
  std::unique_ptr<uint64_t[]> Block;
  const uint64_t* Slots;  // Block, or one empty slot before the first key
  size_t Mask = 0;
  size_t Count = 0;
  std::vector<size_t> LocalSlots;         // the slots of the local entries' keys
  std::vector<uint32_t*> LocalPageSlots;  // and those in pages
  static const uint64_t kNoSlots[1];
};

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_VALUES_H_
