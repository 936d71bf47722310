// A set of byte values, used by the scans to say which bytes are skipped,
// which end a scan and which interrupt it.
#ifndef ZUNT_CURSOR_CHAR_SET_H_
#define ZUNT_CURSOR_CHAR_SET_H_

#include <cstdint>
#include <string_view>

namespace zunt {

class TCharSet {
 public:
  constexpr TCharSet() = default;
  /// Makes the set of the given bytes.
  constexpr explicit TCharSet(std::string_view bytes) {
    for (char c : bytes) {
      unsigned char b = static_cast<unsigned char>(c);
      Bits[b >> 6] |= uint64_t{1} << (b & 63);
    }
  }
  /// Returns whether the byte is in the set.
  constexpr bool Has(unsigned char b) const { return (Bits[b >> 6] >> (b & 63)) & 1; }

  /// Returns the set of the bytes in either set.
  constexpr TCharSet operator|(const TCharSet& other) const {
    TCharSet both;
    for (int i = 0; i < 4; ++i) both.Bits[i] = Bits[i] | other.Bits[i];
    return both;
  }

 private:
  uint64_t Bits[4] = {};
};

}  // namespace zunt

#endif  // ZUNT_CURSOR_CHAR_SET_H_
