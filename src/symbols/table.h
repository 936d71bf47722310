// The name tables: variables and constants by name, in insertion order,
// looked up without regard to letter case.
#ifndef ZUNT_SYMBOLS_TABLE_H_
#define ZUNT_SYMBOLS_TABLE_H_

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "cursor/fold.h"
#include "symbols/var.h"

namespace zunt {

template <class TValue>
class TTable {
 public:
  using TEntry = std::pair<std::string, TValue>;

  TTable() = default;
  TTable(const TTable&) = delete;  // the index points into the entries
  TTable& operator=(const TTable&) = delete;

  /// Returns the value stored under the name in any letter case, or nullptr.
  const TValue* Find(std::string_view name) const {
    auto it = Index.find(name);
    return it == Index.end() ? nullptr : &it->second->second;
  }

  /// Appends an entry; the caller has checked that the name is new.
  void Add(std::string name, TValue value) {
    TEntry& entry = Entries.emplace_back(std::move(name), std::move(value));
    Index.emplace(entry.first, &entry);
  }

  /// Removes all entries.
  void Clear() {
    Index.clear();
    Entries.clear();
  }

  /// Returns the entries in insertion order.
  const std::deque<TEntry>& All() const { return Entries; }

 private:
  std::deque<TEntry> Entries;  // never moves an entry, so the index can point into it
  std::unordered_map<std::string_view, TEntry*, TNameHash, TNameEqual> Index;
};

using TVarTable = TTable<TVar>;
using TConstTable = TTable<std::string>;

}  // namespace zunt

#endif  // ZUNT_SYMBOLS_TABLE_H_
