// The state of one run: the cursor over the file being read, the name
// tables, the output, the keep-whitespace switch and the reports.
#ifndef ZUNT_TRANSLATOR_STATE_H_
#define ZUNT_TRANSLATOR_STATE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/diagnostics.h"
#include "cursor/cursor.h"
#include "symbols/table.h"
#include "translator/output.h"

namespace zunt {

/// What the careful reader met: a reference, a local declaration or "~~",
/// for the tools that look into a script (an editor's server).
struct TSeen {
  enum TKind { Variable, Constant, Local, ClearLocals } Kind = Variable;
  size_t Begin = 0;         // its first byte: "$", "@", "(" or "~"
  size_t End = 0;           // just after its last byte
  std::string_view Name;    // the name as written, before any "["; it points into the script
  size_t Entry = SIZE_MAX;  // the place of the entry it names (a local's own), SIZE_MAX for none
  int32_t Index = 0;        // a variable's index
};

struct TState {
  TCursor Cursor;
  TVarTable Vars;  // declared and local
  TConstTable Constants;
  TOutput Output;
  bool KeepWhitespace = true;
  size_t CompactSince = 0;  // the back-quote that began the present compact stretch
  TDiagnostics Diagnostics;
  /// Called, when set, each time the output has grown to PieceSize bytes; it
  /// may take the bytes away (Output.Clear()), to write them in pieces.
  void (*OnPiece)(TState& state, void* context) = nullptr;
  void* PieceContext = nullptr;
  size_t PieceSize = size_t{1} << 20;
  /// Whether the pass takes its tight loop for the common case where it can;
  /// off, every byte goes through the careful reader, with the same results.
  bool CommonCase = true;
  /// Called, when set, for each reference and local declaration; every
  /// reference then goes through the careful reader (CommonCase must be off).
  void (*OnSeen)(const TSeen& seen, void* context) = nullptr;
  void* SeenContext = nullptr;
  /// Set just before an error that leaves the cursor in step with the text
  /// (an undeclared name, read in full): the pass may go on from there.
  bool InStep = false;

  /// Keys both name tables' hash by seed.
  void Rekey(const THashSeed& seed) {
    Vars.Rekey(seed);
    Constants.Rekey(seed);
  }
  /// Points the cursor at the start of bytes that outlive the reading.
  void PointCursorAt(std::string_view bytes) { Cursor.InitCursor(bytes, '\n'); }
  /// Makes text the state's own and points the cursor at its start.
  void LoadIntoCursor(std::string text) {
    Text = std::move(text);
    PointCursorAt(Text);
  }

 private:
  std::string Text;
};

}  // namespace zunt

#endif  // ZUNT_TRANSLATOR_STATE_H_
