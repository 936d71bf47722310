#include "symbols/table.h"

#include <algorithm>
#include <iterator>
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

TSymbolTable::TSymbolTable(const THashSeed& seed) : Seed(seed), Values(seed) { Resize(16); }

void TSymbolTable::Rekey(const THashSeed& seed) {
  Seed = seed;
  Values.Rekey(seed);
  Resize(Mask + 1);
}

size_t TSymbolTable::HashOfEntry(const TEntry& entry) const {
  // Not through Name: when the slots grow, the entry stands in the old ones.
  return entry.KeyTag == kLong ? HashName(SideName(entry), Seed)
                               : HashKey(entry.Key, entry.KeyTag - 1u, Seed);
}

size_t TSymbolTable::ProbeLength(std::string_view name) const {
  size_t length = 1;
  for (size_t i = HashName(name, Seed) & Mask; Slots[i].KeyTag != 0; i = (i + 1) & Mask) {
    if (SameName(Name(Slots[i]), name)) break;
    ++length;
  }
  return length;
}

void TSymbolTable::Reserve(size_t more) {
  size_t names = size() + more;
  size_t slots = Mask + 1;
  while (names * 2 > slots) slots *= 2;
  if (slots != Mask + 1) Resize(slots);
  Order.reserve(names);
}

const TSymbolTable::TEntry* TSymbolTable::Find(std::string_view name) const {
  if (name.size() <= 16) {
    return FindShort(FoldedKey(name.data(), name.size()), name.size());
  }
  const TKey key = FoldedKey(name.data(), 16);
  for (size_t i = HashName(name, Seed) & Mask;; i = (i + 1) & Mask) {
    const TEntry& entry = Slots[i];
    if (entry.KeyTag == 0) return Shared ? Shared->Find(name) : nullptr;
    if (entry.KeyTag == kLong && entry.Key == key && SameName(Name(entry), name)) return &entry;
  }
}

inline size_t TSymbolTable::BindValue(char letter, int32_t number, bool local) {
  uint64_t key = ValueKey(letter, number);
  if (Shared != nullptr) {
    size_t place = Shared->PlaceOfValue(key);
    if (place != kNoPlace) return place;
  }
  uint32_t first = Values.Bind(key, static_cast<uint32_t>(Order.size() - 1), local);
  return first == TValueIndex::kNone ? kNoPlace : PlaceOfOwn(key, first);
}

size_t TSymbolTable::PlaceOfValue(uint64_t key) const {
  if (Shared != nullptr) {
    size_t place = Shared->PlaceOfValue(key);
    if (place != kNoPlace) return place;
  }
  return PlaceOfOwn(key, Values.Find(key));
}

size_t TSymbolTable::PlaceOfOwn(uint64_t key, uint32_t entry) const {
  if (entry == TValueIndex::kNone) return kNoPlace;
  if (entry == TValueIndex::kFar) {
    // An entry the index does not name: the first with the value.
    for (entry = 0; entry < size(); ++entry) {
      const TEntry& own = (*this)[entry];
      if (ValueKey(Replacement(own)[0], own.Number()) == key) break;
    }
  }
  return Below() + entry;
}

size_t TSymbolTable::AddVar(std::string_view name, const TVar& var, bool local) {
  // The replacement is the letter and the number as written.
  if (var.Text.size() < kShortVar) {
    char text[kShortVar];
    text[0] = var.Letter;
    std::memcpy(text + 1, var.Text.data(), var.Text.size());
    Add(name, std::string_view(text, 1 + var.Text.size()), var.Number, local, kShortVar);
  } else {
    std::string text(1, var.Letter);
    text += var.Text;
    Add(name, text, var.Number, local, kShortVar);
  }
  return ValuesKept ? BindValue(var.Letter, var.Number, local) : kNoPlace;
}

void TSymbolTable::AddConst(std::string_view name, std::string_view text) {
  Add(name, text, 0, false, kShortConst);
}

void TSymbolTable::Add(std::string_view name, std::string_view text, int32_t number, bool local,
                       size_t shortText) {
  MakeRoom();
  TEntry entry{};
  entry.Key = FoldedKey(name.data(), std::min<size_t>(16, name.size()));
  entry.KeyTag = name.size() <= 16 ? static_cast<uint8_t>(name.size() + 1) : kLong;
  entry.Local = local;
  SetText(entry, name, text, number, shortText);
  size_t hash = name.size() <= 16 ? HashKey(entry.Key, name.size(), Seed) : HashName(name, Seed);
  Put(EmptySlotFor(hash), entry);
  if (!local) {
    Globals = size();
    GlobalSides = Sides.size();
  }
}

