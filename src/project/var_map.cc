#include "project/var_map.h"

#include <algorithm>
#include <utility>

#include "cursor/wide.h"
#include "symbols/clashes.h"

namespace zunt {
namespace {

constexpr size_t kNoName = SIZE_MAX;

// Returns whether a number comes before another: by letter as a byte, then by number.
bool Before(const TMapNumber& a, const TMapNumber& b) {
  unsigned char x = static_cast<unsigned char>(a.Letter), y = static_cast<unsigned char>(b.Letter);
  return x != y ? x < y : a.Number < b.Number;
}

// Returns whether any of the names differs from `name`.
bool AnyOtherName(const TVarMap& map, const std::vector<size_t>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(),
                     [&](size_t i) { return map.Names[i].Name != name; });
}

}  // namespace

uint32_t TVarMapBuilder::FileOf(std::string_view path) {
  auto [at, added] = Files.emplace(std::string(path), static_cast<uint32_t>(Map.Files.size()));
  if (added) Map.Files.emplace_back(path);
  return at->second;
}

size_t TVarMapBuilder::NumberOf(char letter, int32_t number) {
  uint64_t key = ValueKey(letter, number);
  size_t mask = NumberAt.size() - 1;
  size_t i = SlotOf(key) & mask;
  for (; NumberAt[i].Key != 0; i = (i + 1) & mask) {
    if (NumberAt[i].Key == key) return NumberAt[i].Record;
  }
  size_t record = Map.Numbers.size();
  NumberAt[i] = TNumberSlot{key, record};
  TMapNumber added;
  added.Letter = letter;
  added.Number = number;
  Map.Numbers.push_back(std::move(added));
  IndexedBy.push_back(kNoName);
  IndexedByMore.push_back(false);
  if (Map.Numbers.size() * 2 > NumberAt.size()) {
    std::vector<TNumberSlot> slots(NumberAt.size() * 2);
    for (const TNumberSlot& slot : NumberAt) {
      if (slot.Key == 0) continue;
      size_t j = SlotOf(slot.Key) & (slots.size() - 1);
      while (slots[j].Key != 0) j = (j + 1) & (slots.size() - 1);
      slots[j] = slot;
    }
    NumberAt.swap(slots);
  }
  return record;
}

size_t TVarMapBuilder::AddName(const TSymbolTable& vars, size_t place, TNameScope scope,
                               TMapPlace declared) {
  const TSymbolTable::TEntry& entry = vars.At(place);
  TMapName name;
  name.Name = vars.Name(entry);
  name.Letter = vars.Replacement(entry)[0];
  name.Number = entry.Number();
  name.Scope = scope;
  if (scope != TNameScope::Shared) name.Script = Script;
  name.Declared = declared;
  size_t id = Map.Names.size();
  size_t number = NumberOf(name.Letter, name.Number);
  Map.Names.push_back(std::move(name));
  Map.Numbers[number].Names.push_back(id);
  NameNumber.push_back(number);
  return id;
}

void TVarMapBuilder::BeginScript(const std::string& path, const TSymbolTable& vars,
                                 std::string_view text) {
  Script = FileOf(path);
  Map.Scripts.push_back(Script);
  Vars = &vars;
  Text = text;
  LineAt = LineStart = 0;
  Line = 1;
  // Where a table keeps a name's place.
  auto declared = [&](size_t place) {
    TSymbolTable::TSite site = vars.SiteAt(place);
    return TMapPlace{FileOf(site.File), site.Line, site.Column};
  };
  OwnFrom = vars.Below();
  Shared = nullptr;
  if (OwnFrom != 0) {
    auto [at, added] = SharedNames.try_emplace(vars.SharedNames());
    if (added) {
      for (size_t place = 0; place < OwnFrom; ++place) {
        at->second.push_back(AddName(vars, place, TNameScope::Shared, declared(place)));
      }
    }
    Shared = &at->second;
  }
  Own.clear();
  for (size_t i = 0; i < vars.size(); ++i) {
    Own.push_back(AddName(vars, OwnFrom + i, TNameScope::Script, declared(OwnFrom + i)));
  }
  LocalsFrom = OwnFrom + vars.size();
  Locals.clear();
}

TMapPlace TVarMapBuilder::PlaceIn(size_t offset) {
  if (offset < LineAt) LineAt = LineStart = 0, Line = 1;  // never so far: counted again
  offset = std::min(offset, Text.size());
  const char* data = Text.data();
  Line += fast::Count(data + LineAt, data + offset, '\n');
  size_t feed = Text.substr(LineAt, offset - LineAt).rfind('\n');
  if (feed != std::string_view::npos) LineStart = LineAt + feed + 1;
  LineAt = offset;
  return TMapPlace{Script, Line, offset - LineStart + 1};
}

