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
/// above that it reports each error, goes on at the start of the next line,
/// and stops after that many. Warnings go to state.Diagnostics.
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

/// Appends a variable's letter and number as EmitVar does, for an index other than 0.
void EmitIndexedVar(TOutput& output, const TVar& var, bool numberOnly, int32_t index);

/// Appends a variable's letter (unless numberOnly) and its number offset by index;
/// without an index the number is written as it was declared.
inline void EmitVar(TOutput& output, const TVar& var, bool numberOnly, int32_t index) {
  if (index != 0) return EmitIndexedVar(output, var, numberOnly, index);
  char* at = output.Extend(var.Text.size() + (numberOnly ? 0 : 1));
  if (!numberOnly) *at++ = var.Letter;
  TOutput::CopyShort(at, var.Text.data(), var.Text.size());
}

/// Translates a constant reference, with the cursor on "(".
void TranslateConstRef(TState& state);

/// Appends a constant's text.
void EmitConst(TOutput& output, const std::string& text);

/// Reads a local declaration, with the cursor on "~"; it leaves no output.
void TranslateLocalDecl(TState& state);

/// Forgets all local variables.
void ClearLocals(TState& state);

}  // namespace zunt

#endif  // ZUNT_TRANSLATOR_TRANSLATOR_H_