bool TSymbolTable::AddIfNew(const TKey& key, size_t size, size_t hash, std::string_view text,
                            int32_t number, size_t shortText, bool* taken) {
  if (Shared && Shared->FindShort(key, size)) return false;
  if ((Order.size() + 1) * 4 > (Mask + 1) * 3) MakeRoom();
  const uint8_t tag = static_cast<uint8_t>(size + 1);
  size_t i = hash & Mask;
  for (; Slots[i].KeyTag != 0; i = (i + 1) & Mask) {
    if (Slots[i].Key == key && Slots[i].KeyTag == tag) return false;
  }
  TEntry entry{};
  entry.Key = key;
  entry.KeyTag = tag;
  if (text.size() > shortText) {
    AddSide(entry, {}, text);  // a short name is kept in its key
  } else {
    CopyShort(entry.Text, text.data(), text.size());
    entry.TextSize = static_cast<uint8_t>(text.size());
  }
  if (shortText == kShortVar) std::memcpy(entry.Text + 8, &number, 4);
  Put(i, entry);
  Globals = Order.size();
  GlobalSides = Sides.size();
  if (shortText == kShortVar && ValuesKept) {
    uint64_t value = ValueKey(text[0], number);
    bool bound =
        (Shared != nullptr && Shared->BindsValue(value)) ||
        Values.Bind(value, static_cast<uint32_t>(Order.size() - 1), false) != TValueIndex::kNone;
    if (taken != nullptr) *taken = bound;
  }
  return true;
}

void TSymbolTable::MakeRoom() {
  // The slots were mostly sized beforehand, from the file's lines.
  if ((Order.size() + 1) * 4 > (Mask + 1) * 3) Resize((Mask + 1) * 2);
}

