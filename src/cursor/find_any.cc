#include "cursor/find_any.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zunt {
namespace {

// Finds the stop byte one byte at a time from `from` up to `limit`.
size_t FindAnyBytewise(std::string_view data, size_t from, size_t limit, const TStopBytes& stops,
                       uint64_t* counted) {
  for (; from < limit; ++from) {
    unsigned char b = static_cast<unsigned char>(data[from]);
    if (stops.Set.Has(b)) return from;
    if (stops.Count && b == stops.Counted) ++*counted;
  }
  return from;
}

}  // namespace

size_t FindAny(std::string_view data, size_t from, const TStopBytes& stops, uint64_t* counted) {
  size_t size = data.size();
#if defined(__SSE2__)
  // Sixteen bytes at a time. Counted bytes are summed per lane in `tally`
  // (each match subtracts -1), which is added up before a lane can overflow.
  __m128i want[TStopBytes::kMax + 1];
  for (size_t i = 0; i <= TStopBytes::kMax; ++i) {
    want[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(stops.Lanes[i]));
  }
  const __m128i count = want[TStopBytes::kMax];
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
  size_t pos = from;
  for (; pos + 16 <= size; pos += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    __m128i hit = _mm_cmpeq_epi8(block, want[0]);
    for (size_t i = 1; i < TStopBytes::kMax; ++i) {
      hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, want[i]));
    }
    __m128i countHit = _mm_cmpeq_epi8(block, count);
    if (unsigned stopMask = static_cast<unsigned>(_mm_movemask_epi8(hit))) {
      // Most runs end in their first block: count the few bytes before the stop one by one.
      unsigned first = static_cast<unsigned>(__builtin_ctz(stopMask));
      unsigned before = static_cast<unsigned>(_mm_movemask_epi8(countHit)) & ((1u << first) - 1);
      for (; before != 0; before &= before - 1) ++*counted;
      addUp();
      return pos + first;
    }
    tally = _mm_sub_epi8(tally, countHit);
    if (++tallied == 255) addUp();
  }
  addUp();
  return FindAnyBytewise(data, pos, size, stops, counted);
#else
  return FindAnyBytewise(data, from, size, stops, counted);
#endif
}

}  // namespace zunt
