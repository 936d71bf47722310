#include "driver/program.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver.h"
#include "project/project.h"

namespace zunt {
namespace {

// Returns the folder part of a path as a prefix: empty or ending in a separator.
std::string FolderOf(const TPlatform& platform, std::string_view path) {
  size_t end = path.find_last_of(platform.PathSeparators());
  return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

// Returns whether path names an existing settings file: its name is
// zunt.toml in any letter case, as Windows compares names.
bool IsProjectFile(TPlatform& platform, std::string_view path) {
  std::string name(FileNamePart(path, platform.PathSeparators()));
  std::transform(name.begin(), name.end(), name.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return name == kProjectFileName && platform.Probe(std::string(path)) == TFileKind::Regular;
}

// Translates the scripts of the mod whose settings file is at path, its
// outputs going where a run in the file's folder puts them.
int RunMod(TPlatform& platform, std::string_view path) {
  std::string folder = FolderOf(platform, path);
  TRunOptions options;
  options.Project = std::string(path);
  options.ScriptsWithoutName = true;
  options.ScriptsFolder = folder;
  options.OutputFolder = folder + std::string(platform.ParentPrefix());
  options.Jobs = std::max(1u, std::thread::hardware_concurrency());
  options.Sound = false;
  int status = RunShowingFirstError(platform, {}, options);
  if (status == 0) platform.PlaySuccessSound();
  return status;
}

}  // namespace

int RunProgram(TPlatform& platform, std::string_view first, std::string_view second) {
  bool inScriptFolder = first == kInScriptFolder;
  std::string_view name = inScriptFolder ? second : first;
  if (!name.empty() && IsProjectFile(platform, name)) return RunMod(platform, name);
  if (!inScriptFolder) return Run(platform, name);
  TRunOptions options;
  options.OutputFolder = FolderOf(platform, name) + std::string(platform.ParentPrefix());
  std::vector<std::string> names;
  if (!name.empty()) names.emplace_back(name);
  return RunShowingFirstError(platform, names, options);
}

}  // namespace zunt
