#include "project/project.h"

#include <algorithm>
#include <memory>

#include "base/cp1251.h"
#include "project/load.h"

namespace zunt {
namespace {

// The most folders the search for the settings file climbs.
constexpr int kMaxDepth = 256;

// Returns the folder part of a path as a prefix: up to and with its last separator.
std::string FolderOf(std::string_view path, std::string_view separators) {
  size_t end = path.find_last_of(separators);
  return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

// Returns the parent of a folder prefix, by its text: "a/b/" -> "a/", "" -> "../".
std::string ParentOf(const std::string& folder, std::string_view separators,
                     std::string_view parentPrefix) {
  if (folder.empty()) return std::string(parentPrefix);
  std::string_view inner = std::string_view(folder).substr(0, folder.size() - 1);
  size_t end = inner.find_last_of(separators);
  std::string_view last = end == std::string_view::npos ? inner : inner.substr(end + 1);
  if (last == ".." || last == "." || last.empty() || last.back() == ':') {
    return folder + std::string(parentPrefix);
  }
  return std::string(inner.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// Adds the files below folder that match the pattern's parts from `part` on.
void Expand(TPlatform& platform, const std::string& folder, const std::vector<std::string>& parts,
            size_t part, std::vector<std::string>* found) {
  const std::string& pattern = parts[part];
  bool last = part + 1 == parts.size();
  if (pattern.find_first_of("*?") == std::string::npos) {
    std::string path = folder + pattern;
    TFolderId id;
    if (last && platform.Probe(path) == TFileKind::Regular) found->push_back(path);
    if (!last && platform.IdentifyFolder(path, &id)) {
      Expand(platform, path + std::string(platform.PathSeparators().substr(0, 1)), parts, part + 1,
             found);
    }
    return;
  }
  std::vector<TFolderEntry> entries;
  if (!platform.ListFolder(folder, &entries)) return;
  std::sort(entries.begin(), entries.end(),
            [](const TFolderEntry& a, const TFolderEntry& b) { return a.Name < b.Name; });
  for (const TFolderEntry& entry : entries) {
    if (!MatchesPattern(entry.Name, pattern) || entry.Folder == last) continue;
    if (last) {
      found->push_back(folder + entry.Name);
    } else {
      Expand(platform, folder + entry.Name + std::string(platform.PathSeparators().substr(0, 1)),
             parts, part + 1, found);
    }
  }
}

// Returns whether a path lies in a folder (both as the file system calls them).
bool Inside(std::string_view path, std::string_view folder, std::string_view separators) {
  while (!folder.empty() && separators.find(folder.back()) != std::string_view::npos) {
    folder.remove_suffix(1);
  }
  return path.size() > folder.size() && path.starts_with(folder) &&
         separators.find(path[folder.size()]) != std::string_view::npos;
}

// Returns the pattern's parts between separators.
std::vector<std::string> PartsOf(std::string_view pattern, std::string_view separators) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t end; (end = pattern.find_first_of(separators, at)) != std::string_view::npos;
       at = end + 1) {
    if (end > at) parts.emplace_back(pattern.substr(at, end - at));
  }
  parts.emplace_back(pattern.substr(at));
  return parts;
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // The last "*" seen and the name's place it matched up to: on a mismatch,
  // the "*" takes one byte more.
  size_t n = 0, p = 0, star = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      starName = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string FindProjectFile(TPlatform& platform, std::string_view scriptPath,
                            TDiagnostics& reports) {
  std::string_view separators = platform.PathSeparators();
  std::string folder = FolderOf(scriptPath, separators);
  TFolderId id, start;
  if (!platform.IdentifyFolder(folder, &start)) return {};
  id = start;
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    std::string path = folder + std::string(kProjectFileName);
    if (platform.Probe(path) != TFileKind::Missing) {
      TTrust trust = platform.Trust(path);
      if (trust == TTrust::Trusted) return path;
      TFail warning(Win1251(trust == TTrust::OtherOwner
                                ? "файл принадлежит другому пользователю: настройки из него не "
                                  "читаются"
                                : "файл может изменить любой пользователь: настройки из него не "
                                  "читаются"));
      warning.Severity = TSeverity::Warning;
      warning.Warning = TWarning::ProjectSettings;
      warning.File = path;
      reports.Add(warning);
      return {};
    }
    std::string parent = ParentOf(folder, separators, platform.ParentPrefix());
    TFolderId parentId;
    // The root is its own parent; another device is another file system.
    if (!platform.IdentifyFolder(parent, &parentId) || parentId == id ||
        parentId.Device != start.Device) {
      return {};
    }
    folder = std::move(parent);
    id = parentId;
  }
  return {};
}

bool ReadProject(TPlatform& platform, const std::string& path, TProject* project,
                 TDiagnostics& reports) {
  std::string text;
  try {
    TFileKind kind = platform.Probe(path);
    if (kind == TFileKind::Missing) {
      throw AboutFile(TFail(Win1251("Указанный файл не существует! ("), path, ")."), path);
    }
    std::unique_ptr<TInputFile> file;
    TLoadStatus status =
        kind == TFileKind::Regular ? platform.Load(path, &file) : TLoadStatus::CannotOpen;
    if (status != TLoadStatus::Ok) throw LoadFailure(status, path);
    text = file->Bytes();
    if (!ParseProject(text, path, platform.PathSeparators(), project, reports)) return false;
  } catch (const TFail& fail) {
    reports.Add(fail);
    return false;
  }
  for (size_t i = 0; i < project->Includes.size(); ++i) {
    const std::string& include = project->Includes[i];
    if (platform.Probe(include) == TFileKind::Missing) {
      reports.Add(ProjectError(path, project->IncludePlaces[i],
                               "Указанный файл не существует! (" + include + ").",
                               LineOf(text, project->IncludePlaces[i].Line)));
      return false;
    }
  }
  return true;
}

bool ListScripts(TPlatform& platform, const TProject& project, const std::string& folder,
                 std::vector<std::string>* scripts, TDiagnostics& reports) {
  std::string_view separators = platform.PathSeparators();
  std::vector<std::string> patterns = project.Scripts;
  std::string base = project.Folder;
  if (!project.HasScripts) {
    patterns = {"*.erm"};
    base = folder;
  }
  // What the file system calls the settings file's folder, for the scripts
  // that a symbolic link takes out of it.
  std::string real;
  bool known = project.HasScripts && platform.RealPath(base.empty() ? "." : base, &real);
  for (size_t i = 0; i < patterns.size(); ++i) {
    std::vector<std::string> found;
    Expand(platform, base, PartsOf(patterns[i], separators), 0, &found);
    std::erase_if(found, [&](const std::string& path) {
      return project.Output && path.starts_with(*project.Output);
    });
    for (const std::string& path : found) {
      std::string target;
      if (!known || !platform.RealPath(path, &target) || Inside(target, real, separators)) {
        continue;
      }
      reports.Add(ProjectError(project.File, project.ScriptPlaces[i],
                               "шаблон «" + patterns[i] +
                                   "» находит файл вне папки файла "
                                   "zunt.toml (по символической ссылке): " +
                                   path,
                               LineOf(project.Text, project.ScriptPlaces[i].Line)));
      return false;
    }
    if (found.empty() && project.HasScripts) {
      reports.Add(ProjectError(project.File, project.ScriptPlaces[i],
                               "шаблон «" + patterns[i] + "» не находит ни одного файла",
                               LineOf(project.Text, project.ScriptPlaces[i].Line)));
      return false;
    }
    for (std::string& path : found) {
      if (std::find(scripts->begin(), scripts->end(), path) == scripts->end()) {
        scripts->push_back(std::move(path));
      }
    }
  }
  return true;
}

}  // namespace zunt
