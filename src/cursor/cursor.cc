#include "cursor/cursor.h"

#include <algorithm>

namespace zunt {

void TCursor::InitCursor(std::string_view data, unsigned char terminator) {
  Data = data;
  Size = data.size();
  Pos = 0;
  Line = 1;
  LineAt = 0;
  LineTerminator = terminator;
  KnownLineStart = 1;
  KnownLineEnd = 0;
}

int TCursor::SkipAndMatchCounted(const TCharSet& skip, std::string_view pattern,
                                 bool stopOnMismatch) {
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

TScan TCursor::ScanUntilCounted(const TCharSet& stop, const TCharSet& error) {
  // One test per byte for the common case, a byte in neither set.
  const TCharSet either = stop | error;
  size_t start = Pos;
  for (size_t at = Pos; at < Size; ++at) {
    unsigned char b = static_cast<unsigned char>(Data[at]);
    if (either.Has(b)) {
      Pos = at;
      if (error.Has(b)) return TScan{TScanEnd::Interrupted, b, {}};
      Take();
      return TScan{TScanEnd::Stopped, 0, Data.substr(start, at - start)};
    }
    if (b == LineTerminator) ++Line;
  }
  Pos = Size;
  return TScan{TScanEnd::EndOfData, 0, Data.substr(start)};
}

bool TCursor::SkipLineCounted() {
  while (Pos < Size) {
    if (Take() == LineTerminator) return true;
  }
  return false;
}

int TCursor::SkipAndMatch(const TCharSet& skip, std::string_view pattern, bool stopOnMismatch) {
  CountLines();
  int result = SkipAndMatchCounted(skip, pattern, stopOnMismatch);
  LineAt = Pos;
  return result;
}

TScan TCursor::ScanUntil(const TCharSet& stop, const TCharSet& error) {
  CountLines();
  TScan scan = ScanUntilCounted(stop, error);
  LineAt = Pos;
  return scan;
}

bool TCursor::SkipLine() {
  CountLines();
  bool found = SkipLineCounted();
  LineAt = Pos;
  return found;
}

uint64_t TCursor::CurrentLine() const {
  const char* data = Data.data();
  char terminator = static_cast<char>(LineTerminator);
  if (Pos >= LineAt) return Line + fast::Count(data + LineAt, data + Pos, terminator);
  return Line - fast::Count(data + Pos, data + LineAt, terminator);
}

TPlace TCursor::PlaceOf(size_t at) const {
  at = std::min(at, Size);
  if (at < KnownLineStart || at > KnownLineEnd) {
    size_t before = at == 0 ? std::string_view::npos : Data.rfind(LineTerminator, at - 1);
    KnownLineStart = before == std::string_view::npos ? 0 : before + 1;
    KnownLineEnd = std::min(Data.find(LineTerminator, at), Size);
  }
  size_t start = KnownLineStart;
  size_t end = KnownLineEnd;
  if (end > start && Data[end - 1] == '\r') --end;
  TPlace place;
  // Lines are counted back from the cursor's own.
  size_t from = std::min(at, Pos);
  place.Line = CurrentLine() - fast::Count(Data.data() + from, Data.data() + Pos,
                                           static_cast<char>(LineTerminator));
  place.Column = std::min(at, end) - start + 1;
  place.LineText = Data.substr(start, end - start);
  return place;
}

TFail TCursor::Report(TSeverity severity, TBoxPrefix prefix, std::string_view body, size_t at,
                      uint64_t line) const {
  TFail report(severity, prefix, body, line);
  TPlace place = PlaceOf(at);
  if (place.Line != line) place = PlaceOf(Pos);
  if (place.Line == line) report.Quote(place.LineText, place.Column);
  return report;
}

TFail TCursor::WarningAt(TWarning kind, std::string_view body, size_t at) const {
  TFail warning = Report(TSeverity::Warning, TBoxPrefix::None, body, at, PlaceOf(at).Line);
  warning.Warning = kind;
  return warning;
}

}  // namespace zunt
