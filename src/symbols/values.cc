#include "symbols/values.h"

#include <algorithm>

namespace zunt {

const uint64_t TValueIndex::kNoSlots[1] = {0};

TValueIndex::TValueIndex(const THashSeed& seed) : Seed(seed), Slots(kNoSlots) {}

void TValueIndex::Rekey(const THashSeed& seed) {
  Seed = seed;
  if (Block) Resize(Mask + 1);
}

void TValueIndex::Reserve(size_t count) {
  PagesAllowed = std::max(PagesAllowed, count / kNamesPerPage);
  // A small table's keys all go to the hash: room for them from the start.
  Expected = std::max(Expected, std::min(count, kExpectedInHash));
}

void TValueIndex::Resize(size_t slots) {
  std::vector<uint64_t> bound;
  bound.reserve(Count);
  for (size_t i = 0; Block && i <= Mask; ++i) {
    if (Block[i] != 0) bound.push_back(Block[i]);
  }
  // The local ones after the others (the top bit), each in the order of its entries.
  std::sort(bound.begin(), bound.end(), [](uint64_t a, uint64_t b) { return a >> 40 < b >> 40; });
  Block = std::make_unique<uint64_t[]>(slots);  // zeros: every slot empty
  Slots = Block.get();
  Mask = slots - 1;
  LocalSlots.clear();
  for (uint64_t slot : bound) {
    size_t i = SlotOf(slot & kKeyBits);
    while (Block[i] != 0) i = (i + 1) & Mask;
    Block[i] = slot;
    if (slot >> 63 != 0) LocalSlots.push_back(i);
  }
}

uint32_t TValueIndex::FindHashed(uint64_t key) const {
  for (size_t i = SlotOf(key);; i = (i + 1) & Mask) {
    if ((Slots[i] & kKeyBits) == key) return EntryOf(Slots[i]);
    if (Slots[i] == 0) return kNone;
  }
}

uint32_t TValueIndex::BindHashed(uint64_t key, uint32_t entry, bool local) {
  if (key >> 32 == 0) return kNone;  // no letter: no variable, and 0 marks an empty slot
  uint8_t& letter = Letters[key >> 32];
  if (letter == kUndecided) {
    // Its first key: a page when it is a small number and the table is large enough.
    uint64_t at = static_cast<uint64_t>(int64_t{static_cast<int32_t>(key)} - kPageFrom);
    letter = kHashed;
    if (at < kPageSize && Pages < PagesAllowed) {
      if (Pages == PagesMade) {
        size_t count = std::min(kPagesPerBlock, PagesAllowed - Pages);
        PageBlocks.push_back(std::make_unique<uint32_t[]>(count * kPageSize));  // zeros
        PagesMade += count;
      }
      PageOf[key >> 32] = PageBlocks.back().get() + (Pages % kPagesPerBlock) * kPageSize;
      ++Pages;
      letter = kPaged;
    }
    return Bind(key, entry, local);
  }
  if (uint32_t* slot = const_cast<uint32_t*>(PageSlot(key))) {  // a local one
    if (*slot != 0) return EntryOfPage(*slot);
    *slot = (entry + 1) | uint32_t{1} << 31;
    LocalPageSlots.push_back(slot);
    return kNone;
  }
  if ((Count + 1) * 2 > Mask + 1) {
    size_t slots = Block ? (Mask + 1) * 2 : 16;
    while (std::max(Count + 1, Block ? 0 : Expected) * 2 > slots) slots *= 2;
    Resize(slots);
  }
  size_t i = SlotOf(key);
  for (; Block[i] != 0; i = (i + 1) & Mask) {
    if ((Block[i] & kKeyBits) == key) return EntryOf(Block[i]);
  }
  Block[i] = key | uint64_t{entry < kFar ? entry : kFar} << 40 | uint64_t{local} << 63;
  ++Count;
  if (local) LocalSlots.push_back(i);
  return kNone;
}

void TValueIndex::ClearLocals() {
  // The local keys were bound after all the others, which therefore never
  // probed past them: emptying their slots leaves the index as it was before.
  for (size_t slot : LocalSlots) Block[slot] = 0;
  for (uint32_t* slot : LocalPageSlots) *slot = 0;
  Count -= LocalSlots.size();
  LocalSlots.clear();
  LocalPageSlots.clear();
}

void TValueIndex::Clear() {
  std::fill(std::begin(Letters), std::end(Letters), kUndecided);
  std::fill(std::begin(PageOf), std::end(PageOf), nullptr);
  PageBlocks.clear();
  Pages = PagesMade = PagesAllowed = Expected = 0;
  Block.reset();
  Slots = kNoSlots;
  Mask = 0;
  Count = 0;
  LocalSlots.clear();
  LocalPageSlots.clear();
}

}  // namespace zunt
