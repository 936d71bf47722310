#include "symbols/plain_lines.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cursor/fold.h"
#include "cursor/wide.h"
#include "symbols/declarations.h"

namespace zunt {
namespace {

// This many lines are read ahead of their adding, so that the slots of their
// names are on their way to the cache when they are probed.
constexpr size_t kAhead = 16;

// One plain line as read, before its name is added.
struct TPlainLine {
  const char* End;        // after the line: after CR for a variable, after LF for a constant
  uint64_t EndLine;       // the cursor's line there
  bool Constant;          // a constant, else a variable
  TKey Key;               // the name's
  size_t Size;            // the name's length
  size_t Hash;            // the name's hash in its table
  std::string_view Text;  // the replacement: the letter and digits, or the constant's text
  int32_t Number;         // a variable's number
  uint64_t NameLine;      // the line of the name's first byte ("(" of a constant)
  uint64_t NameColumn;    // and its column
};

// Where the parts of a plain line end: a variable's name at a blank, at a byte
// that ends or interrupts it or at "["; a constant's name at ")" or a line
// end; its text at the quote, a line end or a zero byte. (BytesBefore counts
// nothing: the counted byte that TStopBytes asks for plays no part.)
constexpr TStopBytes kVariableNameEnd("=$@[", '\n');
constexpr TStopBytes kConstantNameEnd(")\r\n", '\n');
constexpr TStopBytes kConstantTextEnd(std::string_view("'\r\n\0", 4), '\n');

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Moves p past the spaces at it.
const char* SkipSpaces(const char* p, const char* end) {
  while (p != end && *p == ' ') ++p;
  return p;
}

// Reads " = " with the blanks optional; returns the byte after it, or nullptr.
const char* SkipEquals(const char* p, const char* end) {
  if (end - p >= 3 && p[0] == ' ' && p[1] == '=' && p[2] == ' ') return SkipSpaces(p + 3, end);
  p = SkipSpaces(p, end);
  if (p == end || *p != '=') return nullptr;
  return SkipSpaces(p + 1, end);
}

// Moves p to the first stop byte from it on, or to the end.
const char* SkipTo(const char* p, const char* end, const TStopBytes& stops) {
  for (;;) {
    size_t n = fast::BytesBefore(p, end, stops, false);
    p += n;
    if (n < 16) return p;
  }
}

// Reads "NAME = y100" up to its CR, p on the name's first byte. Returns false
// when the line is not plain.
bool ReadPlainVariable(const char* p, const char* end, TPlainLine& line) {
  const char* name = p;
  line.Size = fast::BytesBefore(p, end, kVariableNameEnd, true);
  p += line.Size;
  // A name that fills the sixteen bytes may go on past them.
  if (line.Size == 0 || (line.Size == 16 && p != end && *p != ' ' && *p != '=')) return false;
  line.Key = fast::KeyOf(name, line.Size, end);
  p = SkipEquals(p, end);
  if (p == nullptr || p == end || !IsLatinLetter(*p)) return false;
  // The number as StrToIntStrict reads up to nine characters: "-" and digits.
  const char* value = p++;
  bool negative = p != end && *p == '-';
  const char* digits = p + negative;
  uint32_t number = 0;  // wraps past nine digits, which are not taken
  for (p = digits; p != end && IsDigit(*p); ++p) number = number * 10 + unsigned(*p - '0');
  if (p == digits || p - (value + 1) > 9 || p == end || *p != '\r') return false;
  line.Text = std::string_view(value, static_cast<size_t>(p - value));
  line.Number = negative ? -static_cast<int32_t>(number) : static_cast<int32_t>(number);
  line.End = p + 1;
  line.Constant = false;
  return true;
}

// Reads "(NAME) = 'text'" up to its LF, p on "(". Returns false when the line is not plain.
bool ReadPlainConstant(const char* p, const char* end, TPlainLine& line) {
  const char* name = ++p;
  line.Size = fast::BytesBefore(p, end, kConstantNameEnd, false);
  p += line.Size;
  if (p == end || *p != ')' || line.Size == 0) return false;
  line.Key = fast::KeyOf(name, line.Size, end);
  p = SkipEquals(p + 1, end);
  if (p == nullptr || p == end || *p != '\'') return false;
  // A text with a line end or a zero byte in it is left to the careful reader.
  const char* text = ++p;
  p = SkipTo(p, end, kConstantTextEnd);
  if (p == end || *p != '\'') return false;
  line.Text = std::string_view(text, static_cast<size_t>(p - text));
  ++p;
  if (p != end && *p == '\r') ++p;
  if (p == end || *p != '\n') return false;
  line.End = p + 1;
  line.Constant = true;
  return true;
}

// Returns the column of the byte at p, which is not at data's start when it
// comes after a line feed, as it most often does.
uint64_t ColumnOf(const char* data, const char* p) {
  if (p != data && p[-1] == '\n') return 1;
  std::string_view before(data, static_cast<size_t>(p - data));
  size_t feed = before.rfind('\n');
  return static_cast<uint64_t>(p - data) - (feed == std::string_view::npos ? 0 : feed + 1) + 1;
}

// Skips the separators from p and reads the plain line after them, counting
// its lines on from `lines`. Returns false when there is none there. The
// data start at data.
bool ReadPlainLine(const char* data, const char* p, const char* end, uint64_t lines,
                   TPlainLine& line) {
  for (; p != end && (*p == ' ' || *p == '\r' || *p == '\n'); ++p) lines += *p == '\n';
  if (p == end || *p == ';') return false;
  if (*p == '(' ? !ReadPlainConstant(p, end, line) : !ReadPlainVariable(p, end, line)) {
    return false;
  }
  line.NameLine = lines;
  line.NameColumn = ColumnOf(data, p);
  line.EndLine = lines + line.Constant;
  return true;
}

// Adds the line's name and its place unless it is taken, or its value is
// and the careful reader is to warn about that; returns whether it was added.
bool AddPlainLine(const TPlainLine& line, TVarTable& globalVars, TConstTable& constants,
                  TDiagnostics* diagnostics) {
  if (line.Constant) {
    if (!constants.AddIfNew(line.Key, line.Size, line.Hash, line.Text, 0,
                            TSymbolTable::kShortConst)) {
      return false;
    }
    constants.SetSite(line.NameLine, line.NameColumn);
    return true;
  }
  // While the file shows warnings, a name for a variable bound already is
  // the careful reader's; after that, its warning is only counted.
  bool looks = diagnostics != nullptr && diagnostics->Looks(TWarning::Alias);
  if (looks && diagnostics->FileWarnings < TDiagnostics::kMaxWarningsShown &&
      globalVars.BindsValue(ValueKey(line.Text[0], line.Number))) {
    return false;
  }
  bool taken = false;
  if (!globalVars.AddIfNew(line.Key, line.Size, line.Hash, line.Text, line.Number,
                           TSymbolTable::kShortVar, &taken)) {
    return false;
  }
  globalVars.SetSite(line.NameLine, line.NameColumn);
  if (looks && taken) diagnostics->ShowsWarning(TWarning::Alias);
  return true;
}

}  // namespace

void ReadPlainLines(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
                    TDiagnostics* diagnostics) {
  // Line feeds are counted as the line terminator.
  if (cursor.LineTerminator != '\n') return;
  cursor.CountLines();
  const char* data = cursor.Data.data();
  const char* end = data + cursor.Size;
  TPlainLine lines[kAhead];
  for (;;) {
    size_t read = 0;
    for (const char* p = data + cursor.Pos; read < kAhead; p = lines[read++].End) {
      uint64_t line = read == 0 ? cursor.Line : lines[read - 1].EndLine;
      if (!ReadPlainLine(data, p, end, line, lines[read])) break;
      const TSymbolTable& table = lines[read].Constant ? constants : globalVars;
      lines[read].Hash = table.HashOf(lines[read].Key, lines[read].Size);
      table.Prefetch(lines[read].Hash);
      if (!lines[read].Constant) {
        globalVars.PrefetchValue(ValueKey(lines[read].Text[0], lines[read].Number));
      }
    }
    // A name that is taken is left to the careful reader, with its message.
    size_t added = 0;
    while (added < read && AddPlainLine(lines[added], globalVars, constants, diagnostics)) {
      ++added;
    }
    if (added != 0) {
      cursor.Pos = static_cast<size_t>(lines[added - 1].End - data);
      cursor.Line = lines[added - 1].EndLine;
      cursor.LineAt = cursor.Pos;
    }
    if (added < kAhead) return;
  }
}

}  // namespace zunt
