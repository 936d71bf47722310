// The mods the server's files belong to: each file's settings file found
// once per folder and read through the same project layer as the command
// line, read again when it changes or one of its includes comes or goes.
#ifndef ZUNT_SERVER_PROJECTS_H_
#define ZUNT_SERVER_PROJECTS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/fail.h"
#include "platform/platform.h"
#include "project/project.h"
#include "server/uri.h"

namespace zunt {

/// A settings file as the server last read it.
struct TServerProject {
  std::string File;
  TProject Project;  // what could be read of it, also when reading it failed
  bool Valid = false;
  bool Untrusted = false;      // others may write it: unread, its settings none, its warning shown
  std::vector<TFail> Reports;  // what reading it reported
  uint64_t Generation = 0;     // changes with each reading
  bool Warnings = true;        // the settings of the pass, as the command line merges them
  bool Strict = false;
  bool Published = false;  // its reports were published since it was read
  std::vector<std::string> Scripts;
  bool ScriptsListed = false;

  uint64_t Stamp = 0;               // of the file, when it was read
  std::vector<bool> IncludesFound;  // which includes existed then
};

class TProjects {
 public:
  /// Returns a stamp that changes when a file does, 0 when it is missing.
  using TStamp = std::function<uint64_t(const std::string& path)>;

  /// With no platform there are no projects.
  TProjects(TPlatform* platform, TStamp stamp) : Platform(platform), Stamp(std::move(stamp)) {}
  /// Returns the project of the file at path, read again when its settings
  /// file changed; nullptr when the file belongs to none.
  TServerProject* Of(const std::string& path);
  /// Returns the project's scripts, listed once after each reading.
  const std::vector<std::string>& ScriptsOf(TServerProject& project);
  /// Forgets where the settings files were found, so that one made or
  /// removed since is seen.
  void Forget() { Found.clear(); }
  /// Lists the scripts again when next asked: a file came or went.
  void Relist() {
    for (auto& [file, project] : Projects) project.ScriptsListed = false;
  }
  /// Returns the projects read so far, by their settings files.
  std::map<std::string, TServerProject>& All() { return Projects; }

 private:
  // Keeps a settings file that others may write as a project of no
  // settings, with the warning why it is not read.
  void PassOver(const std::string& file, std::vector<TFail> reports);
  // Reads the settings file into the project.
  void Read(TServerProject& project, uint64_t stamp);
  // Returns which of the includes exist.
  std::vector<bool> IncludesFound(const TProject& project);

  TPlatform* Platform;
  TStamp Stamp;
  std::map<std::string, std::string> Found;  // a folder: its settings file, or empty
  std::map<std::string, TServerProject> Projects;
  uint64_t Generation = 0;
};

/// Returns the declarations files a script reads, in the order the command
/// line reads them: the project's includes, then the script's own NAME.txt.
std::vector<std::string> ProjectInputs(const TServerProject* project,
                                       const std::string& scriptPath);

/// Returns whether the project includes the declarations file at path.
bool Includes(const TServerProject& project, const std::string& path);

/// Returns whether the path names a settings file.
bool IsProjectFile(std::string_view path);

}  // namespace zunt

#endif  // ZUNT_SERVER_PROJECTS_H_
