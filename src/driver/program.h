// The run of the Windows program, zunt.exe: a name, a name passed by
// Explorer's verb on a script, or a mod's zunt.toml.
#ifndef ZUNT_DRIVER_PROGRAM_H_
#define ZUNT_DRIVER_PROGRAM_H_

#include <string_view>

#include "platform/platform.h"

namespace zunt {

/// The first argument with which Explorer's verb on a script asks for the
/// output where a run started in the script's own folder writes it, whatever
/// the working folder.
inline constexpr std::string_view kInScriptFolder = "--in-script-folder";

/// Runs zunt.exe's command line, given its first two arguments (empty when
/// missing), showing the first error through the platform; returns the exit
/// status. A path of an existing zunt.toml translates that mod's scripts as
/// if started in its folder, with one success sound for all; kInScriptFolder
/// then a name translates the name as if started in its folder; anything
/// else translates the first argument.
int RunProgram(TPlatform& platform, std::string_view first, std::string_view second);

}  // namespace zunt

#endif  // ZUNT_DRIVER_PROGRAM_H_
