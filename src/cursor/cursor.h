// The source cursor: a position in one loaded file with a line counter that
// moves with it, and the scans that the readers are built from.
#ifndef ZUNT_CURSOR_CURSOR_H_
#define ZUNT_CURSOR_CURSOR_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/fail.h"
#include "cursor/char_set.h"
#include "cursor/wide.h"

namespace zunt {

/// How a scan ended.
enum class TScanEnd {
  Stopped,      // on a stop byte, which was consumed
  EndOfData,    // the data ran out first
  Interrupted,  // on a byte of the error set, which was not consumed
};

/// The result of `ScanUntil`: how it ended, the interrupting byte, and the text.
struct TScan {
  TScanEnd End = TScanEnd::EndOfData;
  unsigned char Byte = 0;  // the interrupting byte
  std::string_view Text;   // the bytes before the stop byte, or all scanned bytes at the end
};

/// Where a byte of the data stands.
struct TPlace {
  uint64_t Line = 0;          // from 1
  uint64_t Column = 0;        // from 1, in bytes
  std::string_view LineText;  // the bytes of the line, without its line end
};

/// `SkipAndMatch` results besides a byte value.
inline constexpr int kEndOfData = -1;
inline constexpr int kMatched = 256;

// Line is the line of the byte at LineAt. The scans below count the lines
// they pass and leave LineAt at Pos; a caller that moves Pos by itself, as
// the translator does over most of a script, leaves the counting to
// CountLines, which the scans and the reports call first.
struct TCursor {
  std::string_view Data;
  size_t Size = 0;
  size_t Pos = 0;
  uint64_t Line = 1;
  size_t LineAt = 0;
  unsigned char LineTerminator = '\n';
  // The bounds of the line that PlaceOf found last (its start, and its
  // terminator or the end of the data): reports on one long line look for
  // them once, so that a report costs the same wherever it stands.
  mutable size_t KnownLineStart = 1;
  mutable size_t KnownLineEnd = 0;

  /// Points the cursor at the data: position 0, line 1.
  void InitCursor(std::string_view data, unsigned char terminator);

  /// Consumes bytes of the skip set and tries to match the pattern after them.
  /// Returns kMatched, kEndOfData, or (with stopOnMismatch) the first byte that
  /// is neither skipped nor matching, left unread.
  int SkipAndMatch(const TCharSet& skip, std::string_view pattern, bool stopOnMismatch);

  /// Scans up to the first stop byte (consumed) or error byte (left unread).
  /// Returns how the scan ended and the bytes before the stop byte.
  TScan ScanUntil(const TCharSet& stop, const TCharSet& error);

  /// The same for small sets, sixteen bytes at a time: `either` holds the stop
  /// and the error bytes (at most seven) and counts line feeds, `error` tells
  /// the error bytes among them.
  TScan ScanUntil(const TStopBytes& either, const TCharSet& error) {
    CountLines();
    TScan scan = ScanUntilCounted(either, error);
    LineAt = Pos;
    return scan;
  }

  /// Moves past the next line terminator; returns false when the data ends first.
  bool SkipLine();

  /// Gives back the byte before Pos.
  void Unread() {
    CountLines();
    GiveBack();
    LineAt = Pos;
  }

  /// Returns the line of the byte at Pos.
  uint64_t CurrentLine() const;
  /// Brings Line up to Pos, after Pos was moved without counting.
  void CountLines() {
    if (Pos == LineAt) return;
    Line = CurrentLine();
    LineAt = Pos;
  }

  /// Returns whether all the data has been read.
  bool AtEnd() const { return Pos >= Size; }

  /// Returns the place of the byte at `at`, which is not after Pos. A line end
  /// (LF, or the CR of CR LF) stands just after the line's visible text.
  TPlace PlaceOf(size_t at) const;

  /// Returns a report on the given line, with the column of the byte at `at`
  /// when that byte is on this line, else of the byte at Pos, else none.
  TFail Report(TSeverity severity, TBoxPrefix prefix, std::string_view body, size_t at,
               uint64_t line) const;
  /// Returns an error on the cursor's line, pointing at the byte at `at`.
  TFail ErrorAt(TBoxPrefix prefix, std::string_view body, size_t at) const {
    return Report(TSeverity::Error, prefix, body, at, CurrentLine());
  }
  /// Returns a warning of the kind on the line of the byte at `at`, pointing at it.
  TFail WarningAt(TWarning kind, std::string_view body, size_t at) const;
  /// Returns a note on the line of the byte at `at`, pointing at it.
  TFail NoteAt(std::string_view body, size_t at) const {
    return Report(TSeverity::Note, TBoxPrefix::None, body, at, PlaceOf(at).Line);
  }

 private:
  // The scans themselves, counting from LineAt = Pos.
  int SkipAndMatchCounted(const TCharSet& skip, std::string_view pattern, bool stopOnMismatch);
  TScan ScanUntilCounted(const TCharSet& stop, const TCharSet& error);
  TScan ScanUntilCounted(const TStopBytes& either, const TCharSet& error) {
    // The wide search counts line feeds unless it stops at them. With another
    // line terminator, scan one byte at a time; error bytes are looked at
    // first there, so either's set serves as the stop set.
    bool counts = either.Count ? either.Counted == LineTerminator : either.Set.Has(LineTerminator);
    if (!counts) return ScanUntilCounted(either.Set, error);
    size_t start = Pos;
    size_t at = fast::FindAny(Data, Pos, either, &Line);
    if (at >= Size) {
      Pos = Size;
      return TScan{TScanEnd::EndOfData, 0, Data.substr(start)};
    }
    Pos = at;
    unsigned char b = static_cast<unsigned char>(Data[at]);
    if (error.Has(b)) return TScan{TScanEnd::Interrupted, b, {}};
    Take();
    return TScan{TScanEnd::Stopped, 0, Data.substr(start, at - start)};
  }
  bool SkipLineCounted();

  // Consumes the byte at Pos and counts it if it ends a line.
  unsigned char Take() {
    unsigned char b = static_cast<unsigned char>(Data[Pos++]);
    if (b == LineTerminator) ++Line;
    return b;
  }
  // Gives back the byte before Pos.
  void GiveBack() {
    if (static_cast<unsigned char>(Data[--Pos]) == LineTerminator) --Line;
  }
};

}  // namespace zunt

#endif  // ZUNT_CURSOR_CURSOR_H_
