#include "symbols/declarations.h"

#include <algorithm>

#include <cctype>

#include "base/cp1251.h"
#include "base/fail.h"
#include "cursor/fold.h"
#include "symbols/clashes.h"
#include "symbols/hints.h"
#include "symbols/plain_lines.h"

namespace zunt {
namespace {

constexpr TCharSet kItemSeparators(" \r\n");
constexpr TCharSet kBlank(" ");
constexpr TCharSet kNothing;
// The scans of names and values: the bytes that end them (the error bytes among
// them too), counting line feeds on the way.
constexpr TStopBytes kConstantNameEnd(")\r", '\n');
constexpr TCharSet kConstantNameBreaks("\r");
constexpr TStopBytes kConstantValueEnd("'", '\n');
constexpr TStopBytes kVariableNameEnd("=\r$@", '\n');
constexpr TCharSet kVariableNameBreaks("\r$@");
constexpr TStopBytes kVariableValueEnd("\r;", '\n');

// Returns the offset of text, a part of the cursor's data, in that data.
size_t OffsetOf(const TCursor& cursor, std::string_view text) {
  return static_cast<size_t>(text.data() - cursor.Data.data());
}

// Stops the run with an error in the declarations file at the cursor's line,
// pointing at the byte at `at` when it is on that line.
[[noreturn]] void FailInDeclarations(const TCursor& cursor, std::string_view body, size_t at) {
  throw cursor.ErrorAt(TBoxPrefix::Declarations, body, at);
}

// The same, with a note that explains it.
[[noreturn]] void FailInDeclarations(const TCursor& cursor, std::string_view body, size_t at,
                                     TFail note) {
  TFail error = cursor.ErrorAt(TBoxPrefix::Declarations, body, at);
  error.Notes.push_back(std::move(note));
  throw error;
}

// Keeps the place of the byte at `at` as the site of the name the table added last.
void SetSiteAt(const TCursor& cursor, TSymbolTable& table, size_t at) {
  TPlace place = cursor.PlaceOf(at);
  table.SetSite(place.Line, place.Column);
}

// Stops the run with an error about a variable's name that begins at `start`.
// A name just after "VALUE;" on the same line is most likely a comment that
// lacks its second ";": a note says so, at that ";".
[[noreturn]] void FailInVariable(const TCursor& cursor, std::string_view body, size_t at,
                                 size_t start) {
  size_t before = start;
  while (before != 0 && cursor.Data[before - 1] == ' ') --before;
  if (before == 0 || cursor.Data[before - 1] != ';') FailInDeclarations(cursor, body, at);
  FailInDeclarations(
      cursor, body, at,
      cursor.NoteAt(Win1251("комментарий после значения начинается с «;;»"), before - 1));
}

// "Некорректный символ {b} прервал описание константы!", at the byte.
[[noreturn]] void FailOnByteInConstant(const TCursor& cursor, int b) {
  FailInDeclarations(cursor,
                     Win1251("Некорректный символ {") + static_cast<char>(b) +
                         Win1251("} прервал описание константы!"),
                     cursor.Pos);
}

// Returns whether a line looks like a declaration: "(NAME) =" or "NAME = v1".
bool LooksLikeDeclaration(std::string_view line) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string_view::npos) return false;
  if (line[i] == '(') {
    size_t close = line.find(')', i + 1);
    if (close == std::string_view::npos || close == i + 1) return false;
    size_t equals = line.find_first_not_of(" \t", close + 1);
    return equals != std::string_view::npos && line[equals] == '=';
  }
  unsigned char first = static_cast<unsigned char>(line[i]);
  if (!(std::isalpha(first) || first == '_' || first >= 0x80)) return false;
  size_t nameEnd = line.find_first_of(" \t=;'\"$@", i);
  size_t equals =
      nameEnd == std::string_view::npos ? nameEnd : line.find_first_not_of(" \t", nameEnd);
  if (equals == std::string_view::npos || line[equals] != '=') return false;
  size_t value = line.find_first_not_of(" \t", equals + 1);
  if (value == std::string_view::npos || value + 1 >= line.size()) return false;
  char number = line[value + 1];
  return (number >= '0' && number <= '9') || number == '-' || number == '+' || number == '$';
}

// Warns when a value that spans lines has a later line that looks like a
// declaration: its closing quote is probably missing. Points at the opening quote.
void WarnOnSwallowedDeclarations(const TCursor& cursor, std::string_view name,
                                 std::string_view value, TDiagnostics* diagnostics) {
  if (diagnostics == nullptr || !diagnostics->Looks(TWarning::MultiLineConstant)) return;
  for (size_t lf = value.find('\n'); lf != std::string_view::npos;) {
    size_t next = value.find('\n', lf + 1);
    std::string_view line =
        value.substr(lf + 1, next == std::string_view::npos ? next : next - lf - 1);
    if (LooksLikeDeclaration(line)) {
      if (!diagnostics->ShowsWarning(TWarning::MultiLineConstant)) return;
      diagnostics->Add(cursor.WarningAt(
          TWarning::MultiLineConstant,
          Win1251("значение константы (") + std::string(name) +
              Win1251(") продолжается на следующих строках, а там похоже на объявление: "
                      "не пропущена ли закрывающая кавычка?"),
          OffsetOf(cursor, value) - 1));
      return;
    }
    lf = next;
  }
}

