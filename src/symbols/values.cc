#include "symbols/values.h"

#include <algorithm>
#include <utility>

namespace zunt {

const uint64_t TValueIndex::kNoKeys[1] = {0};

TValueIndex::TValueIndex(const THashSeed& seed) : Seed(seed), Keys(kNoKeys) {}

void TValueIndex::Rekey(const THashSeed& seed) {
  Seed = seed;
  if (KeyBlock) Resize(Mask + 1);
}

void TValueIndex::Reserve(size_t count) {
  Wanted = std::max(Wanted, count);
  if (KeyBlock && Wanted * 2 > Mask + 1) {
    size_t slots = Mask + 1;
    while (Wanted * 2 > slots) slots *= 2;
    Resize(slots);
  }
}

size_t TValueIndex::Put(uint64_t key, uint32_t entry) {
  size_t i = SlotOf(key);
  while (KeyBlock[i] != 0) i = (i + 1) & Mask;
  KeyBlock[i] = key;
  Entries[i] = entry;
  return i;
}

void TValueIndex::Resize(size_t slots) {
  std::vector<std::pair<uint64_t, uint32_t>> bound;
  bound.reserve(Count);
  for (size_t i = 0; KeyBlock && i <= Mask; ++i) {
    if (KeyBlock[i] != 0) bound.emplace_back(KeyBlock[i], Entries[i]);
  }
  // In the order of the entries, so that the local ones come after the others.
  std::sort(bound.begin(), bound.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
  KeyBlock = std::make_unique<uint64_t[]>(slots);  // zeros: every slot empty
  EntryBlock = std::make_unique<uint32_t[]>(slots);
  Keys = KeyBlock.get();
  Entries = EntryBlock.get();
  Mask = slots - 1;
  LocalSlots.clear();
  for (const auto& [key, entry] : bound) {
    size_t slot = Put(key, entry);
    if (entry >= FirstLocal) LocalSlots.push_back(slot);
  }
}

uint32_t TValueIndex::Bind(uint64_t key, uint32_t entry, bool local) {
  if (key >> 32 == 0) return kNone;  // no letter: no variable, and 0 marks an empty slot
  if (!KeyBlock || (Count + 1) * 2 > Mask + 1) {
    size_t slots = KeyBlock ? (Mask + 1) * 2 : 16;
    while (std::max(Wanted, Count + 1) * 2 > slots) slots *= 2;
    Resize(slots);
  }
  size_t i = SlotOf(key);
  for (; KeyBlock[i] != 0; i = (i + 1) & Mask) {
    if (KeyBlock[i] == key) return Entries[i];
  }
  KeyBlock[i] = key;
  Entries[i] = entry;
  ++Count;
  if (local) {
    FirstLocal = std::min(FirstLocal, entry);
    LocalSlots.push_back(i);
  }
  return kNone;
}

void TValueIndex::ClearLocals() {
  // The local keys were bound after all the others, which therefore never
  // probed past them: emptying their slots leaves the index as it was before.
  for (size_t slot : LocalSlots) KeyBlock[slot] = 0;
  Count -= LocalSlots.size();
  LocalSlots.clear();
  FirstLocal = kNone;
}

void TValueIndex::Clear() {
  KeyBlock.reset();
  EntryBlock.reset();
  Keys = kNoKeys;
  Entries = nullptr;
  Mask = 0;
  Count = 0;
  Wanted = 0;
  LocalSlots.clear();
  FirstLocal = kNone;
}

}  // namespace zunt
