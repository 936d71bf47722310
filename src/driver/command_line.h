// The command-line program, whatever the system: zunt [OPTION]... NAME...
// Every name is translated on its own; the status is 0 when all were, 1 when
// any failed, 2 for a wrong command line (nothing is translated then).
#ifndef ZUNT_DRIVER_COMMAND_LINE_H_
#define ZUNT_DRIVER_COMMAND_LINE_H_

#include <string_view>

#include "platform/platform.h"

namespace zunt {

/// What follows the program's name when memory runs out; writing it needs no memory.
inline constexpr std::string_view kOutOfMemoryLine =
    ": error: Недостаточно памяти для компиляции!\n";

/// Where the command-line program writes its own text (UTF-8).
class TConsole {
 public:
  virtual ~TConsole() = default;
  /// Writes text to the standard error.
  virtual void Error(std::string_view text) = 0;
  /// Writes text to the standard output; returns false when it was not all written.
  virtual bool Out(std::string_view text) = 0;
  /// Returns whether --color=auto colours the messages.
  virtual bool ColorsByDefault() const = 0;
  /// Returns the name the program gives itself in its messages and help.
  virtual std::string_view ProgramName() const { return "zunt"; }
};

/// Runs the program for argv (argv[0] is the program, the rest UTF-8 or the
/// system's bytes); returns the exit status.
int RunCommandLine(TPlatform& platform, TConsole& console, int argc, char** argv);

}  // namespace zunt

#endif  // ZUNT_DRIVER_COMMAND_LINE_H_
