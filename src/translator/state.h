// The state of one run: the cursor over the file being read, the name
// tables, the output, the keep-whitespace switch and the reports.
#ifndef ZUNT_TRANSLATOR_STATE_H_
#define ZUNT_TRANSLATOR_STATE_H_

#include <string>
#include <string_view>

#include "base/diagnostics.h"
#include "cursor/cursor.h"
#include "symbols/table.h"
#include "translator/output.h"

namespace zunt {

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
