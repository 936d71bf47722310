// The name tables: variables (declared and local) and constants by name, in
// the order they were added, looked up without regard to letter case.
#ifndef ZUNT_SYMBOLS_TABLE_H_
#define ZUNT_SYMBOLS_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cursor/wide.h"
#include "symbols/values.h"
#include "symbols/var.h"

namespace zunt {

class TSymbolTable {
 public:
  /// One name, as its slot holds it: 32 bytes, never across two cache lines,
  /// with a short name and a short replacement in them; longer ones are kept
  /// in a side record.
  struct TEntry {
    char Text[12];     // the replacement: a variable's letter and number as written
                       // (its Number from byte 8), or a constant's text
    uint8_t TextSize;  // the bytes of Text in use, or kLong
    uint8_t KeyTag;    // 1 + the name's length, or kLong; 0 in an empty slot
    uint8_t Local;     // 1 for a local variable
    uint8_t Reserved;
    TKey Key;  // the folded name; its first sixteen bytes when longer

    /// Returns the variable's number.
    int32_t Number() const {
      int32_t number;
      std::memcpy(&number, Text + 8, 4);
      return number;
    }
  };
  static_assert(sizeof(TEntry) == 32);
  static constexpr uint8_t kLong = 255;
  /// The most bytes of replacement an entry holds itself: a variable's, a constant's.
  static constexpr size_t kShortVar = 8;
  static constexpr size_t kShortConst = 12;

  /// Makes an empty table whose hash is keyed by seed.
  explicit TSymbolTable(const THashSeed& seed = kFixedHashSeed);

  /// Keys the hash by seed from now on; the names there are placed again.
  void Rekey(const THashSeed& seed);
  /// Returns the hash of a name of up to sixteen bytes, given its key, in this table.
  size_t HashOf(const TKey& key, size_t size) const { return HashKey(key, size, Seed); }
  /// Returns how many slots a lookup of the name looks at: 1 when the name
  /// (or, for a name not there, an empty slot) sits where its hash points.
  size_t ProbeLength(std::string_view name) const;

  /// Makes room in the slots for `more` names besides those there, so that
  /// adding them never moves the names again.
  void Reserve(size_t more);
  /// Makes room for the values of `more` variables besides those there.
  void ReserveValues(size_t more) { Values.Reserve(size() + more); }
  /// Keeps the variables' values from now on (the default), or not: a run
  /// that warns of no two names for one variable need not.
  void KeepValues(bool keep) { ValuesKept = keep; }

  /// Returns the entry of the name in any letter case, or nullptr.
  const TEntry* Find(std::string_view name) const;
  /// Returns the entry of a name of up to sixteen bytes with the given key, or nullptr.
  const TEntry* FindShort(const TKey& key, size_t size) const {
    const uint8_t tag = static_cast<uint8_t>(size + 1);
    for (size_t i = HashKey(key, size, Seed) & Mask;; i = (i + 1) & Mask) {
      const TEntry& entry = Slots[i];
      if (entry.Key == key && entry.KeyTag == tag) return &entry;
      if (entry.KeyTag == 0) return Shared ? Shared->FindShort(key, size) : nullptr;
    }
  }

  /// Makes the names of a table that outlives this one known here too, below
  /// this table's own: they are found, and a new name may not repeat one.
  /// The shared table is only read, so that several tables may share it at once.
  void ShareNamesOf(const TSymbolTable* shared) { Shared = shared; }

  /// Starts bringing the first slot of a name's hash into the cache.
  void Prefetch(size_t hash) const {
#if defined(__GNUC__)
    __builtin_prefetch(&Slots[hash & Mask]);
#else
    (void)hash;
#endif
  }
  /// Adds a declared name of up to sixteen bytes, given its key and HashOf,
  /// with its replacement (and a variable's number, whose value it binds
  /// unless another variable does: *taken, when given, says whether one
  /// does) unless the table has the name already: one probe finds it or its
  /// place. Returns whether it was added.
  bool AddIfNew(const TKey& key, size_t size, size_t hash, std::string_view text, int32_t number,
                size_t shortText, bool* taken = nullptr);

