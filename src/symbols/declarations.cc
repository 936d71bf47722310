#include "symbols/declarations.h"

#include <algorithm>

#include "cursor/fold.h"
#include "driver/cp1251.h"
#include "driver/fail.h"

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

// Stops the run with an error in the declarations file at the cursor's line.
[[noreturn]] void FailInDeclarations(const TCursor& cursor, std::string_view body) {
  static const std::string kPrefix = Win1251("| Ошибка в *.TXT файле |\r\n");
  Fail(kPrefix + std::string(body) + LineSuffix(cursor.Line));
}

// "Некорректный символ {b} прервал описание константы!"
[[noreturn]] void FailOnByteInConstant(const TCursor& cursor, int b) {
  FailInDeclarations(cursor, Win1251("Некорректный символ {") + static_cast<char>(b) +
                                 Win1251("} прервал описание константы!"));
}

// Reads "(NAME) = 'VALUE'" with the cursor on "(", then skips the rest of the line.
// Returns false when the data ended.
bool ReadConstant(TCursor& cursor, TConstTable& constants) {
  ++cursor.Pos;
  TScan scan = cursor.ScanUntil(kConstantNameEnd, kConstantNameBreaks);
  if (scan.End == TScanEnd::EndOfData) {
    FailInDeclarations(cursor, Win1251("Неожиданный конец объявления константы!"));
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInDeclarations(cursor, Win1251("Некорректный символ ") + ByteText(scan.Byte, '\r') +
                                   Win1251(" прервал описание константы!"));
  }
  if (scan.Text.empty()) FailInDeclarations(cursor, Win1251("Пустые константы запрещены!"));
  std::string name(scan.Text);
  UpperCaseName(name);
  size_t hash = HashName(name);
  if (constants.Find(name, hash)) {
    FailInDeclarations(cursor,
                       Win1251("Константа (") + name + Win1251(") уже была объявлена ранее!"));
  }

  int r = cursor.SkipAndMatch(kBlank, "=", true);
  if (r == kEndOfData) {
    FailInDeclarations(cursor, Win1251("Неожиданный конец объявления константы!"));
  }
  if (r != kMatched) FailOnByteInConstant(cursor, r);
  r = cursor.SkipAndMatch(kBlank, "'", true);
  if (r == kEndOfData) {
    FailInDeclarations(cursor,
                       Win1251("Неожиданный конец объявления константы (") + name + Win1251(") !"));
  }
  if (r != kMatched) FailOnByteInConstant(cursor, r);

  scan = cursor.ScanUntil(kConstantValueEnd, kNothing);
  if (scan.End != TScanEnd::Stopped) {
    FailInDeclarations(cursor, Win1251("Неожиданный конец объявления константы (") + name +
                                   Win1251(") !\r\nНе указано её значение!"));
  }
  // The text is kept without CR and, as a zero-terminated text, up to its first zero byte.
  std::string_view text = scan.Text.substr(0, scan.Text.find('\0'));
  std::string value;
  value.reserve(text.size());
  std::copy_if(text.begin(), text.end(), std::back_inserter(value),
               [](char c) { return c != '\r'; });
  constants.Add(std::move(name), std::move(value), hash);
  return cursor.SkipLine();
}

// Reads "NAME = VALUE" up to CR, ";" or the end of the data, with the cursor on
// the first byte of the name.
void ReadVariable(TCursor& cursor, TVarTable& globalVars) {
  TScan scan = cursor.ScanUntil(kVariableNameEnd, kVariableNameBreaks);
  if (scan.End == TScanEnd::EndOfData) {
    FailInDeclarations(cursor, Win1251("Неожиданный конец объявления переменной!"));
  }
  if (scan.End == TScanEnd::Interrupted) {
    FailInDeclarations(cursor, Win1251("Некорректный символ ") + ByteText(scan.Byte, '\r') +
                                   Win1251(" прервал описание переменной!"));
  }
  std::string name = VariableName(scan.Text);
  size_t hash = HashName(name);
  if (globalVars.Find(name, hash)) {
    FailInDeclarations(cursor,
                       Win1251("Переменная $") + name + Win1251("$ уже была объявлена ранее!"));
  }
  if (cursor.AtEnd()) {
    FailInDeclarations(
        cursor, Win1251("Неожиданный конец объявления переменной $") + name + Win1251("$ !"));
  }
  TVar var = ParseVarValue(Trim(cursor.ScanUntil(kVariableValueEnd, kNothing).Text));
  if (!var.Valid()) {
    FailInDeclarations(cursor,
                       Win1251("Некорректное значение переменной $") + name + Win1251("$ !"));
  }
  globalVars.Add(std::move(name), std::move(var), hash);
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

std::string VariableName(std::string_view scanned) {
  std::string name(Trim(scanned));
  UpperCaseName(name);
  name.resize(std::min(name.size(), name.find('[')));
  return name;
}

void ReadDeclarations(TCursor& cursor, TVarTable& globalVars, TConstTable& constants) {
  while (!cursor.AtEnd()) {
    if (cursor.SkipAndMatch(kItemSeparators, "", false) == kEndOfData) return;
    --cursor.Pos;  // back onto the item's first byte, which is never a line end
    switch (cursor.Data[cursor.Pos]) {
      case '(':
        if (!ReadConstant(cursor, constants)) return;
        break;
      case ';':
        if (!cursor.SkipLine()) return;
        break;
      default:
        ReadVariable(cursor, globalVars);
        break;
    }
  }
}

}  // namespace zunt