// Warns about text after a constant's closing quote on the same line: it is ignored.
void WarnOnTextAfterConstant(const TCursor& cursor, TDiagnostics* diagnostics) {
  if (diagnostics == nullptr) return;
  size_t at = cursor.Pos;
  while (at < cursor.Size &&
         (cursor.Data[at] == ' ' || cursor.Data[at] == '\t' || cursor.Data[at] == '\r')) {
    ++at;
  }
  if (at < cursor.Size && cursor.Data[at] != '\n' && cursor.Data[at] != ';' &&
      diagnostics->ShowsWarning(TWarning::TextAfterConstant)) {
    diagnostics->Add(cursor.WarningAt(
        TWarning::TextAfterConstant,
        Win1251("текст после закрывающей кавычки константы пропущен (комментарий начинают с «;»)"),
        at));
  }
}

// Reads "(NAME) = 'VALUE'" with the cursor on "(", then skips the rest of the line.
// Returns false when the data ended.
bool ReadConstant(TCursor& cursor, TConstTable& constants, TDiagnostics* diagnostics) {
  size_t open = cursor.Pos++;
  TScan scan = cursor.ScanUntil(kConstantNameEnd, kConstantNameBreaks);
  if (scan.End == TScanEnd::EndOfData) {
    FailInDeclarations(cursor, Win1251("Неожиданный конец объявления константы!"), open);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInDeclarations(cursor,
                       Win1251("Некорректный символ ") + ByteText(scan.Byte, '\r') +
                           Win1251(" прервал описание константы!"),
                       cursor.Pos,
                       cursor.NoteAt(Win1251("описание константы начинается здесь"), open));
  }
  if (scan.Text.empty()) FailInDeclarations(cursor, Win1251("Пустые константы запрещены!"), open);
  std::string name(scan.Text);
  UpperCaseName(name);
  if (const TSymbolTable::TEntry* first = constants.Find(name)) {
    FailInDeclarations(
        cursor, Win1251("Константа (") + name + Win1251(") уже была объявлена ранее!"), open,
        NoteAtDeclaration(constants, *first,
                          Win1251("константа (") + name + Win1251(") впервые объявлена здесь"),
                          cursor));
  }
  TPlace place = cursor.PlaceOf(open);

  int r = cursor.SkipAndMatch(kBlank, "=", true);
  if (r == kEndOfData) {
    FailInDeclarations(cursor, Win1251("Неожиданный конец объявления константы!"), cursor.Pos);
  }
  if (r != kMatched) FailOnByteInConstant(cursor, r);
  r = cursor.SkipAndMatch(kBlank, "'", true);
  if (r == kEndOfData) {
    FailInDeclarations(cursor,
                       Win1251("Неожиданный конец объявления константы (") + name + Win1251(") !"),
                       cursor.Pos);
  }
  if (r != kMatched) FailOnByteInConstant(cursor, r);

  size_t quote = cursor.Pos - 1;
  scan = cursor.ScanUntil(kConstantValueEnd, kNothing);
  WarnOnSwallowedDeclarations(cursor, name, scan.Text, diagnostics);
  if (scan.End != TScanEnd::Stopped) {
    FailInDeclarations(cursor,
                       Win1251("Неожиданный конец объявления константы (") + name +
                           Win1251(") !\r\nНе указано её значение!"),
                       quote);
  }
  WarnOnTextAfterConstant(cursor, diagnostics);
  // The text is kept without CR and, as a zero-terminated text, up to its first zero byte.
  std::string_view text = scan.Text.substr(0, scan.Text.find('\0'));
  if (text.find('\r') == std::string_view::npos) {
    constants.AddConst(name, text);
    constants.SetSite(place.Line, place.Column);
  } else {
    std::string value;
    value.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(value),
                 [](char c) { return c != '\r'; });
    constants.AddConst(name, value);
    constants.SetSite(place.Line, place.Column);
  }
  return cursor.SkipLine();
}