  /// What PlaceOfValue returns when no variable binds the value.
  static constexpr size_t kNoPlace = SIZE_MAX;
  /// Adds a variable; the caller has checked that the name is new, and adds
  /// local ones only after every declared one. Returns the place of the
  /// variable that binds the same letter and number already, else kNoPlace.
  size_t AddVar(std::string_view name, const TVar& var, bool local = false);
  /// Returns the place of the first variable that binds the value (a
  /// shared table's before this table's own), or kNoPlace.
  size_t PlaceOfValue(uint64_t key) const;
  /// Returns whether a variable, this table's or a shared table's, binds the value.
  bool BindsValue(uint64_t key) const {
    for (const TSymbolTable* table = this; table != nullptr; table = table->Shared) {
      if (table->Values.Find(key) != TValueIndex::kNone) return true;
    }
    return false;
  }
  /// Starts bringing the place of the value in this table's index into the cache.
  void PrefetchValue(uint64_t key) const { Values.Prefetch(key); }
  /// Adds a constant's text; the caller has checked that the name is new.
  void AddConst(std::string_view name, std::string_view text);
  /// Where a name was declared: its file, and the line and column (from 1) of
  /// its first byte (a constant's "("); Line 0 when not kept. A local
  /// variable's is the offset of its "~" in the script, which is loaded as
  /// long as the local lives (its lines are counted only for a report).
  struct TSite {
    std::string_view File;
    uint64_t Line = 0;
    uint64_t Column = 0;
    size_t Offset = std::string_view::npos;
  };
  /// Names added from now on are declared in the file at path.
  void BeginFile(std::string_view path);
  /// Keeps where the name added last was declared.
  void SetSite(uint64_t line, uint64_t column) {
    // Most names stand at the start of the line after the last name's: they
    // are only counted, and written out when a name breaks the run.
    if (line == SiteLine + 1 && column == 1 && SiteCount + PendingSites + 1 == Order.size()) {
      ++PendingSites;
      SiteLine = line;
      return;
    }
    SetSiteSlowly(line, column);
  }
  /// Keeps where the local variable added last was declared: its offset.
  void SetLocalSite(size_t offset) {
    size_t index = Order.size() - 1;
    if (Order.empty() || index < Globals) return;
    LocalOffsets.resize(index - Globals);
    LocalOffsets.push_back(offset);
  }
  /// Returns where the entry added i-th was declared.
  TSite SiteOf(size_t i) const;
  /// Returns where an entry, this table's or a shared table's, was declared.
  TSite SiteOfEntry(const TEntry& entry) const {
    if (!Owns(entry) && Shared != nullptr) return Shared->SiteOfEntry(entry);
    return SiteOf(IndexOf(entry));
  }
  /// Returns the table whose names are found below this one's, or nullptr.
  const TSymbolTable* SharedNames() const { return Shared; }
  /// Returns how many names the shared tables below this one hold. Places
  /// number the names found here, the shared tables' first (theirs from 0),
  /// then this table's own (from Below()); a name keeps its place while it is there.
  size_t Below() const { return Shared ? Shared->Below() + Shared->size() : 0; }
  /// Returns the place of an entry, this table's or a shared table's.
  size_t PlaceOf(const TEntry& entry) const {
    if (!Owns(entry) && Shared != nullptr) return Shared->PlaceOf(entry);
    return Below() + IndexOf(entry);
  }
  /// Returns the entry at a place.
  const TEntry& At(size_t place) const {
    size_t below = Below();
    return place < below ? Shared->At(place) : (*this)[place - below];
  }
  /// Returns where the entry at a place was declared.
  TSite SiteAt(size_t place) const {
    size_t below = Below();
    return place < below ? Shared->SiteAt(place) : SiteOf(place - below);
  }

  /// Removes the local variables.
  void ClearLocals();
  /// Removes all names.
  void Clear();

  /// Returns the number of names.
  size_t size() const { return Order.size(); }
  /// Returns the entry added i-th.
  const TEntry& operator[](size_t i) const { return Slots[Order[i]]; }
  /// Returns the place in the order of adding of an entry of this table: the
  /// i of operator[], which stays the name's while it is there (an entry of
  /// a shared table has its place in that table). One read once KeepPlaces
  /// was called; otherwise it looks through all the names.
  size_t IndexOf(const TEntry& entry) const;
  /// Keeps from now on each slot's place in the order of adding, for a
  /// caller that asks IndexOf of every reference (an editor's analysis).
  void KeepPlaces();
  /// Returns the entry's name, folded.
  std::string_view Name(const TEntry& entry) const;
  /// Returns a variable entry's value.
  TVar Var(const TEntry& entry) const {
    std::string_view text = Replacement(entry);
    return TVar{text[0], entry.Number(), std::string(text.substr(1))};
  }
  /// Returns the entry's replacement: a variable's letter and number, or a constant's text.
  std::string_view Replacement(const TEntry& entry) const {
    if (entry.TextSize != kLong) return {entry.Text, entry.TextSize};
    if (!Owns(entry)) return Shared->Replacement(entry);
    const TSide& side = Sides[SideOf(entry)];
    return {SideBytes.data() + side.TextAt, side.End - side.TextAt};
  }