void TSymbolTable::AddSide(TEntry& entry, std::string_view name, std::string_view text) {
  uint32_t side = static_cast<uint32_t>(Sides.size());
  size_t nameAt = SideBytes.size();
  if (entry.KeyTag == kLong) {
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
  if (entry.KeyTag == kLong || text.size() > shortText) {
    AddSide(entry, name, text);
  } else {
    CopyShort(entry.Text, text.data(), text.size());
    entry.TextSize = static_cast<uint8_t>(text.size());
  }
  if (shortText == kShortVar) std::memcpy(entry.Text + 8, &number, 4);
}

size_t TSymbolTable::EmptySlotFor(size_t hash) const {
  size_t i = hash & Mask;
  while (Slots[i].KeyTag != 0) i = (i + 1) & Mask;
  return i;
}

void TSymbolTable::Put(size_t i, const TEntry& entry) {
  Slots[i] = entry;
  if (!Places.empty()) Places[i] = static_cast<uint32_t>(Order.size());
  Order.push_back(static_cast<uint32_t>(i));
}

void TSymbolTable::Resize(size_t slots) {
  // A block of zeros, every slot empty, on a 64-byte boundary; then the
  // entries placed again in the order they were added: the declared ones
  // first, as ClearLocals needs.
  constexpr size_t kLine = 64;
  std::unique_ptr<char[], TFreeBlock> block(
      static_cast<char*>(::operator new(slots * sizeof(TEntry) + kLine)));
  auto at = reinterpret_cast<uintptr_t>(block.get());
  auto* fresh = reinterpret_cast<TEntry*>(block.get() + ((kLine - at % kLine) % kLine));
  std::memset(static_cast<void*>(fresh), 0, slots * sizeof(TEntry));
  std::unique_ptr<char[], TFreeBlock> oldBlock = std::move(Block);
  TEntry* old = Slots;
  Block = std::move(block);
  Slots = fresh;
  Mask = slots - 1;
  if (!Places.empty()) Places.assign(slots, 0);
  std::vector<uint32_t> order;
  order.reserve(Order.capacity());
  Order.swap(order);
  for (uint32_t slot : order) {
    const TEntry& entry = old[slot];
    Put(EmptySlotFor(HashOfEntry(entry)), entry);
  }
}

void TSymbolTable::ClearLocals() {
  // The local ones were added after all the others, which therefore never
  // probed past them: emptying their slots leaves the table as it was before.
  for (size_t i = Globals; i < Order.size(); ++i) {
    Slots[Order[i]] = TEntry{};
  }
  Order.resize(Globals);
  Values.ClearLocals();
  LocalOffsets.clear();
  Sides.resize(GlobalSides);
  SideBytes.resize(Sides.empty() ? 0 : Sides.back().End);
}

void TSymbolTable::Clear() {
  for (uint32_t slot : Order) {
    Slots[slot] = TEntry{};
  }
  Order.clear();
  Values.Clear();
  Globals = GlobalSides = 0;
  SiteBytes.clear();
  SiteMarks.clear();
  SiteCount = PendingSites = 0;
  SiteLine = 0;
  LocalOffsets.clear();
  Files.clear();
  Sides.clear();
  SideBytes.clear();
}

size_t TSymbolTable::IndexOf(const TEntry& entry) const {
  if (!Owns(entry)) return Shared->IndexOf(entry);
  auto slot = static_cast<uint32_t>(&entry - Slots);
  if (!Places.empty()) return Places[slot];
  return static_cast<size_t>(std::find(Order.begin(), Order.end(), slot) - Order.begin());
}

void TSymbolTable::KeepPlaces() {
  Places.assign(Mask + 1, 0);
  for (size_t i = 0; i < Order.size(); ++i) Places[Order[i]] = static_cast<uint32_t>(i);
}

std::string_view TSymbolTable::SideName(const TEntry& entry) const {
  const TSide& side = Sides[SideOf(entry)];
  return {SideBytes.data() + side.NameAt, side.TextAt - side.NameAt};
}

void TSymbolTable::BeginFile(std::string_view path) {
  if (!Files.empty() && Files.back().first == Order.size()) Files.pop_back();
  Files.emplace_back(Order.size(), std::string(path));
}

void TSymbolTable::SetSiteSlowly(uint64_t line, uint64_t column) {
  WritePendingSites();
  while (SiteCount + 1 < Order.size()) AppendSite(0, 0);  // names added with no place
  AppendSite(line, column);
}

void TSymbolTable::WritePendingSites() {
  uint64_t line = SiteLine - PendingSites;  // before the first of them
  while (PendingSites != 0) {
    if (SiteCount % kSiteMarkEvery == 0) SiteMarks.push_back(TSiteMark{SiteBytes.size(), line});
    size_t n = std::min(PendingSites, kSiteMarkEvery - SiteCount % kSiteMarkEvery);
    SiteBytes.append(n, static_cast<char>(1 << 4 | 1));
    SiteCount += n;
    PendingSites -= n;
    line += n;
  }
}

void TSymbolTable::AppendSite(uint64_t line, uint64_t column) {
  if (SiteCount % kSiteMarkEvery == 0) SiteMarks.push_back(TSiteMark{SiteBytes.size(), SiteLine});
  ++SiteCount;
  if (line >= SiteLine && line - SiteLine < 16 && column != 0 && column < 16) {
    SiteBytes += static_cast<char>((line - SiteLine) << 4 | column);
  } else {
    SiteBytes += '\0';
    for (uint64_t n : {line, column}) {
      for (; n >= 0x80; n >>= 7) SiteBytes += static_cast<char>(n | 0x80);
      SiteBytes += static_cast<char>(n);
    }
  }
  SiteLine = line;
}

TSymbolTable::TSite TSymbolTable::SiteOf(size_t i) const {
  TSite site;
  auto file = std::upper_bound(Files.begin(), Files.end(), i,
                               [](size_t index, const auto& f) { return index < f.first; });
  if (file != Files.begin()) site.File = std::prev(file)->second;
  if (i >= Globals && i - Globals < LocalOffsets.size()) site.Offset = LocalOffsets[i - Globals];
  if (i >= SiteCount && i - SiteCount < PendingSites) {
    site.Line = SiteLine - (SiteCount + PendingSites - 1 - i);
    site.Column = 1;
  }
  if (i >= SiteCount) return site;
  const TSiteMark& mark = SiteMarks[i / kSiteMarkEvery];
  const unsigned char* p = reinterpret_cast<const unsigned char*>(SiteBytes.data()) + mark.At;
  uint64_t line = mark.Line;
  uint64_t column = 0;
  for (size_t k = i / kSiteMarkEvery * kSiteMarkEvery; k <= i; ++k) {
    unsigned char b = *p++;
    if (b != 0) {
      line += b >> 4;
      column = b & 15;
      continue;
    }
    uint64_t numbers[2] = {0, 0};
    for (uint64_t& n : numbers) {
      for (int shift = 0;; shift += 7) {
        n |= uint64_t{*p & 0x7Fu} << shift;
        if (*p++ < 0x80) break;
      }
    }
    line = numbers[0];
    column = numbers[1];
  }
  if (column != 0) {
    site.Line = line;
    site.Column = column;
  }
  return site;
}

std::string_view TSymbolTable::Name(const TEntry& entry) const {
  if (entry.KeyTag == kLong) return Owns(entry) ? SideName(entry) : Shared->Name(entry);
  return {reinterpret_cast<const char*>(&entry.Key), entry.KeyTag - 1u};
}

}  // namespace zunt
