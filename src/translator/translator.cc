#include "translator/translator.h"

#include <algorithm>
#include <charconv>

#include "base/cp1251.h"
#include "base/fail.h"
#include "cursor/fold.h"
#include "cursor/wide.h"
#include "symbols/clashes.h"
#include "symbols/declarations.h"
#include "symbols/hints.h"

namespace zunt {
namespace {

// Bytes that end a run of copied text; in compact mode blanks and line feeds
// too, which are dropped. Lines are counted only when a report needs them.
constexpr TStopBytes kSpecial("$@(`~", '$');
constexpr TStopBytes kSpecialCompact("$@(`~\n ", '$');
// The bytes that open a reference.
constexpr TCharSet kReferenceMarks("$@(");

// What a reference mark asks for: the byte that closes the name, whether it
// names a constant, and whether only the number of a variable is written.
struct TMark {
  TLanes Close;
  bool Constant;
  size_t NumberOnly;
};
// By MarkIndex: "@", "$", "(".
constexpr TMark kMarks[3] = {
    {TLanes('@'), false, 1}, {TLanes('$'), false, 0}, {TLanes(')'), true, 0}};

// Returns the place of a reference mark's entry in kMarks, from two of its bits.
constexpr size_t MarkIndex(char mark) { return (static_cast<unsigned char>(mark) >> 2) & 3; }
static_assert(MarkIndex('@') == 0 && MarkIndex('$') == 1 && MarkIndex('(') == 2);

// The ends of a local declaration's name (the breaks among them) and of its value.
constexpr TStopBytes kLocalNameEnd("=\n$@", '=');
constexpr TStopBytes kLocalValueEnd("\n;", '\n');

// Stops the run with an error in the script on the cursor's line, pointing
// at the byte at `at`.
[[noreturn]] void FailInScript(TCursor& c, std::string_view body, size_t at) {
  c.CountLines();
  throw c.ErrorAt(TBoxPrefix::Script, body, at);
}

// The same, with a note that explains it.
[[noreturn]] void FailInScript(TCursor& c, std::string_view body, size_t at, TFail note) {
  c.CountLines();
  TFail error = c.ErrorAt(TBoxPrefix::Script, body, at);
  error.Notes.push_back(std::move(note));
  throw error;
}

// Adds to an error about an unknown name the declared name most like it, if
// one is near: "может быть, $NAME$?" where that name was declared.
void SuggestName(TFail& error, const TSymbolTable& table, std::string_view name, char open,
                 char close, const TCursor& c) {
  const TSymbolTable::TEntry* similar = MostSimilar(table, name);
  if (similar == nullptr) return;
  error.Notes.push_back(NoteAtDeclaration(
      table, *similar,
      Win1251("может быть, ") + open + std::string(table.Name(*similar)) + close + "?", c));
}

// Returns the position of the first of the stop bytes from the cursor on, or the end.
size_t Find(const TCursor& c, const TStopBytes& stops) {
  uint64_t uncounted = 0;
  return fast::FindAny(c.Data, c.Pos, stops, &uncounted);
}

// The most bytes copied at a time, so that the output's room stays small.
constexpr size_t kChunk = size_t{64} << 10;

// Copies ordinary bytes from the cursor up to the next special byte in bulk,
// handing the output over in pieces when that is asked for.
void CopyRun(TState& state) {
  TCursor& c = state.Cursor;
  const char* end = c.Data.data() + c.Size;
  while (true) {
    const char* from = c.Data.data() + c.Pos;
    const char* limit = from + std::min<size_t>(kChunk, static_cast<size_t>(end - from));
    char* to = state.Output.Room(static_cast<size_t>(limit - from) + 16);
    // Two calls, so that each set's bytes are known where it is searched for.
    const char* stop = state.KeepWhitespace ? fast::CopyUntil(from, limit, to, kSpecial)
                                            : fast::CopyUntil(from, limit, to, kSpecialCompact);
    state.Output.Commit(static_cast<size_t>(stop - from));
    c.Pos += static_cast<size_t>(stop - from);
    if (state.Output.size() >= state.PieceSize && state.OnPiece != nullptr) {
      state.OnPiece(state, state.PieceContext);
    }
    if (stop != limit || limit == end) return;
  }
}

// Scans a reference's name from the cursor up to the closing byte, as
// ScanUntil(close, line feed) does; *open becomes the length of the name before
// its first "[" (all of it when there is none). A name holds no line feed, so
// no line is counted. Most names end within the first sixteen bytes.
[[gnu::always_inline]] inline TScan ScanName(TCursor& c, char close, size_t* open) {
  const char* begin = c.Data.data() + c.Pos;
  const char* end = c.Data.data() + c.Size;
  TNameStops stops = fast::FindNameStops(begin, end, close);
  const char* p = begin + stops.Close;
  const char* bracket = stops.Bracket < stops.Close ? begin + stops.Bracket : nullptr;
  if (stops.Close == 16) {  // a long name, or the end of the data
    for (p = begin + std::min<ptrdiff_t>(16, end - begin); p != end && *p != close && *p != '\n';
         ++p) {
      if (*p == '[' && bracket == nullptr) bracket = p;
    }
  }
  std::string_view text(begin, static_cast<size_t>(p - begin));
  *open = static_cast<size_t>((bracket != nullptr ? bracket : p) - begin);
  if (p == end) {
    c.Pos = c.Size;
    return TScan{TScanEnd::EndOfData, 0, text};
  }
  c.Pos += text.size();
  if (*p == '\n') return TScan{TScanEnd::Interrupted, '\n', {}};
  ++c.Pos;
  return TScan{TScanEnd::Stopped, 0, text};
}

// Returns the entry of a name that stands in the cursor's data.
[[gnu::always_inline]] inline const TSymbolTable::TEntry* FindName(const TSymbolTable& table,
                                                                   std::string_view name,
                                                                   const TCursor& c) {
  if (name.size() > 16) return table.Find(name);
  return table.FindShort(fast::KeyOf(name.data(), name.size(), c.Data.data() + c.Size),
                         name.size());
}

// Returns whether adding index to number wraps around 32 bits.
bool Wraps(int32_t number, int32_t index) {
  int64_t sum = int64_t{number} + index;
  return sum < INT32_MIN || sum > INT32_MAX;
}

// Reads a decimal index of one to nine digits after an optional sign from
// the bytes [from, to); returns false for any other index.
bool SmallIndex(const char* from, const char* to, int32_t* index) {
  bool negative = *from == '-';
  if (*from == '-' || *from == '+') ++from;
  if (to - from < 1 || to - from > 9) return false;
  int32_t value = 0;
  for (; from != to; ++from) {
    if (*from < '0' || *from > '9') return false;
    value = value * 10 + (*from - '0');
  }
  *index = negative ? -value : value;
  return true;
}

// Returns whether a reference at an index other than 0 from a variable of
// up to eight bytes needs no warning that it lands on another name's
// variable: no name binds that one, or the file has shown its share of
// warnings (the warning is counted here). The caller has checked that such
// warnings are looked for.
inline bool OverlapSettled(TState& state, const TSymbolTable::TEntry& var, int32_t index) {
  uint64_t key = ValueKey(state.Vars.Replacement(var)[0], IndexedNumber(var.Number(), index));
  return !state.Vars.BindsValue(key) || !state.Diagnostics.ShowsWarning(TWarning::Overlap);
}

// Translates the reference under the cursor when its first sixteen bytes
// settle it, as they mostly do: a declared name, maybe with a decimal index
// just before the closing mark, that needs no warning. Returns false, having
// changed nothing, for any other reference.
[[gnu::always_inline]] inline bool TranslateShortVarRef(TState& state) {
  TCursor& c = state.Cursor;
  const char* name = c.Data.data() + c.Pos + 1;
  const char* end = c.Data.data() + c.Size;
  char mark = name[-1];
  TNameStops stops = fast::FindNameStops(name, end, mark);
  if (stops.Close - 1 >= 15 || name[stops.Close] != mark) return false;
  size_t size = stops.Close;
  int32_t index = 0;
  if (stops.Bracket != 16) {  // "NAME[k]" and nothing after the "]"
    if (stops.Square != size - 1 ||
        !SmallIndex(name + stops.Bracket + 1, name + size - 1, &index)) {
      return false;
    }
    size = stops.Bracket;
  }
  const TSymbolTable::TEntry* var = state.Vars.FindShort(fast::KeyOf(name, size, end), size);
  if (!var || (index != 0 && Wraps(var->Number(), index))) return false;
  if (index != 0 && state.Diagnostics.Looks(TWarning::Overlap) &&
      !OverlapSettled(state, *var, index)) {
    return false;
  }
  c.Pos += stops.Close + 2;
  EmitVar(state.Output, state.Vars, *var, mark == '@', index);
  return true;
}

// Warns about text between an index's "]" and the closing mark, at `at`: it is ignored.
void WarnOnTextAfterIndex(TState& state, size_t at) {
  if (!state.Diagnostics.ShowsWarning(TWarning::TextAfterIndex)) return;
  state.Cursor.CountLines();
  state.Diagnostics.Add(state.Cursor.WarningAt(
      TWarning::TextAfterIndex, Win1251("текст между «]» индекса и концом ссылки пропущен"), at));
}

// Warns, at the index's "[", that the number plus the index wraps around 32 bits.
void WarnOnWrap(TState& state, int32_t number, int32_t index, size_t at) {
  if (!state.Diagnostics.ShowsWarning(TWarning::IndexOverflow)) return;
  state.Cursor.CountLines();
  int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(number) + static_cast<uint32_t>(index));
  state.Diagnostics.Add(state.Cursor.WarningAt(
      TWarning::IndexOverflow,
      Win1251("число с индексом выходит за 32 бита: ") + std::to_string(number) +
          (index < 0 ? " - " : " + ") + std::to_string(index < 0 ? -int64_t{index} : index) +
          Win1251(" дает ") + std::to_string(sum),
      at));
}

// Translates the constant reference under the cursor when its first sixteen
// bytes hold a declared name and the closing parenthesis. Returns false,
// having changed nothing, for any other reference.
[[gnu::always_inline]] inline bool TranslateShortConstRef(TState& state) {
  TCursor& c = state.Cursor;
  const char* name = c.Data.data() + c.Pos + 1;
  const char* end = c.Data.data() + c.Size;
  TNameStops stops = fast::FindNameStops(name, end, ')');
  if (stops.Close - 1 >= 15 || name[stops.Close] != ')') return false;
  const TSymbolTable::TEntry* text =
      state.Constants.FindShort(fast::KeyOf(name, stops.Close, end), stops.Close);
  if (!text) return false;
  c.Pos += stops.Close + 2;
  EmitConst(state.Output, state.Constants, *text);
  return true;
}

// Tells the state's watcher what the careful reader met; it ends at the cursor.
void Seen(TState& state, TSeen::TKind kind, size_t begin, std::string_view name, size_t entry,
          int32_t index) {
  TSeen seen;
  seen.Kind = kind;
  seen.Begin = begin;
  seen.End = state.Cursor.Pos;
  seen.Name = name;
  seen.Entry = entry;
  seen.Index = index;
  state.OnSeen(seen, state.SeenContext);
}

// Translates the special byte under the cursor, and what it begins, in full.
[[gnu::noinline]] void TranslateSpecial(TState& state) {
  TCursor& c = state.Cursor;
  switch (c.Data[c.Pos]) {
    case '$':
    case '@':
      if (state.OnSeen || !TranslateShortVarRef(state)) TranslateVarRefInFull(state);
      break;
    case '(':
      if (state.OnSeen || !TranslateShortConstRef(state)) TranslateConstRefInFull(state);
      break;
    case '`':
      state.KeepWhitespace = !state.KeepWhitespace;
      if (!state.KeepWhitespace) state.CompactSince = c.Pos;
      ++c.Pos;
      break;
    case '~':
      if (c.Pos + 1 < c.Size && c.Data[c.Pos + 1] == '~') {
        c.Pos += 2;
        ClearLocals(state);
        if (state.OnSeen) Seen(state, TSeen::ClearLocals, c.Pos - 2, {}, SIZE_MAX, 0);
      } else {
        TranslateLocalDecl(state);
      }
      break;
    default:  // compact mode: dropped blanks and line feeds
      do {
        ++c.Pos;
      } while (c.Pos < c.Size && (c.Data[c.Pos] == ' ' || c.Data[c.Pos] == '\n'));
      break;
  }
}

// Writes a variable's letter (unless numberOnly) and its number plus index
// (not 0) at `to`, which has room for twelve bytes; returns the end.
char* WriteIndexedVar(char* to, char letter, int32_t number, bool numberOnly, int32_t index) {
  *to = letter;
  to += !numberOnly;
  // The sum wraps around in 32 bits.
  int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(number) + static_cast<uint32_t>(index));
  return std::to_chars(to, to + 11, sum).ptr;
}

