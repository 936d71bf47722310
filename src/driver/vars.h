// zunt --vars: the map of the variables that a mod's scripts (or the named
// ones) take, as a table or as JSON, and with --against the numbers that
// another mod takes too. No script is written.
#ifndef ZUNT_DRIVER_VARS_H_
#define ZUNT_DRIVER_VARS_H_

#include <string>
#include <string_view>
#include <vector>

#include "driver/command_line.h"
#include "driver/driver.h"
#include "project/var_map.h"

namespace zunt {

/// How --vars writes the map.
enum class TVarsFormat { None, Text, Json };

/// Returns the map as JSON text (UTF-8), in the form README.md describes.
std::string VarMapJson(const TVarMap& map);

/// Returns the numbers that two maps both take as JSON text.
std::string SharedNumbersJson(const TVarMap& ours, const TVarMap& theirs,
                              const std::vector<TSharedNumber>& shared);

/// Reads a map that VarMapJson wrote, keeping the numbers and their names;
/// returns false, with what is wrong (UTF-8) in *error, for any other text.
bool ReadVarMapJson(std::string_view text, TVarMap* map, std::string* error);

/// Reads the names (or, with none, the mod's scripts) as a translation
/// does, reporting what it meets, and makes their map. Returns false when a
/// file could not be read or there was nothing to map; *withoutName tells
/// the latter.
bool MapNames(TPlatform& platform, const std::vector<std::string>& names,
              const TRunOptions& options, TReporter& reporter, TVarMap* map, bool* withoutName);

/// Runs --vars: maps the names, and writes the map, or with `against` (a
/// mod's folder or a saved map) the numbers both take, to the console's
/// standard output. Returns 0 when every file could be read, else 1.
int RunVars(TPlatform& platform, TConsole& console, const std::vector<std::string>& names,
            const TRunOptions& options, TVarsFormat format, const std::string& against,
            TReporter& reporter);

}  // namespace zunt

#endif  // ZUNT_DRIVER_VARS_H_
