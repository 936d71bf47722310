#include "symbols/hints.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "cursor/fold.h"

namespace zunt {
namespace {

// The bytes of a name as 64 bits, one for each byte value modulo 64.
uint64_t ByteMask(std::string_view name) {
  uint64_t mask = 0;
  for (char c : name) mask |= uint64_t{1} << (static_cast<unsigned char>(c) & 63);
  return mask;
}

}  // namespace

TFail NoteAtDeclaration(const TSymbolTable& table, const TSymbolTable::TEntry& entry,
                        std::string_view body, const TCursor& cursor) {
  return NoteAtPlace(table, table.PlaceOf(entry), body, cursor);
}

TFail NoteAtPlace(const TSymbolTable& table, size_t place, std::string_view body,
                  const TCursor& cursor) {
  TSymbolTable::TSite site = table.SiteAt(place);
  if (site.Offset != std::string_view::npos) return cursor.NoteAt(body, site.Offset);
  TFail note(TSeverity::Note, TBoxPrefix::None, body, site.Line);
  note.File = site.File;
  note.Column = site.Column;
  return note;
}

size_t BoundedDistance(std::string_view a, std::string_view b, size_t limit) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > limit) return limit + 1;
  // One row of the edit table at a time: row[j] is the distance between the
  // part of a read so far and the first j bytes of b.
  size_t small[64];
  std::vector<size_t> large;
  if (b.size() >= 64) large.resize(b.size() + 1);
  size_t* row = b.size() < 64 ? small : large.data();
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    size_t least = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
      least = std::min(least, row[j]);
    }
    if (least > limit) return limit + 1;  // the rows below are no nearer
  }
  return std::min(row[b.size()], limit + 1);
}

const TSymbolTable::TEntry* MostSimilar(const TSymbolTable& table, std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(kFoldCase[static_cast<unsigned char>(c)]);
  size_t limit = std::max<size_t>(1, name.size() / 3);
  uint64_t mask = ByteMask(folded);
  const TSymbolTable::TEntry* best = nullptr;
  // This table's names, then those of the tables it shares.
  for (const TSymbolTable* names = &table; names != nullptr; names = names->SharedNames()) {
    for (size_t i = 0; i < names->size(); ++i) {
      const TSymbolTable::TEntry& entry = (*names)[i];
      std::string_view candidate = names->Name(entry);
      size_t sizes =
          std::max(candidate.size(), folded.size()) - std::min(candidate.size(), folded.size());
      if (sizes > limit) continue;
      // Each byte value that one name has and the other lacks takes an edit.
      uint64_t other = ByteMask(candidate);
      if (static_cast<size_t>(
              std::max(std::popcount(mask & ~other), std::popcount(other & ~mask))) > limit) {
        continue;
      }
      size_t distance = BoundedDistance(folded, candidate, limit);
      if (distance <= limit) {
        best = &entry;
        if (distance == 0) return best;
        limit = distance - 1;  // only a nearer one replaces it
      }
    }
  }
  return best;
}

}  // namespace zunt
