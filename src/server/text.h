// A document's text as the readers see it and as an editor sees it. The
// readers take Windows-1251 bytes; editors send Unicode and count places in
// lines and UTF-16 code units. Every conversion between the two happens here.
#ifndef ZUNT_SERVER_TEXT_H_
#define ZUNT_SERVER_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zunt {

/// A place as editors give it: a line and a UTF-16 code unit in it, from 0.
/// Lines end at LF, CR LF or a lone CR.
struct TPosition {
  uint32_t Line = 0;
  uint32_t Character = 0;
  bool operator==(const TPosition&) const = default;
};

/// A stretch between two places, the end left out.
struct TRange {
  TPosition Start;
  TPosition End;
  bool operator==(const TRange&) const = default;
};

/// A character that Windows-1251 has no byte for. It stands in the bytes as
/// one "?" and is kept here, so that the editor's text and places survive.
/// In a text read as Latin-1 (Windows-1251 bytes shown as "Ïðèâåò"), the
/// characters U+0080 to U+00FF are kept here too, standing as their own byte.
struct TForeign {
  size_t At = 0;  // the place of its byte in the bytes
  char32_t CodePoint = 0;
  bool Kept = false;  // it stands as its own byte (Latin-1), not as "?"
};

/// The bytes stored for a character that has no Windows-1251 byte.
inline constexpr char kForeignByte = '?';

/// Text converted to Windows-1251 and not yet in a document, with what
/// tells whether it looks like Windows-1251 read as Latin-1.
struct TConverted {
  std::string Bytes;
  std::vector<TForeign> Foreign;  // places counted from the text's start
  size_t LatinLetters = 0;        // characters U+00C0 to U+00FF
  bool Cyrillic = false;          // a character U+0400 to U+04FF
  bool Latin1 = false;            // converted as Latin-1 already
  /// Returns whether the text looks like Windows-1251 read as Latin-1.
  bool LooksLatin1() const { return !Cyrillic && LatinLetters >= 3; }
};

/// Makes text converted as Unicode what the Latin-1 reading gives: the
/// characters U+0080 to U+00FF stand as the bytes of their numbers.
void ToLatin1(TConverted* text);

/// Puts a CR before each LF of converted text that follows none.
void ToCrLf(TConverted* text);

/// Returns whether text has LF line ends and no CR at all.
bool LineFeedsAlone(std::string_view bytes);

class TText {
 public:
  /// Reads the editor's text as Latin-1 from now on: U+0080 to U+00FF stand
  /// for the bytes of their numbers.
  void SetLatin1(bool latin1) { Latin1 = latin1; }
  /// Reads the editor's lone LF line ends as CR LF from now on, for an editor
  /// that keeps LF in its buffer and writes the file back with CR LF.
  void SetCrLf(bool crlf) { CrLf = crlf; }
  /// Takes the editor's UTF-8 text; invalid UTF-8 cannot come (the JSON reader refuses it).
  void AssignUtf8(std::string_view utf8);
  /// Takes Windows-1251 bytes, as a file on disk holds them.
  void AssignBytes(std::string bytes);
  /// Takes converted text (read as Latin-1 when this text is).
  void Assign(TConverted text);
  /// Replaces the range with UTF-8 text; a range past the end is cut to it.
  void Replace(const TRange& range, std::string_view utf8);
  /// Replaces the range with converted text, as above.
  void Replace(const TRange& range, TConverted text);

  /// Returns the bytes the readers take.
  const std::string& Bytes() const { return Data; }
  /// Returns the characters that have no byte, in order.
  const std::vector<TForeign>& Foreign() const { return Foreigns; }

  /// Returns the byte offset of a place; a place past its line's end or past
  /// the last line is taken as that end.
  size_t OffsetOf(TPosition position) const;
  /// Returns the place of a byte offset (at most the size).
  TPosition PositionOf(size_t offset) const;
  /// Returns the offset of a byte column (from 1) on a line counted by LF
  /// alone (from 1), as the readers report places; cut to the line's end.
  size_t OffsetOfReport(uint64_t line, uint64_t column) const;
  /// Returns the UTF-8 text of the bytes from `from` up to `to`.
  std::string Utf8(size_t from, size_t to) const;
  /// Returns the whole text in UTF-8.
  std::string Utf8() const { return Utf8(0, Data.size()); }

 private:
  // Returns the first foreign character at or after offset.
  std::vector<TForeign>::const_iterator ForeignFrom(size_t offset) const;
  // Finds where each line starts, once for each version of the text.
  void IndexLines() const;
  // Keeps the line starts true after the bytes from `from` up to `to` became
  // `added` bytes: those before and after the stretch stay, moved; those in
  // it are found again.
  void ReindexLines(size_t from, size_t to, size_t added);
  // Returns the offset just before a line's break.
  size_t LineContentEnd(uint32_t line) const;
  // Returns how many characters before an offset take two UTF-16 code units.
  size_t PairsBefore(size_t offset) const;
  // Returns the UTF-16 code units from one offset up to a later one.
  size_t UnitsBetween(size_t from, size_t to) const {
    return to - from + PairsBefore(to) - PairsBefore(from);
  }

  std::string Data;
  std::vector<TForeign> Foreigns;
  mutable std::vector<size_t> Lines;       // where each line starts; empty until needed
  mutable std::vector<size_t> LoneStarts;  // those of Lines that follow a lone CR
  // By the index of a foreign character: how many before it take two code
  // units, and after the last, how many in all; empty until needed.
  mutable std::vector<size_t> Pairs;
  bool Latin1 = false;
  bool CrLf = false;
};

/// Converts UTF-8 text to Windows-1251 bytes, appending to `bytes` and
/// noting each character without a byte (its place counted from `base`).
void AppendWin1251(std::string_view utf8, size_t base, std::string* bytes,
                   std::vector<TForeign>* foreign, bool latin1 = false);

/// Returns the number of UTF-16 code units of a code point.
inline uint32_t Utf16Units(char32_t codePoint) { return codePoint >= 0x10000 ? 2 : 1; }

}  // namespace zunt

#endif  // ZUNT_SERVER_TEXT_H_
