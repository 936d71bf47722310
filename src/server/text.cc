#include "server/text.h"

#include <algorithm>
#include <cstring>

#include "base/cp1251.h"

namespace zunt {
namespace {

// Decodes the UTF-8 sequence at `at`; returns its length and sets *codePoint
// (U+FFFD and length 1 for a byte that begins no valid sequence).
size_t DecodeUtf8(std::string_view text, size_t at, char32_t* codePoint) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  }
  size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (lead >= 0xF5) length = 0;
  if (length == 0 || at + length > text.size()) {
    *codePoint = 0xFFFD;
    return 1;
  }
  char32_t cp = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) {
      *codePoint = 0xFFFD;
      return 1;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  *codePoint = cp;
  return length;
}

}  // namespace

void AppendWin1251(std::string_view utf8, size_t base, std::string* bytes,
                   std::vector<TForeign>* foreign, bool latin1) {
  bytes->reserve(bytes->size() + utf8.size());
  size_t start = bytes->size();
  for (size_t i = 0; i < utf8.size();) {
    // Runs of ASCII go in bulk.
    size_t ascii = i;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    if (ascii != i) {
      bytes->append(utf8.data() + i, ascii - i);
      i = ascii;
      continue;
    }
    char32_t cp = 0;
    i += DecodeUtf8(utf8, i, &cp);
    if (latin1 && cp >= 0x80 && cp <= 0xFF) {
      foreign->push_back(TForeign{base + (bytes->size() - start), cp, true});
      bytes->push_back(static_cast<char>(cp));
      continue;
    }
    int byte = Win1251Byte(cp);
    if (byte < 0) {
      foreign->push_back(TForeign{base + (bytes->size() - start), cp, false});
      bytes->push_back(kForeignByte);
    } else {
      bytes->push_back(static_cast<char>(byte));
    }
  }
}

void ToLatin1(TConverted* text) {
  if (text->Latin1) return;
  text->Latin1 = true;
  std::vector<TForeign> foreign;
  auto it = text->Foreign.begin();
  for (size_t at = 0; at < text->Bytes.size(); ++at) {
    unsigned char byte = static_cast<unsigned char>(text->Bytes[at]);
    if (it != text->Foreign.end() && it->At == at) {
      TForeign kept = *it++;
      if (kept.CodePoint >= 0x80 && kept.CodePoint <= 0xFF) {
        kept.Kept = true;
        text->Bytes[at] = static_cast<char>(kept.CodePoint);
      }
      foreign.push_back(kept);
    } else if (byte >= 0x80) {
      char32_t cp = CodePointOfByte(byte);
      if (cp <= 0xFF) {
        foreign.push_back(TForeign{at, cp, true});
        text->Bytes[at] = static_cast<char>(cp);
      }
    }
  }
  text->Foreign = std::move(foreign);
}

void ToCrLf(TConverted* text) {
  std::string& bytes = text->Bytes;
  size_t added = 0;
  for (size_t at = 0; (at = bytes.find('\n', at)) != std::string::npos; ++at) {
    if (at == 0 || bytes[at - 1] != '\r') ++added;
  }
  if (added == 0) return;
  std::string out;
  out.reserve(bytes.size() + added);
  auto foreign = text->Foreign.begin();
  for (size_t at = 0; at < bytes.size(); ++at) {
    for (; foreign != text->Foreign.end() && foreign->At == at; ++foreign) foreign->At = out.size();
    if (bytes[at] == '\n' && (at == 0 || bytes[at - 1] != '\r')) out.push_back('\r');
    out.push_back(bytes[at]);
  }
  bytes = std::move(out);
}

bool LineFeedsAlone(std::string_view bytes) {
  return bytes.find('\r') == std::string_view::npos && bytes.find('\n') != std::string_view::npos;
}

void TText::AssignUtf8(std::string_view utf8) {
  TConverted text;
  AppendWin1251(utf8, 0, &text.Bytes, &text.Foreign, Latin1);
  text.Latin1 = Latin1;
  Assign(std::move(text));
}