// Writes a variable of up to eight bytes at its index (not 0) at `to`, as
// WriteIndexedVar, unless the reference lands on another name's variable and
// its warning is to be shown; returns the end, or nullptr for the careful
// reader. Out of the tight loop, which keeps its registers.
[[gnu::noinline]] char* WriteIndexedIfSettled(TState& state, char* to,
                                              const TSymbolTable::TEntry& var, bool numberOnly,
                                              int32_t index) {
  if (state.Diagnostics.Looks(TWarning::Overlap) && !OverlapSettled(state, var, index)) {
    return nullptr;
  }
  return WriteIndexedVar(to, var.Text[0], var.Number(), numberOnly, index);
}

// The bytes at the end of the script left to the careful reader, so that the
// common case may load sixteen bytes anywhere before them.
constexpr size_t kTail = 48;
// What the common case may write past the copied text for one reference, at most.
constexpr ptrdiff_t kMostPerReference = 32;

// The pass's common case, with its places kept in registers: copies text
// (leaving out blanks and line feeds when Compact) and translates the
// references that their first sixteen bytes settle, a stretch of script at a
// time; hands any other special byte to TranslateSpecial and goes on. Returns
// at a back-quote that switches Compact, or kTail bytes before the end.
// Never inlined: on its own it keeps its places in registers.
template <bool Compact>
[[gnu::noinline]] void TranslateCommonCase(TState& state) {
  TCursor& c = state.Cursor;
  if (c.Size < kTail) return;
  const char* const begin = c.Data.data();
  const char* const safe = begin + c.Size - kTail;
  const char* p = begin + c.Pos;
  const size_t stretch = std::max<size_t>(1, std::min(kChunk, state.PieceSize));
  const TSymbolTable* const tables[2] = {&state.Vars, &state.Constants};
  while (p < safe) {
    const char* limit = p + std::min<size_t>(stretch, static_cast<size_t>(safe - p));
    // The copy writes at most up to limit's place in the output and sixteen
    // bytes more; a reference is taken only while the output is no further
    // than `ahead` past the script, so that all of that still fits.
    size_t room = static_cast<size_t>(limit - p) + 4 * kMostPerReference + 4096;
    char* const start = state.Output.Room(room);
    const ptrdiff_t ahead =
        (start - p) + static_cast<ptrdiff_t>(room) - (limit - p) - 16 - kMostPerReference;
    char* o = start;
    bool careful = false;  // stopped at a byte for the careful reader
    while (true) {
      const char* stop = fast::CopyToStop(p, limit, o, kSpecial);
      o = Compact ? fast::SqueezeBlanks(o, o + (stop - p)) : o + (stop - p);
      p = stop;
      if (p >= limit) break;
      if (o - p > ahead) break;
      char b = *p;
      if (kReferenceMarks.Has(static_cast<unsigned char>(b))) {
        // Variables and constants alike, without a branch on which it is.
        const TMark& mark = kMarks[MarkIndex(b)];
        const TSymbolTable& table = *tables[mark.Constant];
        const char* name = p + 1;
        TShortName shortName = fast::ShortName(name, mark.Close);
        unsigned stop = shortName.Stop;
        if (stop - 1 >= 15) {  // an empty name, or a long one
          careful = true;
          break;
        }
        const TSymbolTable::TEntry* entry = table.FindShort(shortName.Key, stop);
        if (name[stop] != mark.Close.Byte) {
          // "NAME[k]" and nothing after the "]", for a variable; no line feed.
          TNameStops at = fast::FindNameStops(name, name + 16, mark.Close.Byte);
          int32_t index = 0;
          if (name[stop] != '[' || mark.Constant || at.Close == 16 ||
              name[at.Close] != mark.Close.Byte || at.Square != at.Close - 1 ||
              !SmallIndex(name + stop + 1, name + at.Close - 1, &index) || !entry ||
              entry->TextSize == TSymbolTable::kLong || Wraps(entry->Number(), index)) {
            careful = true;
            break;
          }
          if (index != 0) {
            char* written = WriteIndexedIfSettled(state, o, *entry, mark.NumberOnly, index);
            if (written == nullptr) {
              careful = true;
              break;
            }
            o = written;
          } else {
            std::memcpy(o, entry->Text + mark.NumberOnly, 16);
            o += entry->TextSize - mark.NumberOnly;
          }
          p = name + at.Close + 1;
        } else {
          if (!entry || entry->TextSize == TSymbolTable::kLong) {
            careful = true;
            break;
          }
          std::memcpy(o, entry->Text + mark.NumberOnly, 16);
          o += entry->TextSize - mark.NumberOnly;
          p = name + stop + 1;
        }
      } else {
        careful = true;
        break;
      }
      if (p >= limit) break;
    }
    state.Output.Commit(static_cast<size_t>(o - start));
    c.Pos = static_cast<size_t>(p - begin);
    if (state.Output.size() >= state.PieceSize && state.OnPiece != nullptr) {
      state.OnPiece(state, state.PieceContext);
    }
    if (careful) {
      TranslateSpecial(state);
      if (state.KeepWhitespace == Compact) return;  // the other loop goes on
      p = begin + c.Pos;
    }
  }
}

