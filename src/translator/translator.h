// The pass over the script (NAME.erm) that copies its text and expands
// references and local declarations.
#ifndef ZUNT_TRANSLATOR_TRANSLATOR_H_
#define ZUNT_TRANSLATOR_TRANSLATOR_H_

#include <cstdint>
#include <string>

#include "translator/output.h"
#include "translator/state.h"

namespace zunt {

/// Translates the script under the cursor to the end, appending to the output.
/// With state.Diagnostics.MaxErrors at 1 it throws TFail at the first error;
/// above that it reports each error and stops after that many. After an
/// undeclared name it goes on right after the reference; after any other
/// error, at the start of the next line. Warnings go to state.Diagnostics.
///
/// Bytes are copied except:
///   $NAME$ @NAME@ $NAME[k]$ @NAME[k]@   a variable: letter and number, or the number
///   (NAME)                              a constant's text
///   ~NAME=VALUE                         a local variable, up to LF or ";"
///   ~~                                  forget the local variables
///   `                                   leave out blanks and line feeds up to the next `
void TranslateScript(TState& state);

/// Translates a variable reference, with the cursor on "$" or "@".
void TranslateVarRef(TState& state);
/// The same, read in full: any index, any length, any error.
void TranslateVarRefInFull(TState& state);

/// Appends a variable's letter (unless numberOnly) and its number plus an
/// index other than 0, in decimal; the sum wraps around in 32 bits.
void EmitIndexedVar(TOutput& output, char letter, int32_t number, bool numberOnly, int32_t index);

/// Appends a variable's letter (unless numberOnly) and its number offset by index;
/// without an index the number is written as it was declared.
inline void EmitVar(TOutput& output, const TSymbolTable& table, const TSymbolTable::TEntry& var,
                    bool numberOnly, int32_t index) {
  if (index != 0) {
    return EmitIndexedVar(output, table.Replacement(var)[0], var.Number(), numberOnly, index);
  }
  if (var.TextSize != TSymbolTable::kLong) {
    return output.AppendShort(var.Text + numberOnly, var.TextSize - numberOnly);
  }
  output.Append(table.Replacement(var).substr(numberOnly));
}

/// Translates a constant reference, with the cursor on "(".
void TranslateConstRef(TState& state);
/// The same, read in full: any length, any error.
void TranslateConstRefInFull(TState& state);

/// Appends a constant's text.
inline void EmitConst(TOutput& output, const TSymbolTable& table,
                      const TSymbolTable::TEntry& text) {
  if (text.TextSize != TSymbolTable::kLong) return output.AppendShort(text.Text, text.TextSize);
  output.Append(table.Replacement(text));
}

/// Reads a local declaration, with the cursor on "~"; it leaves no output.
void TranslateLocalDecl(TState& state);

/// Forgets all local variables.
void ClearLocals(TState& state);

}  // namespace zunt

#endif  // ZUNT_TRANSLATOR_TRANSLATOR_H_
