#include "symbols/clashes.h"

#include <string>

#include "base/cp1251.h"
#include "cursor/fold.h"
#include "symbols/hints.h"

namespace zunt {
namespace {

// Returns "$NAME$ объявлена здесь", a note at the declaration of the variable at a place.
TFail NoteAtOther(const TCursor& cursor, const TSymbolTable& vars, size_t place) {
  return NoteAtPlace(vars, place,
                     "$" + std::string(vars.Name(vars.At(place))) + Win1251("$ объявлена здесь"),
                     cursor);
}

// Returns a variable as the script writes it: its letter and its number in decimal.
std::string VariableText(char letter, int32_t number) { return letter + std::to_string(number); }

}  // namespace

void WarnOnAlias(const TCursor& cursor, const TSymbolTable& vars, std::string_view name,
                 char letter, int32_t number, size_t earlier, size_t at,
                 TDiagnostics& diagnostics) {
  if (!diagnostics.ShowsWarning(TWarning::Alias)) return;
  TFail warning = cursor.WarningAt(TWarning::Alias,
                                   "$" + UpperCased(name) + Win1251("$ — та же переменная ") +
                                       VariableText(letter, number) + Win1251(", что и $") +
                                       std::string(vars.Name(vars.At(earlier))) + "$",
                                   at);
  warning.Notes.push_back(NoteAtOther(cursor, vars, earlier));
  diagnostics.Add(std::move(warning));
}

void WarnOnOverlap(const TCursor& cursor, const TSymbolTable& vars, char mark,
                   std::string_view name, int32_t index, char letter, int32_t number, size_t other,
                   size_t at, TDiagnostics& diagnostics) {
  if (!diagnostics.ShowsWarning(TWarning::Overlap)) return;
  TFail warning = cursor.WarningAt(
      TWarning::Overlap,
      mark + UpperCased(name) + "[" + std::to_string(index) + "]" + mark +
          Win1251(" попадает на ") + VariableText(letter, number) +
          Win1251(", а это переменная $") + std::string(vars.Name(vars.At(other))) + "$",
      at);
  warning.Notes.push_back(NoteAtOther(cursor, vars, other));
  diagnostics.Add(std::move(warning));
}

}  // namespace zunt