// Translates from the cursor to the end of the script; throws TFail at an error.
void TranslateRest(TState& state) {
  TCursor& c = state.Cursor;
  while (true) {
    if (state.CommonCase) {
      state.KeepWhitespace ? TranslateCommonCase<false>(state) : TranslateCommonCase<true>(state);
    }
    CopyRun(state);
    if (c.AtEnd()) return;
    TranslateSpecial(state);
  }
}

// Warns when the script ends between back-quotes: the rest of it lost its blanks.
void WarnOnOpenBackQuote(TState& state) {
  if (state.KeepWhitespace) return;
  state.Cursor.CountLines();
  state.Diagnostics.Warn(state.Cursor.WarningAt(
      TWarning::OpenBackQuote,
      Win1251("обратная кавычка не закрыта до конца скрипта: до конца файла пропущены пробелы и "
              "переводы строк"),
      state.CompactSince));
}

}  // namespace

void TranslateScript(TState& state) {
  TCursor& c = state.Cursor;
  TDiagnostics& diagnostics = state.Diagnostics;
  while (true) {
    try {
      state.InStep = false;
      TranslateRest(state);
      break;
    } catch (TFail& fail) {
      if (diagnostics.MaxErrors <= 1) throw;
      uint64_t line = fail.Line;
      diagnostics.Add(std::move(fail));
      if (!diagnostics.WantsMoreErrors()) {
        TFail stop(TSeverity::Note, TBoxPrefix::None,
                   Win1251("после ") + std::to_string(diagnostics.Errors) +
                       Win1251(" ошибок проверка скрипта остановлена"),
                   0);
        stop.File = diagnostics.CurrentFile;
        diagnostics.Add(std::move(stop));
        return;
      }
      // Go on after an undeclared name, else at the start of the next line;
      // an error may have passed its line end already.
      if (!state.InStep && c.CurrentLine() == line) c.SkipLine();
    }
  }
  WarnOnOpenBackQuote(state);
}

