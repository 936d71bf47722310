#include "symbols/clashes.h"

#include <string>

#include "base/cp1251.h"
#include "cursor/fold.h"
#include "symbols/hints.h"

namespace zunt {
namespace {

// Returns "$NAME$" for the variable at a place of the table.
std::string NameAt(const TSymbolTable& vars, size_t place) {
  std::string text = "$";
  text += vars.Name(vars.At(place));
  text += '$';
  return text;
}

// Returns "$NAME$ объявлена здесь", a note at the declaration of the variable at a place.
TFail NoteAtOther(const TCursor& cursor, const TSymbolTable& vars, size_t place) {
  std::string body = NameAt(vars, place);
  body += Win1251(" объявлена здесь");
  return NoteAtPlace(vars, place, body, cursor);
}

// Appends a variable as the script writes it: its letter and its number in decimal.
void AppendVariable(std::string* text, char letter, int32_t number) {
  *text += letter;
  *text += std::to_string(number);
}

}  // namespace

void WarnOnAlias(const TCursor& cursor, const TSymbolTable& vars, std::string_view name,
                 char letter, int32_t number, size_t earlier, size_t at,
                 TDiagnostics& diagnostics) {
  if (!diagnostics.ShowsWarning(TWarning::Alias)) return;
  std::string body = "$";
  body += UpperCased(name);
  body += Win1251("$ — та же переменная ");
  AppendVariable(&body, letter, number);
  body += Win1251(", что и ");
  body += NameAt(vars, earlier);
  TFail warning = cursor.WarningAt(TWarning::Alias, body, at);
  warning.Notes.push_back(NoteAtOther(cursor, vars, earlier));
  diagnostics.Add(std::move(warning));
}

void WarnOnOverlap(const TCursor& cursor, const TSymbolTable& vars, char mark,
                   std::string_view name, int32_t index, char letter, int32_t number, size_t other,
                   size_t at, TDiagnostics& diagnostics) {
  if (!diagnostics.ShowsWarning(TWarning::Overlap)) return;
  std::string body(1, mark);
  body += UpperCased(name);
  body += '[';
  body += std::to_string(index);
  body += ']';
  body += mark;
  body += Win1251(" попадает на ");
  AppendVariable(&body, letter, number);
  body += Win1251(", а это переменная ");
  body += NameAt(vars, other);
  TFail warning = cursor.WarningAt(TWarning::Overlap, body, at);
  warning.Notes.push_back(NoteAtOther(cursor, vars, other));
  diagnostics.Add(std::move(warning));
}

}  // namespace zunt
