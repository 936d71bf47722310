#include "cursor/cursor.h"

namespace zunt {

void TCursor::InitCursor(std::string_view data, unsigned char terminator) {
  Data = data;
  Size = data.size();
  Pos = 0;
  Line = 1;
  LineTerminator = terminator;
}

int TCursor::SkipAndMatch(const TCharSet& skip, std::string_view pattern, bool stopOnMismatch) {
  size_t k = 0;  // the pattern byte to match next
  bool readAny = false;
  while (Pos < Size) {
    unsigned char b = Take();
    readAny = true;
    if (skip.Has(b)) continue;
    if (pattern.empty()) return kMatched;
    if (static_cast<unsigned char>(pattern[k]) != b) k = 0;  // the match starts over
    if (static_cast<unsigned char>(pattern[k]) == b) {
      if (++k == pattern.size()) return kMatched;
    } else if (stopOnMismatch) {
      GiveBack();
      return b;
    }
  }
  // A line terminator that ended the data is left unread.
  if (readAny && static_cast<unsigned char>(Data[Pos - 1]) == LineTerminator) GiveBack();
  return kEndOfData;
}

TScan TCursor::ScanUntil(const TCharSet& stop, const TCharSet& error) {
  size_t start = Pos;
  while (Pos < Size) {
    unsigned char b = static_cast<unsigned char>(Data[Pos]);
    if (error.Has(b)) return TScan{TScanEnd::Interrupted, b, {}};
    Take();
    if (stop.Has(b)) return TScan{TScanEnd::Stopped, 0, Data.substr(start, Pos - 1 - start)};
  }
  return TScan{TScanEnd::EndOfData, 0, Data.substr(start)};
}

bool TCursor::SkipLine() {
  while (Pos < Size) {
    if (Take() == LineTerminator) return true;
  }
  return false;
}

}  // namespace zunt