void TranslateVarRef(TState& state) {
  if (!TranslateShortVarRef(state)) TranslateVarRefInFull(state);
}

void TranslateVarRefInFull(TState& state) {
  TCursor& c = state.Cursor;
  size_t start = c.Pos;
  char mark = c.Data[c.Pos++];
  size_t open = 0;  // the length of the name before "["
  TScan scan = ScanName(c, mark, &open);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c, Win1251("Неожиданный конец переменной!"), start);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c, Win1251("Некорректный символ \"Конец строки\" прервал переменную!"), c.Pos,
                 c.NoteAt(Win1251("ссылка на переменную начинается здесь"), start));
  }
  std::string_view name = scan.Text;
  if (name.empty()) FailInScript(c, Win1251("Пустые переменные запрещены!"), start);

  int32_t index = 0;
  if (open < name.size()) {
    size_t bracket = start + 1 + open;
    size_t close = name.find(']');
    if (close == std::string_view::npos) {
      FailInScript(c, Win1251("Отсутствует закрывающая скобка индекса переменной!"), bracket);
    }
    std::optional<int32_t> value;
    if (close > open + 1) value = StrToIntStrict(name.substr(open + 1, close - open - 1));
    if (!value) FailInScript(c, Win1251("Некорректный индекс переменной!"), bracket);
    index = *value;
    if (close + 1 < name.size()) WarnOnTextAfterIndex(state, start + 2 + close);
    name = name.substr(0, open);
  }

  // Declared and local variables share the table, so one lookup finds either.
  const TSymbolTable::TEntry* var = FindName(state.Vars, name, c);
  if (state.OnSeen) {
    Seen(state, TSeen::Variable, start, name, var ? state.Vars.PlaceOf(*var) : SIZE_MAX, index);
  }
  if (!var) {
    c.CountLines();
    TFail error =
        c.ErrorAt(TBoxPrefix::Script,
                  Win1251("Переменной $") + UpperCased(name) + Win1251("$ не существует!"), start);
    SuggestName(error, state.Vars, name, mark, mark, c);
    state.InStep = true;
    throw error;
  }
  if (index != 0 && Wraps(var->Number(), index)) {
    WarnOnWrap(state, var->Number(), index, start + 1 + open);
  }
  if (index != 0 && state.Diagnostics.Looks(TWarning::Overlap)) {
    char letter = state.Vars.Replacement(*var)[0];
    int32_t number = IndexedNumber(var->Number(), index);
    size_t other = state.Vars.PlaceOfValue(ValueKey(letter, number));
    if (other != TSymbolTable::kNoPlace) {
      c.CountLines();
      WarnOnOverlap(c, state.Vars, mark, name, index, letter, number, other, start + 1 + open,
                    state.Diagnostics);
    }
  }
  EmitVar(state.Output, state.Vars, *var, mark == '@', index);
}

