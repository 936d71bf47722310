// The state of one run: the cursor over the loaded file, the name tables,
// the output and the keep-whitespace switch.
#ifndef ZUNT_DRIVER_STATE_H_
#define ZUNT_DRIVER_STATE_H_

#include <memory>
#include <string>

#include "cursor/cursor.h"
#include "platform/platform.h"
#include "symbols/table.h"
#include "translator/output.h"

namespace zunt {

struct TState {
  std::unique_ptr<TInputFile> Loaded;  // the file under the cursor: declarations, then script
  TCursor Cursor;
  TVarTable GlobalVars;
  TConstTable Constants;
  TVarTable LocalVars;
  TOutput Output;
  bool KeepWhitespace = true;

  /// Makes file the loaded file and points the cursor at its start.
  void LoadIntoCursor(std::unique_ptr<TInputFile> file) {
    Loaded = std::move(file);
    Cursor.InitCursor(Loaded->Bytes(), '\n');
  }
  /// Makes text the loaded file and points the cursor at its start.
  void LoadIntoCursor(std::string text) {
    LoadIntoCursor(std::make_unique<TTextFile>(std::move(text)));
  }

  /// Frees the loaded file; the cursor is left at the end of no data.
  void Unload() {
    Loaded.reset();
    Cursor.InitCursor({}, '\n');
  }
};

}  // namespace zunt

#endif  // ZUNT_DRIVER_STATE_H_
