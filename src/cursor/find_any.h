// A fast search for the end of a run of ordinary bytes: the first byte that is
// one of a few stop bytes, counting the line feeds passed on the way.
#ifndef ZUNT_CURSOR_FIND_ANY_H_
#define ZUNT_CURSOR_FIND_ANY_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cursor/char_set.h"

namespace zunt {

/// Up to seven stop bytes and one byte to count.
class TStopBytes {
 public:
  /// Makes the set of stop bytes (one to seven of them); bytes equal to
  /// counted, when it is not itself a stop byte, are counted as they are passed.
  constexpr TStopBytes(std::string_view stops, unsigned char counted)
      : Set(stops), Counted(counted), Count(!Set.Has(counted)) {
    for (size_t i = 0; i < kMax; ++i) {
      for (size_t lane = 0; lane < 16; ++lane) {
        Lanes[i][lane] = static_cast<unsigned char>(stops[i % stops.size()]);
        // Never counted: the first stop byte, which ends the search before it is counted.
        Lanes[kMax][lane] = Count ? counted : Lanes[0][lane];
      }
    }
  }

  static constexpr size_t kMax = 7;
  TCharSet Set;
  unsigned char Counted;
  bool Count;
  // Sixteen copies of each stop byte (the first ones repeated to fill), then
  // of the counted byte: ready for comparing sixteen bytes at once.
  alignas(16) unsigned char Lanes[kMax + 1][16] = {};
};

/// Returns the position of the first stop byte in data at or after from, or
/// data.size() when there is none; adds the counted bytes before it to *counted.
size_t FindAny(std::string_view data, size_t from, const TStopBytes& stops, uint64_t* counted);

}  // namespace zunt

#endif  // ZUNT_CURSOR_FIND_ANY_H_
