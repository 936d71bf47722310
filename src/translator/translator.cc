#include "translator/translator.h"

#include <charconv>

#include "cursor/find_any.h"
#include "cursor/fold.h"
#include "driver/cp1251.h"
#include "driver/fail.h"
#include "symbols/declarations.h"

namespace zunt {
namespace {

// Bytes that end a run of copied text. A line feed is counted; in compact mode
// it is dropped like a blank.
constexpr TStopBytes kSpecial("$@(`~", '\n');
constexpr TStopBytes kSpecialCompact("$@(`~\n ", '\n');
constexpr TCharSet kNothing;
constexpr TCharSet kLocalNameEnd("=");
constexpr TCharSet kLocalNameBreaks("\n$@");
constexpr TCharSet kLocalValueEnd("\n;");

// Stops the run with an error in the script on the given line.
[[noreturn]] void FailInScript(uint64_t line, std::string_view body) {
  static const std::string kPrefix = Win1251("| Ошибка в *.ERM файле |\r\n");
  Fail(kPrefix + std::string(body) + LineSuffix(line));
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
  state.Output.append(c.Data.substr(c.Pos, end - c.Pos));
  c.Pos = end;
}

// Scans a reference's name up to the closing byte, as ScanUntil(close, line
// feed) does, in a tighter loop: a name cannot hold a line feed, so no line is
// counted.
TScan ScanName(TCursor& c, char close) {
  const char* begin = c.Data.data() + c.Pos;
  const char* end = c.Data.data() + c.Size;
  const char* p = begin;
  while (p != end && *p != close && *p != '\n') ++p;
  std::string_view text(begin, static_cast<size_t>(p - begin));
  if (p == end) {
    c.Pos = c.Size;
    return TScan{TScanEnd::EndOfData, 0, text};
  }
  c.Pos += text.size();
  if (*p == '\n') return TScan{TScanEnd::Interrupted, '\n', {}};
  ++c.Pos;
  return TScan{TScanEnd::Stopped, 0, text};
}

}  // namespace

void TranslateScript(TState& state) {
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

void TranslateVarRef(TState& state) {
  TCursor& c = state.Cursor;
  char mark = c.Data[c.Pos++];
  TScan scan = ScanName(c, mark);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c.Line, Win1251("Неожиданный конец переменной!"));
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c.Line, Win1251("Некорректный символ \"Конец строки\" прервал переменную!"));
  }
  std::string_view name = scan.Text;
  if (name.empty()) FailInScript(c.Line, Win1251("Пустые переменные запрещены!"));

  // The name ends at the first "[", if any, and is hashed on the way there.
  uint64_t hash = kNameHashStart;
  size_t open = 0;
  for (; open < name.size() && name[open] != '['; ++open) hash = NameHashStep(hash, name[open]);
  int32_t index = 0;
  if (open < name.size()) {
    size_t close = name.find(']');
    if (close == std::string_view::npos) {
      FailInScript(c.Line, Win1251("Отсутствует закрывающая скобка индекса переменной!"));
    }
    std::optional<int32_t> value;
    if (close > open + 1) value = StrToIntStrict(name.substr(open + 1, close - open - 1));
    if (!value) FailInScript(c.Line, Win1251("Некорректный индекс переменной!"));
    index = *value;
    name = name.substr(0, open);
  }

  const TVar* var = state.LocalVars.Find(name, static_cast<size_t>(hash));
  if (!var) var = state.GlobalVars.Find(name, static_cast<size_t>(hash));
  if (!var) {
    FailInScript(c.Line, Win1251("Переменной $") + Folded(name) + Win1251("$ не существует!"));
  }
  EmitVar(state.Output, *var, mark == '@', index);
}

void EmitVar(std::string& output, const TVar& var, bool numberOnly, int32_t index) {
  if (!numberOnly) output.push_back(var.Letter);
  if (index == 0) {
    output.append(var.Text);
    return;
  }
  // The sum wraps around in 32 bits.
  int32_t number =
      static_cast<int32_t>(static_cast<uint32_t>(var.Number) + static_cast<uint32_t>(index));
  char digits[16];
  char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  output.append(digits, end);
}

void TranslateConstRef(TState& state) {
  TCursor& c = state.Cursor;
  ++c.Pos;
  TScan scan = ScanName(c, ')');
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c.Line, Win1251("Неожиданный конец константы!"));
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c.Line, Win1251("Некорректный символ \"Конец строки\" прервал константу!"));
  }
  if (scan.Text.empty()) FailInScript(c.Line, Win1251("Пустые константы запрещены!"));
  const std::string* text = state.Constants.Find(scan.Text);
  if (!text) {
    Fail(Win1251("Константы (") + Folded(scan.Text) + Win1251(") не существует!") +
         LineSuffix(c.Line));
  }
  EmitConst(state.Output, *text);
}

void EmitConst(std::string& output, const std::string& text) { output.append(text); }

void TranslateLocalDecl(TState& state) {
  TCursor& c = state.Cursor;
  ++c.Pos;
  TScan scan = c.ScanUntil(kLocalNameEnd, kLocalNameBreaks);
  if (scan.End == TScanEnd::EndOfData) {
    FailInScript(c.Line, Win1251("Неожиданный конец объявления переменной!"));
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInScript(c.Line, Win1251("Некорректный символ ") + ByteText(scan.Byte, '\n') +
                             Win1251(" прервал описание переменной!"));
  }
  std::string name = VariableName(scan.Text);
  size_t hash = HashName(name);
  if (state.GlobalVars.Find(name, hash) || state.LocalVars.Find(name, hash)) {
    FailInScript(c.Line, Win1251("Переменная $") + name + Win1251("$ уже была объявлена ранее!"));
  }
  if (c.AtEnd()) {
    FailInScript(c.Line,
                 Win1251("Неожиданный конец объявления переменной $") + name + Win1251("$ !"));
  }
  uint64_t line = c.Line;  // the line of the declaration, before its ending line feed
  TVar var = ParseVarValue(Trim(c.ScanUntil(kLocalValueEnd, kNothing).Text));
  if (!var.Valid()) {
    FailInScript(line, Win1251("Некорректное значение переменной $") + name + Win1251("$ !"));
  }
  state.LocalVars.Add(std::move(name), std::move(var));
}

void ClearLocals(TState& state) { state.LocalVars.Clear(); }

}  // namespace zunt
