// The name tables: variables and constants by name, in insertion order,
// looked up without regard to letter case.
#ifndef ZUNT_SYMBOLS_TABLE_H_
#define ZUNT_SYMBOLS_TABLE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cursor/fold.h"
#include "symbols/block_list.h"
#include "symbols/var.h"

namespace zunt {

template <class TValue>
class TTable {
 public:
  using TEntry = std::pair<std::string, TValue>;

  /// Returns the value stored under the name in any letter case, or nullptr.
  const TValue* Find(std::string_view name) const { return Find(name, HashName(name)); }

  /// Returns the value stored under the name, whose HashName is hash, or nullptr.
  const TValue* Find(std::string_view name, size_t hash) const {
    if (Entries.empty()) return nullptr;
    uint32_t tag = TagOf(hash);
    for (size_t i = hash & Mask;; i = (i + 1) & Mask) {
      TSlot slot = Slots[i];
      if (slot.Entry == kEmpty) return nullptr;
      if (slot.Tag != tag) continue;
      const TEntry& entry = Entries.At(slot.Entry);
      if (SameStoredName(entry.first, name)) return &entry.second;
    }
  }

  /// Appends an entry; the caller has checked that the name is new.
  void Add(std::string name, TValue value) {
    size_t hash = HashName(name);
    Add(std::move(name), std::move(value), hash);
  }

  /// Appends an entry whose name has the given HashName.
  void Add(std::string name, TValue value, size_t hash) {
    if ((Entries.size() + 1) * 2 > Slots.size()) Grow();
    Entries.emplace_back(std::move(name), std::move(value));
    Place(TSlot{TagOf(hash), TBlockList<TEntry>::Handle(Entries.size() - 1)});
  }

  /// Removes all entries; the memory is kept for the next ones.
  void Clear() {
    for (uint32_t i : Used) Slots[i] = TSlot();
    Used.clear();
    Entries.clear();
  }

  /// Returns the entries in insertion order.
  const TBlockList<TEntry>& All() const { return Entries; }

 private:
  // Open addressing with linear probing over a power-of-two number of slots,
  // at most half of them in use. A slot is eight bytes, so that the slots of
  // thousands of names stay in the cache. It keeps the low half of the name's
  // hash, where the probing starts, so that growing needs no hashing.
  static constexpr uint32_t kEmpty = UINT32_MAX;
  struct TSlot {
    uint32_t Tag = 0;         // the low half of the hash
    uint32_t Entry = kEmpty;  // the entry's handle in the block list
  };

  // Stored names are mostly folded already, and mostly written as stored.
  static bool SameStoredName(std::string_view stored, std::string_view name) {
    if (stored.size() != name.size()) return false;
    size_t n = name.size();
    bool same;
    if (n >= 8 && n <= 16) {  // two words that may overlap, without a call
      uint64_t a[2], b[2];
      std::memcpy(&a[0], stored.data(), 8);
      std::memcpy(&a[1], stored.data() + n - 8, 8);
      std::memcpy(&b[0], name.data(), 8);
      std::memcpy(&b[1], name.data() + n - 8, 8);
      same = a[0] == b[0] && a[1] == b[1];
    } else {
      same = std::memcmp(stored.data(), name.data(), n) == 0;
    }
    return same || SameName(stored, name);
  }

  static uint32_t TagOf(size_t hash) { return static_cast<uint32_t>(hash); }

  void Place(TSlot slot) {
    size_t i = slot.Tag & Mask;
    while (Slots[i].Entry != kEmpty) i = (i + 1) & Mask;
    Slots[i] = slot;
    Used.push_back(static_cast<uint32_t>(i));
  }

  void Grow() {
    std::vector<TSlot> old(std::max<size_t>(16, Slots.size() * 2));
    old.swap(Slots);
    Mask = Slots.size() - 1;
    Used.clear();
    for (TSlot slot : old) {
      if (slot.Entry != kEmpty) Place(slot);
    }
  }

  TBlockList<TEntry> Entries;
  std::vector<TSlot> Slots;
  size_t Mask = 0;
  std::vector<uint32_t> Used;  // the slots in use, so that Clear need not visit them all
};

using TVarTable = TTable<TVar>;
using TConstTable = TTable<std::string>;

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_TABLE_H_
