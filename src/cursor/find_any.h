// A fast search for the end of a run of ordinary bytes: the first byte that is
// one of a few stop bytes, counting the line feeds passed on the way.
#ifndef ZUNT_CURSOR_FIND_ANY_H_
#define ZUNT_CURSOR_FIND_ANY_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cursor/char_set.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zunt {

/// Up to seven stop bytes and one byte to count.
class TStopBytes {
 public:
  /// Makes the set of stop bytes (one to seven of them); bytes equal to
  /// counted, when it is not itself a stop byte, are counted as they are passed.
  constexpr TStopBytes(std::string_view stops, unsigned char counted)
      : Set(stops), Counted(counted), Count(!Set.Has(counted)) {
    for (size_t lane = 0; lane < 16; ++lane) {
      for (size_t i = 0; i < kMax; ++i) {
        Lanes[i][lane] = static_cast<unsigned char>(stops[i % stops.size()]);
      }
      // Never counted: the first stop byte, which ends the search before it is counted.
      Lanes[kMax][lane] = Count ? counted : Lanes[0][lane];
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
inline size_t FindAny(std::string_view data, size_t from, const TStopBytes& stops,
                      uint64_t* counted) {
  size_t size = data.size();
  size_t pos = from;
#if defined(__SSE2__)
  if (pos <= size && size - pos >= 16) {
    // Sixteen bytes at a time. Counted bytes are summed per lane in `tally`
    // (each match subtracts -1), added up before a lane can overflow.
    __m128i want[TStopBytes::kMax + 1];
    for (size_t i = 0; i <= TStopBytes::kMax; ++i) {
      want[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(stops.Lanes[i]));
    }
    const __m128i zero = _mm_setzero_si128();
    __m128i tally = zero;
    unsigned tallied = 0;
    auto addUp = [&] {
      __m128i sums = _mm_sad_epu8(tally, zero);
      *counted += static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) +
                  static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
      tally = zero;
      tallied = 0;
    };
    const char* bytes = data.data();
    for (; size - pos >= 16; pos += 16) {
      __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
      __m128i hit = _mm_cmpeq_epi8(block, want[0]);
      for (size_t i = 1; i < TStopBytes::kMax; ++i) {
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, want[i]));
      }
      __m128i countHit = _mm_cmpeq_epi8(block, want[TStopBytes::kMax]);
      if (unsigned stopMask = static_cast<unsigned>(_mm_movemask_epi8(hit))) {
        // Most runs end in their first block: count the few bytes before the stop one by one.
        unsigned first = static_cast<unsigned>(__builtin_ctz(stopMask));
        unsigned before = static_cast<unsigned>(_mm_movemask_epi8(countHit)) & ((1u << first) - 1);
        for (; before != 0; before &= before - 1) ++*counted;
        if (tallied != 0) addUp();
        return pos + first;
      }
      tally = _mm_sub_epi8(tally, countHit);
      if (++tallied == 255) addUp();
    }
    if (tallied != 0) addUp();
  }
#endif
  for (; pos < size; ++pos) {
    unsigned char b = static_cast<unsigned char>(data[pos]);
    if (stops.Set.Has(b)) return pos;
    if (stops.Count && b == stops.Counted) ++*counted;
  }
  return pos;
}

/// Returns the position of the first byte of 0x80 or more in data at or after
/// from, or data.size() when there is none.
inline size_t FindHighByte(std::string_view data, size_t from) {
  size_t size = data.size();
  size_t pos = from;
#if defined(__SSE2__)
  for (; pos <= size && size - pos >= 16; pos += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data() + pos));
    if (unsigned high = static_cast<unsigned>(_mm_movemask_epi8(block))) {
      return pos + static_cast<unsigned>(__builtin_ctz(high));
    }
  }
#endif
  for (; pos < size; ++pos) {
    if (static_cast<unsigned char>(data[pos]) >= 0x80) return pos;
  }
  return size;
}

}  // namespace zunt

#endif  // ZUNT_CURSOR_FIND_ANY_H_
