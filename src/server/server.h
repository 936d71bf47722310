// The language server: messages in from the editor, replies and
// diagnostics out, until the editor says exit or the input ends.
#ifndef ZUNT_SERVER_SERVER_H_
#define ZUNT_SERVER_SERVER_H_

#include <functional>
#include <string_view>

#include "cursor/fold.h"
#include "platform/platform.h"
#include "server/transport.h"

namespace zunt {

/// Where framed messages go: the standard output.
class TByteOutput {
 public:
  virtual ~TByteOutput() = default;
  /// Writes all the bytes (and flushes them); returns false when it cannot.
  virtual bool Write(std::string_view bytes) = 0;
};

/// Receives the server's log lines (the standard error); UTF-8, no line end.
using TLog = std::function<void(std::string_view line)>;

/// Runs the server over the input and output; returns the exit status: 0
/// after "shutdown" and then "exit", 1 otherwise. When the input stays open
/// after "exit", it ends the process with that status instead.
/// The name tables are keyed with seed; the projects are found through the platform.
int RunLanguageServer(TByteInput& input, TByteOutput& output, const TLog& log,
                      std::string_view version, const THashSeed& seed = kFixedHashSeed,
                      TPlatform* platform = nullptr);

}  // namespace zunt

#endif  // ZUNT_SERVER_SERVER_H_
