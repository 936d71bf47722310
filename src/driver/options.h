// The command line of the POSIX program: zunt [OPTION]... NAME...
#ifndef ZUNT_DRIVER_OPTIONS_H_
#define ZUNT_DRIVER_OPTIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "driver/driver.h"
#include "driver/vars.h"

namespace zunt {

enum class TColor { Auto, Always, Never };

/// What the command line asks for.
struct TCommandLine {
  std::vector<std::string> Names;  // the non-empty names, in order
  TRunOptions Run;
  TColor Color = TColor::Auto;
  bool Verbose = false;
  bool AbsolutePaths = false;  // messages name files by their absolute paths
  bool Help = false;
  bool Version = false;
  TVarsFormat Vars = TVarsFormat::None;  // --vars: the map, and in which form
  std::string Against;                   // --against: the other mod's folder or map
  std::string UsageError;                // UTF-8; not empty when the command line is wrong
};

/// Reads the whole command line (argv[0] is the program). Words that start
/// with "-" are options until "--", before or after the names.
TCommandLine ParseCommandLine(int argc, char** argv);

/// Returns the text of --help, in UTF-8, for the program of that name, whose
/// system writes the parent folder as `parent` ("../" or "..\\").
std::string HelpText(std::string_view program, std::string_view parent);

}  // namespace zunt

#endif  // ZUNT_DRIVER_OPTIONS_H_
