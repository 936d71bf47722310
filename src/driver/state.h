// The state of one run: the cursor over the loaded file, the name tables,
// the output and the keep-whitespace switch.
#ifndef ZUNT_DRIVER_STATE_H_
#define ZUNT_DRIVER_STATE_H_

#include <string>

#include "cursor/cursor.h"
#include "symbols/table.h"

namespace zunt {

struct TState {
  std::string Loaded;  // the file under the cursor: declarations, then script
  TCursor Cursor;
  TVarTable GlobalVars;
  TConstTable Constants;
  TVarTable LocalVars;
  std::string Output;
  bool KeepWhitespace = true;

  /// Makes data the loaded file and points the cursor at its start.
  void LoadIntoCursor(std::string data) {
    Loaded = std::move(data);
    Cursor.InitCursor(Loaded, '\n');
  }
};

}  // namespace zunt

#endif  // ZUNT_DRIVER_STATE_H_
