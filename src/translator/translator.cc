#include "translator/translator.h"

#include <algorithm>
#include <charconv>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/cp1251.h"
#include "base/fail.h"
#include "cursor/find_any.h"
#include "cursor/fold.h"
#include "symbols/declarations.h"

namespace zunt {
namespace {

// Bytes that end a run of copied text. A line feed is counted; in compact mode
// it is dropped like a blank.
constexpr TStopBytes kSpecial("$@(`~", '\n');
constexpr TStopBytes kSpecialCompact("$@(`~\n ", '\n');
constexpr TCharSet kNothing;
constexpr TStopBytes kLocalNameEnd("=\n$@", '\n');  // the breaks among them
constexpr TCharSet kLocalNameBreaks("\n$@");
constexpr TStopBytes kLocalValueEnd("\n;", '\n');

// Stops the run with an error in the script on the cursor's line, pointing
// at the byte at `at`.
[[noreturn]] void FailInScript(const TCursor& c, std::string_view body, size_t at) {
  throw c.ErrorAt(TBoxPrefix::Script, body, at);
}

std::string Folded(std::string_view name) {
  std::string folded(name);
  UpperCaseName(folded);
  return folded;
}

// Copies ordinary bytes from the cursor up to the next special byte in bulk.
void CopyRun(TState& state) {
  TCursor& c = state.Cursor;
  size_t end = FindAny(c.Data, c.Pos, state.KeepWhitespace ? kSpecial : kSpecialCompact, &c.Line);
  state.Output.Append(c.Data.substr(c.Pos, end - c.Pos));
  c.Pos = end;
}

// Scans a reference's name from the cursor up to the closing byte, as
// ScanUntil(close, line feed) does; *open becomes the length of the name before
// its first "[" (all of it when there is none). A name holds no line feed, so
// no line is counted. Names are short: most fit one sixteen-byte compare.
[[gnu::always_inline]] inline TScan ScanName(TCursor& c, char close, size_t* open) {
  const char* begin = c.Data.data() + c.Pos;
  const char* end = c.Data.data() + c.Size;
  const char* p = begin;
  const char* bracket = nullptr;
#if defined(__SSE2__)
  const __m128i closes = _mm_set1_epi8(close);
  const __m128i lineFeeds = _mm_set1_epi8('\n');
  const __m128i brackets = _mm_set1_epi8('[');
  for (; end - p >= 16; p += 16) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(block, closes), _mm_cmpeq_epi8(block, lineFeeds))));
    unsigned opens = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, brackets)));
    if (stops != 0) opens &= (1u << __builtin_ctz(stops)) - 1;
    if (bracket == nullptr && opens != 0) bracket = p + __builtin_ctz(opens);
    if (stops != 0) {
      p += __builtin_ctz(stops);
      break;
    }
  }
  if (end - p < 16)
#endif
  {
    for (; p != end && *p != close && *p != '\n'; ++p) {
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

// Returns whether adding index to number wraps around 32 bits.
bool Wraps(int32_t number, int32_t index) {
  int64_t sum = int64_t{number} + index;
  return sum < INT32_MIN || sum > INT32_MAX;
}

// Warns about text between an index's "]" and the closing mark, at `at`: it is ignored.
void WarnOnTextAfterIndex(TState& state, size_t at) {
  if (!state.Diagnostics.Warnings) return;
  state.Diagnostics.Warn(
      state.Cursor.WarningAt(Win1251("текст между «]» индекса и концом ссылки пропущен"), at));
}

// Warns, at the index's "[", that the number plus the index wraps around 32 bits.
void WarnOnWrap(TState& state, const TVar& var, int32_t index, size_t at) {
  if (!state.Diagnostics.Warnings) return;
  int32_t sum =
      static_cast<int32_t>(static_cast<uint32_t>(var.Number) + static_cast<uint32_t>(index));
  state.Diagnostics.Warn(state.Cursor.WarningAt(
      Win1251("число с индексом выходит за 32 бита: ") + std::to_string(var.Number) +
          (index < 0 ? " - " : " + ") + std::to_string(index < 0 ? -int64_t{index} : index) +
          Win1251(" дает ") + std::to_string(sum),
      at));
}

// Translates from the cursor to the end of the script; throws TFail at an error.
void TranslateRest(TState& state) {
  TCursor& c = state.Cursor;
  while (true) {
    CopyRun(state);
    if (c.AtEnd()) return;
    switch (c.Data[c.Pos]) {
      case '$':
      case '@':
        TranslateVarRef(state);
        break;
      case '(':
        TranslateConstRef(state);
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
        } else {
          TranslateLocalDecl(state);
        }
        break;
      case '\n':  // compact mode: dropped, but counted
        ++c.Line;
        ++c.Pos;
        break;
      default:  // compact mode: a dropped blank
        ++c.Pos;
        break;
    }
  }
}

// Warns when the script ends between back-quotes: the rest of it lost its blanks.
void WarnOnOpenBackQuote(TState& state) {
  if (state.KeepWhitespace) return;
  state.Diagnostics.Warn(state.Cursor.WarningAt(
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
      // Go on at the start of the next line; an error may have passed its line end already.
      if (c.Line == line) c.SkipLine();
    }
  }
  WarnOnOpenBackQuote(state);
}

void TranslateVarRef(TState& state) {
  TCursor& c = state.Cursor;
  size_t start = c.Pos;
  char mark = c.Data[c.Pos++];
  size_t open = 0;  // the length of the name before "["
  TScan scan = ScanName(c, mark, &open);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c, Win1251("Неожиданный конец переменной!"), start);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c, Win1251("Некорректный символ \"Конец строки\" прервал переменную!"), c.Pos);
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

  // A local variable cannot take a declared variable's name, so the order of
  // the two lookups does not matter; most references are to declared ones.
  size_t hash = HashName(name);
  const TVar* var = state.GlobalVars.Find(name, hash);
  if (!var) var = state.LocalVars.Find(name, hash);
  if (!var) {
    FailInScript(c, Win1251("Переменной $") + Folded(name) + Win1251("$ не существует!"), start);
  }
  if (index != 0 && Wraps(var->Number, index)) WarnOnWrap(state, *var, index, start + 1 + open);
  EmitVar(state.Output, *var, mark == '@', index);
}