void EmitIndexedVar(TOutput& output, char letter, int32_t number, bool numberOnly, int32_t index) {
  char* to = output.Room(12);
  output.Commit(static_cast<size_t>(WriteIndexedVar(to, letter, number, numberOnly, index) - to));
}

void TranslateConstRef(TState& state) {
  if (!TranslateShortConstRef(state)) TranslateConstRefInFull(state);
}

void TranslateConstRefInFull(TState& state) {
  TCursor& c = state.Cursor;
  size_t start = c.Pos++;
  size_t open = 0;
  TScan scan = ScanName(c, ')', &open);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c, Win1251("Неожиданный конец константы!"), start);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c, Win1251("Некорректный символ \"Конец строки\" прервал константу!"), c.Pos,
                 c.NoteAt(Win1251("ссылка на константу начинается здесь"), start));
  }
  if (scan.Text.empty()) FailInScript(c, Win1251("Пустые константы запрещены!"), start);
  const TSymbolTable::TEntry* text = FindName(state.Constants, scan.Text, c);
  if (state.OnSeen) {
    Seen(state, TSeen::Constant, start, scan.Text, text ? state.Constants.PlaceOf(*text) : SIZE_MAX,
         0);
  }
  if (!text) {
    // The one message about the script whose box names no kind of file.
    c.CountLines();
    TFail error = c.ErrorAt(
        TBoxPrefix::None,
        Win1251("Константы (") + UpperCased(scan.Text) + Win1251(") не существует!"), start);
    SuggestName(error, state.Constants, scan.Text, '(', ')', c);
    state.InStep = true;
    throw error;
  }
  EmitConst(state.Output, state.Constants, *text);
}