void TText::Assign(TConverted text) {
  if (Latin1) ToLatin1(&text);
  if (CrLf) ToCrLf(&text);
  Data = std::move(text.Bytes);
  Foreigns = std::move(text.Foreign);
  Lines.clear();
  LoneStarts.clear();
  Pairs.clear();
}

void TText::AssignBytes(std::string bytes) {
  Data = std::move(bytes);
  Foreigns.clear();
  Lines.clear();
  LoneStarts.clear();
  Pairs.clear();
}

void TText::Replace(const TRange& range, std::string_view utf8) {
  TConverted text;
  AppendWin1251(utf8, 0, &text.Bytes, &text.Foreign, Latin1);
  text.Latin1 = Latin1;
  Replace(range, std::move(text));
}

void TText::Replace(const TRange& range, TConverted text) {
  if (Latin1) ToLatin1(&text);
  if (CrLf) ToCrLf(&text);
  size_t from = OffsetOf(range.Start);
  size_t to = OffsetOf(range.End);
  if (to < from) std::swap(from, to);
  for (TForeign& added : text.Foreign) added.At += from;
  // The foreign characters of the replaced stretch go; those after it move.
  auto first = ForeignFrom(from);
  auto last = ForeignFrom(to);
  ptrdiff_t shift = static_cast<ptrdiff_t>(text.Bytes.size()) - static_cast<ptrdiff_t>(to - from);
  size_t index = static_cast<size_t>(first - Foreigns.begin());
  for (auto it = Foreigns.begin() + (last - Foreigns.cbegin()); it != Foreigns.end(); ++it) {
    it->At = static_cast<size_t>(static_cast<ptrdiff_t>(it->At) + shift);
  }
  Foreigns.erase(Foreigns.begin() + (first - Foreigns.cbegin()),
                 Foreigns.begin() + (last - Foreigns.cbegin()));
  Foreigns.insert(Foreigns.begin() + static_cast<ptrdiff_t>(index), text.Foreign.begin(),
                  text.Foreign.end());
  Data.replace(from, to - from, text.Bytes);
  ReindexLines(from, to, text.Bytes.size());
  Pairs.clear();
}

std::vector<TForeign>::const_iterator TText::ForeignFrom(size_t offset) const {
  return std::lower_bound(Foreigns.begin(), Foreigns.end(), offset,
                          [](const TForeign& f, size_t at) { return f.At < at; });
}

void TText::IndexLines() const {
  if (!Lines.empty()) return;
  Lines.push_back(0);
  LoneStarts.clear();
  const char* begin = Data.data();
  const char* end = begin + Data.size();
  for (const char* p = begin; p != end;) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = lf ? lf : end;
    // A lone CR breaks a line too; CRs are rare outside CR LF.
    for (const char* cr = p; cr != stop;) {
      cr = static_cast<const char*>(std::memchr(cr, '\r', static_cast<size_t>(stop - cr)));
      if (!cr) break;
      if (!lf || cr + 1 != lf) {  // not the CR of CR LF
        Lines.push_back(static_cast<size_t>(cr + 1 - begin));
        LoneStarts.push_back(Lines.back());
      }
      ++cr;
    }
    if (!lf) break;
    Lines.push_back(static_cast<size_t>(lf + 1 - begin));
    p = lf + 1;
  }
}

void TText::ReindexLines(size_t from, size_t to, size_t added) {
  if (Lines.empty()) return;  // made when next needed
  // A line starts after LF, and after a CR that no LF follows: a start
  // depends on the two bytes around it. The starts up to the line of the
  // byte before the stretch stay; those after its old end move.
  size_t kept = from == 0
                    ? 1
                    : static_cast<size_t>(std::upper_bound(Lines.begin(), Lines.end(), from - 1) -
                                          Lines.begin());
  size_t first = Lines[kept - 1];
  std::vector<size_t> found;
  std::vector<size_t> foundLone;
  size_t end = from + added;  // the stretch's new end: starts up to it are found again
  for (size_t at = first; at < end && at < Data.size(); ++at) {
    char byte = Data[at];
    bool lone = byte == '\r' && (at + 1 == Data.size() || Data[at + 1] != '\n');
    if (byte == '\n' || lone) found.push_back(at + 1);
    if (lone) foundLone.push_back(at + 1);
  }
  ptrdiff_t shift = static_cast<ptrdiff_t>(added) - static_cast<ptrdiff_t>(to - from);
  // The starts after the line of the stretch's first byte and up to its old
  // end are replaced by those found; those after it move.
  auto replace = [&](std::vector<size_t>& starts, const std::vector<size_t>& again) {
    auto begin = std::upper_bound(starts.begin(), starts.end(), first);
    auto moved = std::upper_bound(begin, starts.end(), to);
    for (auto it = moved; it != starts.end(); ++it) {
      *it = static_cast<size_t>(static_cast<ptrdiff_t>(*it) + shift);
    }
    auto erased = starts.erase(begin, moved);
    starts.insert(erased, again.begin(), again.end());
  };
  replace(Lines, found);
  replace(LoneStarts, foundLone);
}