void EmitIndexedVar(TOutput& output, const TVar& var, bool numberOnly, int32_t index) {
  if (!numberOnly) output.Push(var.Letter);
  // The sum wraps around in 32 bits.
  int32_t number =
      static_cast<int32_t>(static_cast<uint32_t>(var.Number) + static_cast<uint32_t>(index));
  char digits[16];
  char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  output.Append(std::string_view(digits, static_cast<size_t>(end - digits)));
}

void TranslateConstRef(TState& state) {
  TCursor& c = state.Cursor;
  size_t start = c.Pos++;
  size_t open = 0;
  TScan scan = ScanName(c, ')', &open);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c, Win1251("Неожиданный конец константы!"), start);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c, Win1251("Некорректный символ \"Конец строки\" прервал константу!"), c.Pos);
  }
  if (scan.Text.empty()) FailInScript(c, Win1251("Пустые константы запрещены!"), start);
  const std::string* text = state.Constants.Find(scan.Text);
  if (!text) {
    // The one message about the script whose box names no kind of file.
    throw c.ErrorAt(TBoxPrefix::None,
                    Win1251("Константы (") + Folded(scan.Text) + Win1251(") не существует!"),
                    start);
  }
  EmitConst(state.Output, *text);
}

void EmitConst(TOutput& output, const std::string& text) { output.Append(text); }

void TranslateLocalDecl(TState& state) {
  TCursor& c = state.Cursor;
  size_t start = c.Pos++;
  TScan scan = c.ScanUntil(kLocalNameEnd, kLocalNameBreaks);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c, Win1251("Неожиданный конец объявления переменной!"), start);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c,
                 Win1251("Некорректный символ ") + ByteText(scan.Byte, '\n') +
                     Win1251(" прервал описание переменной!"),
                 c.Pos);
  }
  std::string name = VariableName(scan.Text);
  size_t hash = HashName(name);
  if (state.GlobalVars.Find(name, hash) || state.LocalVars.Find(name, hash)) {
    FailInScript(c, Win1251("Переменная $") + name + Win1251("$ уже была объявлена ранее!"), start);
  }
  if (c.AtEnd()) {
    FailInScript(c, Win1251("Неожиданный конец объявления переменной $") + name + Win1251("$ !"),
                 c.Pos - 1);
  }
  uint64_t line = c.Line;  // the line of the declaration, before its ending line feed
  std::string_view value = c.ScanUntil(kLocalValueEnd, kNothing).Text;
  std::string_view trimmed = Trim(value);
  size_t at = static_cast<size_t>((trimmed.empty() ? value : trimmed).data() - c.Data.data());
  TVar var = ParseVarValue(trimmed);
  if (!var.Valid()) {
    throw c.Report(TSeverity::Error, TBoxPrefix::Script,
                   Win1251("Некорректное значение переменной $") + name + Win1251("$ !"), at, line);
  }
  if (state.Diagnostics.Warnings) WarnOnLetter(c, name, var, at, state.Diagnostics);
  state.LocalVars.Add(std::move(name), std::move(var));
}

void ClearLocals(TState& state) { state.LocalVars.Clear(); }

}  // namespace zunt