 private:
  // Open addressing with linear probing over a power-of-two number of slots,
  // at most half in use when reserved (so that most names sit in their first
  // slot) and three quarters when grown. Each slot holds its entry, so that a
  // lookup reads one cache line; a slot of zeros is empty. Order keeps the
  // entries' slots in the order they were added.
  //
  // A long name or replacement: where its bytes stand in SideBytes, the
  // folded name (of a long name only) and then the replacement.
  struct TSide {
    size_t NameAt;
    size_t TextAt;
    size_t End;
  };

  // Returns whether the entry is one of this table's own, not a shared table's.
  bool Owns(const TEntry& entry) const { return &entry >= Slots && &entry <= Slots + Mask; }

  static uint32_t SideOf(const TEntry& entry) {
    uint32_t side;
    std::memcpy(&side, entry.Text, 4);
    return side;
  }

  // Frees the slots' block, which holds no objects with destructors.
  struct TFreeBlock {
    void operator()(char* block) const { ::operator delete(block); }
  };

  void Add(std::string_view name, std::string_view text, int32_t number, bool local,
           size_t shortText);
  // Makes room for one more name.
  void MakeRoom();
  // Stores the replacement in a side record, with the name folded when it is long.
  void AddSide(TEntry& entry, std::string_view name, std::string_view text);
  // Stores the replacement in the entry, or in a side record.
  void SetText(TEntry& entry, std::string_view name, std::string_view text, int32_t number,
               size_t shortText);
  // Puts the entry in the empty slot i as the next one added.
  void Put(size_t i, const TEntry& entry);
  // Returns the first empty slot from the hash on.
  size_t EmptySlotFor(size_t hash) const;
  void Resize(size_t slots);
  // Returns the folded name of a long entry of this table, from its side record.
  std::string_view SideName(const TEntry& entry) const;
  // Returns the entry's hash under the present seed.
  size_t HashOfEntry(const TEntry& entry) const;

  // Binds the value of the variable added last, unless a variable binds it
  // already; returns that variable's place, or kNoPlace.
  size_t BindValue(char letter, int32_t number, bool local);
  // Returns the place of this table's entry that the value index found for
  // the key (kFar: one it does not keep, looked for), or kNoPlace.
  size_t PlaceOfOwn(uint64_t key, uint32_t entry) const;

  THashSeed Seed;
  TValueIndex Values;  // the variables' letters and numbers
  bool ValuesKept = true;
  std::unique_ptr<char[], TFreeBlock> Block;  // the slots, from a 64-byte boundary
  TEntry* Slots = nullptr;
  size_t Mask = 0;
  std::vector<uint32_t> Order;   // the slot of each entry, in the order they were added
  std::vector<uint32_t> Places;  // with KeepPlaces, each slot's place in Order
  std::vector<TSide> Sides;
  std::string SideBytes;                 // the side records' bytes, one record after another
  size_t Globals = 0;                    // entries before the first local one
  size_t GlobalSides = 0;                // side records before the first local one
  const TSymbolTable* Shared = nullptr;  // names found below this table's own

  // Where each declared name was declared, in the order of adding, apart
  // from the entries (only reports read it) and small: one byte a name, the
  // lines since the name before in the high four bits and the column in the
  // low four, when they fit; else a zero byte, the line and the column as
  // variable-length numbers (column 0: no place). Every kSiteMarkEvery-th
  // name has a mark that says where its byte is and the line before it.
  static constexpr size_t kSiteMarkEvery = 64;
  struct TSiteMark {
    size_t At;
    uint64_t Line;
  };
  std::string SiteBytes;
  std::vector<TSiteMark> SiteMarks;
  size_t SiteCount = 0;     // names with a byte in SiteBytes
  size_t PendingSites = 0;  // names after them, each at the start of the next line
  uint64_t SiteLine = 0;    // the line of the last name
  void AppendSite(uint64_t line, uint64_t column);
  void SetSiteSlowly(uint64_t line, uint64_t column);
  void WritePendingSites();
  std::vector<size_t> LocalOffsets;                   // of the local ones, from Globals on
  std::vector<std::pair<size_t, std::string>> Files;  // each file's first entry and path
};

using TVarTable = TSymbolTable;
using TConstTable = TSymbolTable;

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_TABLE_H_
