// The byte searches that run sixteen bytes at a time, and the key of a short
// name. Each function has two versions with the same results: `plain`, one
// byte at a time and portable, and `wide`, with SSE2 where the compiler has
// it. `fast` names the one the program uses; the tests compare the two.
#ifndef ZUNT_CURSOR_WIDE_H_
#define ZUNT_CURSOR_WIDE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "cursor/char_set.h"
#include "cursor/fold.h"

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

/// Where a reference's closing mark and its first "[" and "]" stand among
/// the first sixteen bytes of its name; 16 when not there.
struct TNameStops {
  unsigned Close = 16;    // the first closing mark or line feed
  unsigned Bracket = 16;  // the first "[" before it
  unsigned Square = 16;   // the first "]" before it
};

/// A reference's name read from one load: where it stops, and its key.
struct TShortName {
  unsigned Stop = 16;  // the first closing mark, line feed or "["; 16 when not there
  TKey Key;            // of the bytes before it
};

/// A byte, and sixteen copies of it ready for comparing sixteen bytes at once.
struct TLanes {
  constexpr explicit TLanes(char byte) : Byte(byte) {
    for (char& lane : Lanes) lane = byte;
  }
  char Byte;
  alignas(16) char Lanes[16] = {};
};

namespace plain {

/// Returns the position of the first stop byte in data at or after from, or
/// data.size() when there is none; adds the counted bytes before it to *counted.
inline size_t FindAny(std::string_view data, size_t from, const TStopBytes& stops,
                      uint64_t* counted) {
  size_t pos = from;
  for (; pos < data.size(); ++pos) {
    unsigned char b = static_cast<unsigned char>(data[pos]);
    if (stops.Set.Has(b)) return pos;
    if (stops.Count && b == stops.Counted) ++*counted;
  }
  return pos;
}

/// Copies the bytes from `from` up to the first stop byte (or end) to `to`,
/// which has room for end - from + 16 bytes; returns where the copy stopped.
/// Nothing is counted.
inline const char* CopyUntil(const char* from, const char* end, char* to, const TStopBytes& stops) {
  const char* p = from;
  while (p != end && !stops.Set.Has(static_cast<unsigned char>(*p))) *to++ = *p++;
  return p;
}

/// Returns the position of the first byte of 0x80 or more in data at or after
/// from, or data.size() when there is none.
inline size_t FindHighByte(std::string_view data, size_t from) {
  for (size_t pos = from; pos < data.size(); ++pos) {
    if (static_cast<unsigned char>(data[pos]) >= 0x80) return pos;
  }
  return data.size();
}

/// Returns the number of bytes equal to b in [from, to).
inline uint64_t Count(const char* from, const char* to, char b) {
  uint64_t n = 0;
  for (; from != to; ++from) n += *from == b;
  return n;
}

/// Finds the closing mark (or a line feed) and the first "[" among the first
/// sixteen bytes at p, of those before end.
inline TNameStops FindNameStops(const char* p, const char* end, char close) {
  TNameStops stops;
  for (unsigned i = 0; i < 16 && p + i != end; ++i) {
    if (p[i] == close || p[i] == '\n') {
      stops.Close = i;
      break;
    }
    if (p[i] == '[' && stops.Bracket == 16) stops.Bracket = i;
    if (p[i] == ']' && stops.Square == 16) stops.Square = i;
  }
  return stops;
}

/// Returns the key of the n bytes at p (n at most 16); bytes from end on are never read.
inline TKey KeyOf(const char* p, size_t n, const char* end) {
  (void)end;
  return FoldedKey(p, n);
}

/// Copies bytes from `from` to `to` up to the first stop byte, looking at
/// sixteen bytes at a time: it reads to the end of the block that reaches
/// `limit`, and `to` needs room for limit - from + 16 bytes. Returns the
/// first stop byte's place, or the end of that block when there is none.
inline const char* CopyToStop(const char* from, const char* limit, char* to,
                              const TStopBytes& stops) {
  for (const char* p = from;; p += 16, to += 16) {
    for (int i = 0; i < 16; ++i) {
      if (stops.Set.Has(static_cast<unsigned char>(p[i]))) return p + i;
      to[i] = p[i];
    }
    if (limit - p <= 16) return p + 16;
  }
}

/// Leaves out the blanks and line feeds of the bytes [from, to), moving the
/// others down in place; returns their new end.
inline char* SqueezeBlanks(char* from, char* to) {
  char* kept = from;
  for (const char* p = from; p != to; ++p) {
    *kept = *p;
    kept += *p != ' ' && *p != '\n';
  }
  return kept;
}

/// Reads a reference's name among the sixteen bytes at p, all of them
/// readable: where the closing mark, a line feed or "[" first stops it, and
/// the key of the bytes before.
inline TShortName ShortName(const char* p, const TLanes& close) {
  TShortName name;
  for (unsigned i = 0; i < 16; ++i) {
    if (p[i] == close.Byte || p[i] == '\n' || p[i] == '[') {
      name.Stop = i;
      break;
    }
  }
  name.Key = FoldedKey(p, name.Stop);
  return name;
}

/// Returns how many of the first sixteen bytes at p, of those before end, come
/// before the first stop byte, or with `blanks` before the first byte up to 32
/// too; all of them when there is none. Nothing is counted.
inline size_t BytesBefore(const char* p, const char* end, const TStopBytes& stops, bool blanks) {
  size_t n = 0;
  for (; n < 16 && p + n != end; ++n) {
    unsigned char b = static_cast<unsigned char>(p[n]);
    if (stops.Set.Has(b) || (blanks && b <= ' ')) break;
  }
  return n;
}

}  // namespace plain