// Reads "NAME = VALUE" up to CR, ";" or the end of the data, with the cursor on
// the first byte of the name.
void ReadVariable(TCursor& cursor, TVarTable& globalVars, TDiagnostics* diagnostics) {
  size_t start = cursor.Pos;
  TScan scan = cursor.ScanUntil(kVariableNameEnd, kVariableNameBreaks);
  if (scan.End == TScanEnd::EndOfData) {
    FailInVariable(cursor, Win1251("Неожиданный конец объявления переменной!"), start, start);
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInVariable(cursor,
                   Win1251("Некорректный символ ") + ByteText(scan.Byte, '\r') +
                       Win1251(" прервал описание переменной!"),
                   cursor.Pos, start);
  }
  std::string_view name = VariableName(scan.Text);
  if (const TSymbolTable::TEntry* first = globalVars.Find(name)) {
    FailInDeclarations(
        cursor, Win1251("Переменная $") + UpperCased(name) + Win1251("$ уже была объявлена ранее!"),
        start,
        NoteAtDeclaration(
            globalVars, *first,
            Win1251("переменная $") + UpperCased(name) + Win1251("$ впервые объявлена здесь"),
            cursor));
  }
  if (cursor.AtEnd()) {
    FailInDeclarations(
        cursor,
        Win1251("Неожиданный конец объявления переменной $") + UpperCased(name) + Win1251("$ !"),
        cursor.Pos - 1);
  }
  std::string_view value = cursor.ScanUntil(kVariableValueEnd, kNothing).Text;
  if (diagnostics != nullptr) WarnOnLineFeedInValue(cursor, value, *diagnostics);
  std::string_view trimmed = Trim(value);
  TVar var = ParseVarValue(trimmed);
  if (!var.Valid()) {
    FailInDeclarations(
        cursor, Win1251("Некорректное значение переменной $") + UpperCased(name) + Win1251("$ !"),
        trimmed.empty() ? OffsetOf(cursor, value) : OffsetOf(cursor, trimmed));
  }
  if (diagnostics != nullptr && !IsLatinLetter(var.Letter)) {
    WarnOnLetter(cursor, UpperCased(name), var, OffsetOf(cursor, trimmed), *diagnostics);
  }
  size_t earlier = globalVars.AddVar(name, var);
  SetSiteAt(cursor, globalVars, start);
  if (earlier != TSymbolTable::kNoPlace && diagnostics != nullptr) {
    WarnOnAlias(cursor, globalVars, name, var.Letter, var.Number, earlier, start, *diagnostics);
  }
}

// Reads the items one by one, the plain lines among them quickly when `quick`.
void ReadItems(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
               TDiagnostics* diagnostics, bool quick) {
  while (!cursor.AtEnd()) {
    if (quick) ReadPlainLines(cursor, globalVars, constants, diagnostics);
    if (cursor.SkipAndMatch(kItemSeparators, "", false) == kEndOfData) return;
    cursor.Unread();  // back onto the item's first byte
    switch (cursor.Data[cursor.Pos]) {
      case '(':
        if (!ReadConstant(cursor, constants, diagnostics)) return;
        break;
      case ';':
        if (!cursor.SkipLine()) return;
        break;
      default:
        ReadVariable(cursor, globalVars, diagnostics);
        break;
    }
  }
}

}  // namespace

std::string ByteText(unsigned char b, unsigned char lineEnd) {
  if (b == lineEnd) return Win1251("\"Конец строки\"");
  return std::string{'"', static_cast<char>(b), '"'};
}

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view VariableName(std::string_view scanned) {
  std::string_view name = Trim(scanned);
  return name.substr(0, name.find('['));
}

void WarnOnLetter(const TCursor& cursor, std::string_view name, const TVar& var, size_t at,
                  TDiagnostics& diagnostics) {
  if (IsLatinLetter(var.Letter) || !diagnostics.ShowsWarning(TWarning::NonLatinLetter)) return;
  unsigned char letter = static_cast<unsigned char>(var.Letter);
  diagnostics.Add(cursor.WarningAt(TWarning::NonLatinLetter,
                                   Win1251("буква значения переменной $") + std::string(name) +
                                       Win1251("$ не латинская: «") + static_cast<char>(letter) +
                                       Win1251("»"),
                                   at));
}

void WarnOnLineFeedInValue(const TCursor& cursor, std::string_view value,
                           TDiagnostics& diagnostics) {
  size_t lf = value.find('\n');
  if (lf == std::string_view::npos || diagnostics.LineFeedWarned) return;
  diagnostics.LineFeedWarned = true;
  diagnostics.Warn(cursor.WarningAt(
      TWarning::LfLineEnd,
      Win1251("строка объявления переменной кончается LF без CR: значение переменной "
              "кончается только на CR или «;»"),
      OffsetOf(cursor, value) + lf));
}

void ReadDeclarations(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
                      TDiagnostics* diagnostics) {
  ReadItems(cursor, globalVars, constants, diagnostics, true);
}

void ReadDeclarationsCarefully(TCursor& cursor, TVarTable& globalVars, TConstTable& constants,
                               TDiagnostics* diagnostics) {
  ReadItems(cursor, globalVars, constants, diagnostics, false);
}

}  // namespace zunt
