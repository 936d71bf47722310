#include "server/projects.h"

#include "server/workspace.h"

namespace zunt {

TServerProject* TProjects::Of(const std::string& path) {
  // An empty path would search from the server's working folder.
  if (!Platform || path.empty()) return nullptr;
  size_t end = path.find_last_of(Platform->PathSeparators());
  std::string folder = end == std::string::npos ? "" : path.substr(0, end + 1);
  auto found = Found.find(folder);
  if (found == Found.end()) {
    TDiagnostics passedOver;  // a file that others may write is read by no one
    std::string file = FindProjectFile(*Platform, path, passedOver);
    if (file.empty() && !passedOver.Items.empty()) {
      file = passedOver.Items.front().File;
      PassOver(file, std::move(passedOver.Items));
    } else if (auto it = Projects.find(file); it != Projects.end() && it->second.Untrusted) {
      Projects.erase(it);  // trusted now: read
    }
    found = Found.emplace(folder, std::move(file)).first;
  }
  if (found->second.empty()) return nullptr;
  std::string file = found->second;
  uint64_t stamp = Stamp(file);
  if (stamp == 0) {
    // Gone: the next look searches again.
    Projects.erase(file);
    Found.clear();
    return nullptr;
  }
  TServerProject& project = Projects[file];
  if (project.Untrusted) return &project;
  if (project.Generation == 0 || project.Stamp != stamp ||
      project.IncludesFound != IncludesFound(project.Project)) {
    project.File = file;
    Read(project, stamp);
  }
  return &project;
}

void TProjects::PassOver(const std::string& file, std::vector<TFail> reports) {
  TServerProject& project = Projects[file];
  project = TServerProject();
  project.File = file;
  project.Untrusted = true;
  project.Reports = std::move(reports);
  project.ScriptsListed = true;  // none: its patterns are not read
  project.Generation = ++Generation;
}

void TProjects::Read(TServerProject& project, uint64_t stamp) {
  std::string_view separators = Platform->PathSeparators();
  TDiagnostics reports;
  project.Project = TProject();
  project.Valid = ReadProject(*Platform, project.File, &project.Project, reports);
  project.Reports = std::move(reports.Items);
  for (std::string& include : project.Project.Includes) include = NormalPath(include, separators);
  project.IncludesFound = IncludesFound(project.Project);
  project.Stamp = stamp;
  // As on the command line, whose default is to look for warnings.
  project.Warnings = project.Project.Warnings.value_or(true);
  project.Strict = project.Project.Strict.value_or(false);
  project.Generation = ++Generation;
  project.Published = false;
  project.Scripts.clear();
  project.ScriptsListed = false;
}

std::vector<bool> TProjects::IncludesFound(const TProject& project) {
  std::vector<bool> found;
  for (const std::string& include : project.Includes) {
    found.push_back(Platform->Probe(include) != TFileKind::Missing);
  }
  return found;
}

const std::vector<std::string>& TProjects::ScriptsOf(TServerProject& project) {
  if (!project.ScriptsListed && project.Valid) {
    project.Scripts.clear();
    // A pattern that finds nothing is the command line's error when it is
    // asked for the scripts; here the others are still listed.
    TDiagnostics reports;
    ListScripts(*Platform, project.Project, project.Project.Folder, &project.Scripts, reports);
    for (std::string& script : project.Scripts) {
      script = NormalPath(script, Platform->PathSeparators());
    }
  }
  project.ScriptsListed = true;
  return project.Scripts;
}

std::vector<std::string> ProjectInputs(const TServerProject* project,
                                       const std::string& scriptPath) {
  std::vector<std::string> inputs;
  if (project) inputs = project->Project.Includes;
  inputs.push_back(WithExtension(scriptPath, ".txt"));
  return inputs;
}

bool Includes(const TServerProject& project, const std::string& path) {
  for (const std::string& include : project.Project.Includes) {
    if (include == path) return true;
  }
  return false;
}

bool IsProjectFile(std::string_view path) {
  if (path.size() < kProjectFileName.size()) return false;
  std::string_view name = path.substr(path.size() - kProjectFileName.size());
  if (name != kProjectFileName) return false;
  return path.size() == name.size() || path[path.size() - name.size() - 1] == '/' ||
         path[path.size() - name.size() - 1] == '\\';
}

}  // namespace zunt