namespace wide {

#if defined(__SSE2__)

// Loads the sixteen bytes at p, of which those from end on are zeros and never read.
inline __m128i LoadUpTo(const char* p, const char* end) {
  if (end - p >= 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  alignas(16) char bytes[16] = {};
  std::memcpy(bytes, p, static_cast<size_t>(end - p));
  return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Returns the lanes of block that hold one of the stop bytes.
inline unsigned StopMask(__m128i block, const TStopBytes& stops) {
  __m128i hit = _mm_setzero_si128();
  for (size_t i = 0; i < TStopBytes::kMax; ++i) {
    hit = _mm_or_si128(
        hit,
        _mm_cmpeq_epi8(block, _mm_load_si128(reinterpret_cast<const __m128i*>(stops.Lanes[i]))));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(hit));
}

/// As plain::FindAny.
inline size_t FindAny(std::string_view data, size_t from, const TStopBytes& stops,
                      uint64_t* counted) {
  size_t size = data.size();
  size_t pos = from;
  if (pos <= size && size - pos >= 16) {
    // Counted bytes are summed per lane in `tally` (each match subtracts -1),
    // added up before a lane can overflow.
    const __m128i want = _mm_load_si128(reinterpret_cast<const __m128i*>(stops.Lanes[7]));
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
      __m128i countHit = _mm_cmpeq_epi8(block, want);
      if (unsigned stopMask = StopMask(block, stops)) {
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
  return plain::FindAny(data, pos, stops, counted);
}

/// As plain::CopyUntil: sixteen bytes are stored at a time, the stop byte and
/// what follows it included; they lie in the room past the copy.
inline const char* CopyUntil(const char* from, const char* end, char* to, const TStopBytes& stops) {
  const char* p = from;
  for (; end - p >= 16; p += 16, to += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), block);
    if (unsigned mask = StopMask(block, stops)) return p + __builtin_ctz(mask);
  }
  return plain::CopyUntil(p, end, to, stops);
}

/// As plain::FindHighByte.
inline size_t FindHighByte(std::string_view data, size_t from) {
  size_t size = data.size();
  size_t pos = from;
  for (; pos <= size && size - pos >= 16; pos += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data() + pos));
    if (unsigned high = static_cast<unsigned>(_mm_movemask_epi8(block))) {
      return pos + static_cast<unsigned>(__builtin_ctz(high));
    }
  }
  return plain::FindHighByte(data, pos);
}

/// As plain::Count.
inline uint64_t Count(const char* from, const char* to, char b) {
  const __m128i want = _mm_set1_epi8(b);
  const __m128i zero = _mm_setzero_si128();
  uint64_t n = 0;
  while (to - from >= 16) {
    __m128i tally = zero;  // up to 255 blocks per lane before adding up
    for (int blocks = 0; blocks < 255 && to - from >= 16; ++blocks, from += 16) {
      __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
      tally = _mm_sub_epi8(tally, _mm_cmpeq_epi8(block, want));
    }
    __m128i sums = _mm_sad_epu8(tally, zero);
    n += static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
  return n + plain::Count(from, to, b);
}

/// As plain::FindNameStops, with one load.
inline TNameStops FindNameStops(const char* p, const char* end, char close) {
  __m128i block = LoadUpTo(p, end);
  unsigned valid = end - p >= 16 ? 0xFFFF : (1u << (end - p)) - 1;
  auto lanes = [&](char byte) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(byte))));
  };
  unsigned closes = (lanes(close) | lanes('\n')) & valid;
  unsigned before = closes != 0 ? (closes & -closes) - 1 : valid;  // the lanes before the close
  unsigned brackets = lanes('[') & before;
  unsigned squares = lanes(']') & before;
  TNameStops stops;
  if (closes != 0) stops.Close = static_cast<unsigned>(__builtin_ctz(closes));
  if (brackets != 0) stops.Bracket = static_cast<unsigned>(__builtin_ctz(brackets));
  if (squares != 0) stops.Square = static_cast<unsigned>(__builtin_ctz(squares));
  return stops;
}