void TranslateLocalDecl(TState& state) {
  TCursor& c = state.Cursor;
  size_t start = c.Pos++;
  size_t equals = Find(c, kLocalNameEnd);
  if (equals == c.Size) {
    c.Pos = c.Size;
    FailInScript(c, Win1251("Неожиданный конец объявления переменной!"), start);
  }
  if (c.Data[equals] != '=') {
    c.Pos = equals;
    FailInScript(c,
                 Win1251("Некорректный символ ") +
                     ByteText(static_cast<unsigned char>(c.Data[equals]), '\n') +
                     Win1251(" прервал описание переменной!"),
                 c.Pos);
  }
  std::string_view name = VariableName(c.Data.substr(c.Pos, equals - c.Pos));
  c.Pos = equals + 1;
  if (const TSymbolTable::TEntry* first = state.Vars.Find(name)) {
    FailInScript(
        c, Win1251("Переменная $") + UpperCased(name) + Win1251("$ уже была объявлена ранее!"),
        start,
        NoteAtDeclaration(
            state.Vars, *first,
            Win1251("переменная $") + UpperCased(name) + Win1251("$ впервые объявлена здесь"), c));
  }
  if (c.AtEnd()) {
    FailInScript(
        c, Win1251("Неожиданный конец объявления переменной $") + UpperCased(name) + Win1251("$ !"),
        c.Pos - 1);
  }
  size_t end = Find(c, kLocalValueEnd);
  std::string_view value = c.Data.substr(c.Pos, end - c.Pos);
  c.Pos = std::min(end + 1, c.Size);
  std::string_view trimmed = Trim(value);
  size_t at = static_cast<size_t>((trimmed.empty() ? value : trimmed).data() - c.Data.data());
  TVar var = ParseVarValue(trimmed);
  if (!var.Valid()) {
    // On the declaration's line, before the line feed that ended it.
    c.CountLines();
    uint64_t line = c.Line - (end < c.Size && c.Data[end] == '\n' ? 1 : 0);
    throw c.Report(
        TSeverity::Error, TBoxPrefix::Script,
        Win1251("Некорректное значение переменной $") + UpperCased(name) + Win1251("$ !"), at,
        line);
  }
  if (state.Diagnostics.Looks(TWarning::NonLatinLetter) && !IsLatinLetter(var.Letter)) {
    c.CountLines();
    WarnOnLetter(c, UpperCased(name), var, at, state.Diagnostics);
  }
  size_t earlier = state.Vars.AddVar(name, var, true);
  state.Vars.SetLocalSite(start);
  if (earlier != TSymbolTable::kNoPlace) {
    c.CountLines();
    WarnOnAlias(c, state.Vars, name, var.Letter, var.Number, earlier, start, state.Diagnostics);
  }
  if (state.OnSeen) {
    Seen(state, TSeen::Local, start, name, state.Vars.Below() + state.Vars.size() - 1, 0);
  }
}

void ClearLocals(TState& state) { state.Vars.ClearLocals(); }

}  // namespace zunt