void TVarMapBuilder::Count(size_t* refs, TMapPlace* first, const TMapPlace& at) {
  if ((*refs)++ == 0) *first = at;
}

void TVarMapBuilder::Seen(const TSeen& seen, void* context) {
  TVarMapBuilder& self = *static_cast<TVarMapBuilder*>(context);
  if (seen.Kind == TSeen::ClearLocals) {
    self.Locals.clear();
  } else if (seen.Kind == TSeen::Local) {
    const TSymbolTable::TEntry& entry = self.Vars->At(seen.Entry);
    int32_t number = entry.Number();
    std::string key(reinterpret_cast<const char*>(&self.Script), sizeof self.Script);
    key += self.Vars->Replacement(entry)[0];
    key.append(reinterpret_cast<const char*>(&number), sizeof number);
    key += self.Vars->Name(entry);
    auto [at, added] = self.LocalNames.try_emplace(std::move(key), kNoName);
    if (added) {
      at->second =
          self.AddName(*self.Vars, seen.Entry, TNameScope::Local, self.PlaceIn(seen.Begin));
    }
    size_t local = seen.Entry - self.LocalsFrom;
    if (self.Locals.size() <= local) self.Locals.resize(local + 1, kNoName);
    self.Locals[local] = at->second;
  } else if (seen.Kind == TSeen::Variable && seen.Entry != SIZE_MAX) {
    self.Referred(seen);
  }
}

void TVarMapBuilder::Referred(const TSeen& seen) {
  size_t id = kNoName;
  if (seen.Entry < OwnFrom) {
    if (Shared != nullptr && seen.Entry < Shared->size()) id = (*Shared)[seen.Entry];
  } else if (seen.Entry < LocalsFrom) {
    id = Own[seen.Entry - OwnFrom];
  } else if (seen.Entry - LocalsFrom < Locals.size()) {
    id = Locals[seen.Entry - LocalsFrom];
  }
  if (id == kNoName) return;
  TMapPlace at = PlaceIn(seen.Begin);
  TMapName& name = Map.Names[id];
  Count(&name.Refs, &name.First, at);
  size_t number = NameNumber[id];
  if (seen.Index != 0) {
    number = NumberOf(name.Letter, IndexedNumber(name.Number, seen.Index));
    size_t& by = IndexedBy[number];
    if (by == kNoName) {
      by = id;
    } else if (by != id && !IndexedByMore[number] && Map.Names[by].Name != name.Name) {
      IndexedByMore[number] = true;
    }
  }
  TMapNumber& record = Map.Numbers[number];
  Count(&record.Refs, &record.First, at);
}

TVarMap TVarMapBuilder::Finish() {
  for (size_t i = 0; i < Map.Numbers.size(); ++i) {
    TMapNumber& record = Map.Numbers[i];
    if (record.Names.empty()) continue;
    record.Alias = AnyOtherName(Map, record.Names, Map.Names[record.Names.front()].Name);
    // Names that index it are other names than its own, unless one and the same.
    record.Overlap =
        IndexedByMore[i] ||
        (IndexedBy[i] != kNoName && AnyOtherName(Map, record.Names, Map.Names[IndexedBy[i]].Name));
  }
  SortNumbers(Map);
  TVarMap map = std::move(Map);
  *this = TVarMapBuilder(Seed);
  return map;
}

void SortNumbers(TVarMap& map) {
  std::sort(map.Numbers.begin(), map.Numbers.end(), Before);
  map.Letters.clear();
  for (size_t i = 0; i < map.Numbers.size(); ++i) {
    const TMapNumber& record = map.Numbers[i];
    if (map.Letters.empty() || map.Letters.back().Letter != record.Letter) {
      map.Letters.push_back(TMapLetter{record.Letter, i, i, {}});
    }
    TMapLetter& letter = map.Letters.back();
    if (letter.End != letter.Begin) {
      int64_t last = map.Numbers[letter.End - 1].Number;
      if (record.Number - last > 1) {
        letter.Free.push_back(
            TMapRange{static_cast<int32_t>(last + 1), static_cast<int32_t>(record.Number - 1)});
      }
    }
    letter.End = i + 1;
  }
}

std::vector<TSharedNumber> SharedNumbers(const TVarMap& ours, const TVarMap& theirs) {
  std::vector<TSharedNumber> shared;
  auto a = ours.Numbers.begin(), b = theirs.Numbers.begin();
  while (a != ours.Numbers.end() && b != theirs.Numbers.end()) {
    if (Before(*a, *b)) {
      ++a;
    } else if (Before(*b, *a)) {
      ++b;
    } else {
      shared.push_back(TSharedNumber{&*a++, &*b++});
    }
  }
  return shared;
}

}  // namespace zunt
