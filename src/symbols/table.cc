#include "symbols/table.h"

#include <algorithm>
#include <new>

namespace zunt {
namespace {

// Copies n bytes, at most sixteen, without a call: loads and stores that may overlap.
void CopyShort(char* to, const char* from, size_t n) {
  if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n != 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

}  // namespace

TSymbolTable::TSymbolTable(const THashSeed& seed) : Seed(seed) { Resize(16); }

void TSymbolTable::Rekey(const THashSeed& seed) {
  Seed = seed;
  for (TSlot& slot : Slots) {
    if (slot.Index != 0) slot.Tag = static_cast<uint32_t>(HashOfEntry(Entries[slot.Index - 1]));
  }
  Resize(Slots.size());
}

size_t TSymbolTable::HashOfEntry(const TEntry& entry) const {
  return entry.KeySize == kLong ? HashName(Name(entry), Seed)
                                : HashKey(entry.Key, entry.KeySize, Seed);
}

size_t TSymbolTable::ProbeLength(std::string_view name) const {
  size_t hash = HashName(name, Seed);
  size_t length = 1;
  for (size_t i = hash & Mask; Slots[i].Index != 0; i = (i + 1) & Mask, ++length) {
    if (SameName(Name(Entries[Slots[i].Index - 1]), name)) break;
  }
  return length;
}

void TSymbolTable::Reserve(size_t more) {
  size_t names = Count + more;
  size_t slots = Slots.size();
  while (names * 2 > slots) slots *= 2;
  if (slots != Slots.size()) Resize(slots);
  // The block's pages are touched only as names fill them.
  if (names > Capacity) Reallocate(names);
}

const TSymbolTable::TEntry* TSymbolTable::Find(std::string_view name) const {
  if (name.size() <= 16) {
    return FindShort(FoldedKey(name.data(), name.size()), name.size());
  }
  size_t hash = HashName(name, Seed);
  for (size_t i = hash & Mask;; i = (i + 1) & Mask) {
    TSlot slot = Slots[i];
    if (slot.Index == 0) return Shared ? Shared->Find(name) : nullptr;
    const TEntry& entry = Entries[slot.Index - 1];
    if (slot.Tag == static_cast<uint32_t>(hash) && entry.KeySize == kLong &&
        SameName(Name(entry), name)) {
      return &entry;
    }
  }
}

void TSymbolTable::AddVar(std::string_view name, const TVar& var, bool local) {
  // The replacement is the letter and the number as written.
  if (var.Text.size() < kShortVar) {
    char text[kShortVar];
    text[0] = var.Letter;
    std::memcpy(text + 1, var.Text.data(), var.Text.size());
    return Add(name, std::string_view(text, 1 + var.Text.size()), var.Number, local, kShortVar);
  }
  std::string text(1, var.Letter);
  text += var.Text;
  Add(name, text, var.Number, local, kShortVar);
}

void TSymbolTable::AddConst(std::string_view name, std::string_view text) {
  Add(name, text, 0, false, kShortConst);
}

void TSymbolTable::Add(std::string_view name, std::string_view text, int32_t number, bool local,
                       size_t shortText) {
  MakeRoom();
  TEntry entry{};
  entry.Key = FoldedKey(name.data(), std::min<size_t>(16, name.size()));
  entry.KeySize = name.size() <= 16 ? static_cast<uint8_t>(name.size()) : kLong;
  entry.Local = local;
  SetText(entry, name, text, number, shortText);
  Entries[Count++] = entry;
  size_t hash = name.size() <= 16 ? HashKey(entry.Key, name.size(), Seed) : HashName(name, Seed);
  Place(static_cast<uint32_t>(hash), static_cast<uint32_t>(Count));
  if (!local) {
    Globals = Count;
    GlobalSides = Sides.size();
  }
}

bool TSymbolTable::AddIfNew(const TKey& key, size_t size, size_t hash, std::string_view text,
                            int32_t number, size_t shortText) {
  if (Shared && Shared->FindShort(key, size)) return false;
  if (Count == Capacity || (Count + 1) * 4 > Slots.size() * 3) MakeRoom();
  size_t i = hash & Mask;
  const uint32_t tag = static_cast<uint32_t>(hash);
  for (TSlot slot; (slot = Slots[i]).Index != 0; i = (i + 1) & Mask) {
    const TEntry& entry = Entries[slot.Index - 1];
    if (slot.Tag == tag && entry.Key == key && entry.KeySize == size) return false;
  }
  TEntry& entry = Entries[Count];
  entry = TEntry{};
  entry.Key = key;
  entry.KeySize = static_cast<uint8_t>(size);
  if (text.size() > shortText) {
    AddSide(entry, {}, text);  // a short name is kept in its key
  } else {
    CopyShort(entry.Text, text.data(), text.size());
    entry.TextSize = static_cast<uint8_t>(text.size());
  }
  if (shortText == kShortVar) std::memcpy(entry.Text + 8, &number, 4);
  Slots[i] = TSlot{tag, static_cast<uint32_t>(++Count)};
  Globals = Count;
  GlobalSides = Sides.size();
  return true;
}

void TSymbolTable::MakeRoom() {
  // The entries double; the slots were sized beforehand, from the file's lines.
  if (Count == Capacity) Reallocate(std::max<size_t>(16, Count * 2));
  if ((Count + 1) * 4 > Slots.size() * 3) Resize(Slots.size() * 2);
}

void TSymbolTable::Reallocate(size_t capacity) {
  // TEntry is an aggregate of bytes: the block holds entries as they are copied in.
  std::unique_ptr<TEntry[], TFreeEntries> entries(
      static_cast<TEntry*>(::operator new(capacity * sizeof(TEntry))));
  if (Count != 0) std::memcpy(entries.get(), Entries.get(), Count * sizeof(TEntry));
  Entries = std::move(entries);
  Capacity = capacity;
}

void TSymbolTable::AddSide(TEntry& entry, std::string_view name, std::string_view text) {
  uint32_t side = static_cast<uint32_t>(Sides.size());
  size_t nameAt = SideBytes.size();
  if (entry.KeySize == kLong) {
    for (char c : name) SideBytes += static_cast<char>(kFoldCase[static_cast<unsigned char>(c)]);
  }
  size_t textAt = SideBytes.size();
  SideBytes += text;
  Sides.push_back(TSide{nameAt, textAt, SideBytes.size()});
  std::memcpy(entry.Text, &side, 4);
  entry.TextSize = kLong;
}

void TSymbolTable::SetText(TEntry& entry, std::string_view name, std::string_view text,
                           int32_t number, size_t shortText) {
  if (entry.KeySize == kLong || text.size() > shortText) {
    AddSide(entry, name, text);
  } else {
    CopyShort(entry.Text, text.data(), text.size());
    entry.TextSize = static_cast<uint8_t>(text.size());
  }
  if (shortText == kShortVar) std::memcpy(entry.Text + 8, &number, 4);
}

void TSymbolTable::Place(uint32_t tag, uint32_t index) {
  size_t i = tag & Mask;
  while (Slots[i].Index != 0) i = (i + 1) & Mask;
  Slots[i] = TSlot{tag, index};
  if (Entries[index - 1].Local) LocalSlots.push_back(static_cast<uint32_t>(i));
}

void TSymbolTable::Resize(size_t slots) {
  // Each entry's tag, then the entries placed again in the order they were
  // added: the declared ones first, as ClearLocals needs.
  std::vector<uint32_t> tags(Count);
  for (TSlot slot : Slots) {
    if (slot.Index != 0) tags[slot.Index - 1] = slot.Tag;
  }
  Slots.assign(slots, TSlot());
  Mask = slots - 1;
  LocalSlots.clear();
  for (size_t i = 0; i < Count; ++i) Place(tags[i], static_cast<uint32_t>(i + 1));
}

void TSymbolTable::ClearLocals() {
  // The local ones were added after all the others, which therefore never
  // probed past them: emptying their slots leaves the table as it was before.
  for (uint32_t slot : LocalSlots) Slots[slot] = TSlot();
  LocalSlots.clear();
  Count = Globals;
  Sides.resize(GlobalSides);
  SideBytes.resize(Sides.empty() ? 0 : Sides.back().End);
}

void TSymbolTable::Clear() {
  for (TSlot& slot : Slots) slot = TSlot();
  LocalSlots.clear();
  Count = Globals = GlobalSides = 0;
  Sides.clear();
  SideBytes.clear();
}

std::string_view TSymbolTable::Name(const TEntry& entry) const {
  if (entry.KeySize == kLong && !Owns(entry)) return Shared->Name(entry);
  if (entry.KeySize == kLong) {
    const TSide& side = Sides[SideOf(entry)];
    return {SideBytes.data() + side.NameAt, side.TextAt - side.NameAt};
  }
  return {reinterpret_cast<const char*>(&entry.Key), entry.KeySize};
}

}  // namespace zunt