// Sixteen bytes of ones, then sixteen zeros: from 16 - n on, the mask of n lanes.
alignas(16) inline constexpr unsigned char kFirstLanes[32] = {
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};

/// As plain::KeyOf, with one load when the name is ASCII.
inline TKey KeyOf(const char* p, size_t n, const char* end) {
  __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kFirstLanes + 16 - n));
  __m128i block = _mm_and_si128(LoadUpTo(p, end), lanes);
  if (_mm_movemask_epi8(block) != 0) return plain::KeyOf(p, n, end);
  alignas(16) char bytes[16];
  // Small Latin letters lose 0x20: a signed compare is enough below 0x80.
  __m128i small = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('a' - 1)),
                                _mm_cmplt_epi8(block, _mm_set1_epi8('z' + 1)));
  block = _mm_sub_epi8(block, _mm_and_si128(small, _mm_set1_epi8(0x20)));
  TKey key;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), block);
  std::memcpy(&key.Lo, bytes, 8);
  std::memcpy(&key.Hi, bytes + 8, 8);
  return key;
}

/// As plain::CopyToStop: sixteen bytes are stored at a time.
inline const char* CopyToStop(const char* from, const char* limit, char* to,
                              const TStopBytes& stops) {
  for (const char* p = from;; p += 16, to += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), block);
    if (unsigned mask = StopMask(block, stops)) return p + __builtin_ctz(mask);
    if (limit - p <= 16) return p + 16;
  }
}

// The key of a name with bytes from 0x80 on, folded by the table: kept out
// of the loops that mostly see Latin names.
[[gnu::noinline]] inline TKey FoldedKeyOfHighBytes(const char* p, size_t n) {
  return FoldedKey(p, n);
}

/// As plain::SqueezeBlanks: sixteen bytes without a blank are moved at once.
inline char* SqueezeBlanks(char* from, char* to) {
  char* kept = from;
  const char* p = from;
  for (; to - p >= 16; p += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(block, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')))));
    if (blanks == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(kept), block);
      kept += 16;
      continue;
    }
    for (unsigned i = 0; i < 16; ++i) {
      *kept = p[i];
      kept += ((blanks >> i) & 1) ^ 1;
    }
  }
  for (; p != to; ++p) {
    *kept = *p;
    kept += *p != ' ' && *p != '\n';
  }
  return kept;
}

/// As plain::ShortName, with one load that finds the stop and makes the key.
inline TShortName ShortName(const char* p, const TLanes& close) {
  __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i stops = _mm_or_si128(
      _mm_cmpeq_epi8(block, _mm_load_si128(reinterpret_cast<const __m128i*>(close.Lanes))),
      _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                   _mm_cmpeq_epi8(block, _mm_set1_epi8('['))));
  TShortName name;
  // A seventeenth bit makes 16 the place of a stop that is not there.
  name.Stop = static_cast<unsigned>(
      __builtin_ctz(static_cast<unsigned>(_mm_movemask_epi8(stops)) | 0x10000));
  unsigned n = name.Stop;
  __m128i used = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kFirstLanes + 16 - n));
  block = _mm_and_si128(block, used);
  if (_mm_movemask_epi8(block) != 0) {
    name.Key = FoldedKeyOfHighBytes(p, n);
    return name;
  }
  // Small Latin letters lose 0x20: a signed compare is enough below 0x80.
  __m128i small = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('a' - 1)),
                                _mm_cmplt_epi8(block, _mm_set1_epi8('z' + 1)));
  block = _mm_sub_epi8(block, _mm_and_si128(small, _mm_set1_epi8(0x20)));
  alignas(16) char bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), block);
  std::memcpy(&name.Key.Lo, bytes, 8);
  std::memcpy(&name.Key.Hi, bytes + 8, 8);
  return name;
}

/// As plain::BytesBefore, with one load.
inline size_t BytesBefore(const char* p, const char* end, const TStopBytes& stops, bool blanks) {
  __m128i block = LoadUpTo(p, end);
  unsigned mask = StopMask(block, stops);
  if (blanks) {
    // The bytes that the unsigned minimum with 32 leaves as they are.
    __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8(' ')), block);
    mask |= static_cast<unsigned>(_mm_movemask_epi8(low));
  }
  if (end - p < 16) mask |= 0xFFFFu << (end - p);  // the lanes past the end stop it too
  return mask != 0 ? static_cast<size_t>(__builtin_ctz(mask)) : 16;
}

#else
using plain::BytesBefore;
using plain::CopyToStop;
using plain::CopyUntil;
using plain::Count;
using plain::FindAny;
using plain::FindHighByte;
using plain::FindNameStops;
using plain::KeyOf;
using plain::ShortName;
using plain::SqueezeBlanks;
#endif

}  // namespace wide

namespace fast = wide;

}  // namespace zunt

#endif  // ZUNT_CURSOR_WIDE_H_
