// A mod: the settings file (zunt.toml) that says which declarations every
// script shares, which files are the scripts, where the outputs go and how
// strictly they are checked. What the command-line programs, the Windows
// program and the language server all read; it ends no process and writes
// to no terminal: failures come back as reports.
#ifndef ZUNT_PROJECT_PROJECT_H_
#define ZUNT_PROJECT_PROJECT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/diagnostics.h"
#include "platform/platform.h"

namespace zunt {

/// The settings file's name, searched for in a script's folder and its parents.
inline constexpr std::string_view kProjectFileName = "zunt.toml";

/// A place in the settings file (line and column in characters, from 1), for
/// a message about what stands there.
struct TSettingPlace {
  uint64_t Line = 0;
  uint64_t Column = 0;
};

/// A mod's settings.
struct TProject {
  std::string File;    // the settings file, as found or given
  std::string Folder;  // its folder as a prefix of paths: empty or ending in a separator
  std::string Text;    // the file's text, for the lines that messages quote
  std::vector<std::string> Includes;  // the shared declarations files, with Folder before each
  std::vector<TSettingPlace> IncludePlaces;
  std::vector<std::string> Scripts;  // the scripts' patterns, relative to Folder
  std::vector<TSettingPlace> ScriptPlaces;
  bool HasScripts = false;            // whether the file names the scripts
  std::optional<std::string> Output;  // the outputs' folder as a prefix, with Folder before it
  std::optional<bool> Strict;
  std::optional<bool> Warnings;
  TWarningSet Wanted = TWarningSet::All();  // the kinds of warning, as a list of names sets them
};

/// Returns the settings file nearest to a script at path: in its folder or a
/// parent, searching no further than the file system's boundary; empty when
/// there is none. A file that another user could have written is passed
/// over with a warning in reports, and the search ends there.
std::string FindProjectFile(TPlatform& platform, std::string_view scriptPath,
                            TDiagnostics& reports);

/// Reads the settings text of the file at path; returns false, with the
/// error in reports, when the text is not UTF-8, not TOML or holds a wrong key.
bool ParseProject(std::string_view text, const std::string& path, std::string_view separators,
                  TProject* project, TDiagnostics& reports);

/// Loads and reads the settings file at path and checks that each include
/// exists; returns false, with the error in reports, when anything is wrong.
bool ReadProject(TPlatform& platform, const std::string& path, TProject* project,
                 TDiagnostics& reports);

/// Lists the project's scripts, sorted: the files its patterns match, or
/// without patterns the ".erm" files in folder (a prefix like Folder); never
/// a file in the output folder. Returns false, with the error in reports,
/// when a pattern matches nothing.
bool ListScripts(TPlatform& platform, const TProject& project, const std::string& folder,
                 std::vector<std::string>* scripts, TDiagnostics& reports);

/// Returns whether a file name matches a pattern of "*" (any run of bytes)
/// and "?" (any one byte); letter case counts.
bool MatchesPattern(std::string_view name, std::string_view pattern);

/// Returns line `line` (from 1) of text, without its line end.
std::string_view LineOf(std::string_view text, uint64_t line);

/// Returns the failure about a place in the settings file.
TFail ProjectError(const std::string& path, TSettingPlace place, std::string_view utf8Text,
                   std::string_view sourceLine);

}  // namespace zunt

#endif  // ZUNT_PROJECT_PROJECT_H_