size_t TText::PairsBefore(size_t offset) const {
  if (Pairs.empty()) {
    Pairs.reserve(Foreigns.size() + 1);
    Pairs.push_back(0);
    for (const TForeign& foreign : Foreigns) {
      Pairs.push_back(Pairs.back() + Utf16Units(foreign.CodePoint) - 1);
    }
  }
  return Pairs[static_cast<size_t>(ForeignFrom(offset) - Foreigns.begin())];
}

size_t TText::LineContentEnd(uint32_t line) const {
  size_t end = line + 1 < Lines.size() ? Lines[line + 1] : Data.size();
  if (end > Lines[line] && Data[end - 1] == '\n') --end;
  if (end > Lines[line] && Data[end - 1] == '\r') --end;
  return end;
}

size_t TText::OffsetOf(TPosition position) const {
  IndexLines();
  if (position.Line >= Lines.size()) return Data.size();
  size_t start = Lines[position.Line];
  // The last offset of the line whose code units do not exceed the place's:
  // inside a surrogate pair, the character's start.
  size_t low = start;
  size_t high = LineContentEnd(position.Line);
  while (low < high) {
    size_t middle = low + (high - low + 1) / 2;
    if (UnitsBetween(start, middle) <= position.Character) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

TPosition TText::PositionOf(size_t offset) const {
  IndexLines();
  offset = std::min(offset, Data.size());
  size_t line =
      static_cast<size_t>(std::upper_bound(Lines.begin(), Lines.end(), offset) - Lines.begin()) - 1;
  return TPosition{static_cast<uint32_t>(line),
                   static_cast<uint32_t>(UnitsBetween(Lines[line], offset))};
}

size_t TText::OffsetOfReport(uint64_t line, uint64_t column) const {
  if (line == 0) return 0;
  IndexLines();
  // The readers count lines by LF alone: of the line starts, the first one
  // that LF lines before it (lone CRs aside) number line - 1.
  auto startsByLf = [&](size_t index) {
    size_t lone = static_cast<size_t>(
        std::upper_bound(LoneStarts.begin(), LoneStarts.end(), Lines[index]) - LoneStarts.begin());
    return index + 1 - lone;  // the line starts up to this one that follow LF, and the first
  };
  size_t low = 0;
  size_t high = Lines.size();
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    if (startsByLf(middle) < line) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == Lines.size()) return Data.size();
  size_t start = Lines[low];
  size_t end = Data.find('\n', start);
  if (end == std::string::npos) end = Data.size();
  size_t at = start + (column == 0 ? 0 : column - 1);
  return std::min(at, end);
}

std::string TText::Utf8(size_t from, size_t to) const {
  std::string out;
  to = std::min(to, Data.size());
  out.reserve((to - from) * 2);
  auto it = ForeignFrom(from);
  for (size_t at = from; at < to;) {
    size_t next = it != Foreigns.end() && it->At < to ? it->At : to;
    for (; at < next; ++at) {
      unsigned char byte = static_cast<unsigned char>(Data[at]);
      if (byte < 0x80) {
        out.push_back(static_cast<char>(byte));
      } else {
        AppendUtf8(&out, CodePointOfByte(byte));
      }
    }
    if (at < to) {
      AppendUtf8(&out, it->CodePoint);
      ++it;
      ++at;
    }
  }
  return out;
}

}  // namespace zunt
