// The map of the variables that a mod's scripts take, as the command line
// prints it with --vars, made from the server's own analyses: the editor's
// text of an open file, the file on disk otherwise.
#include <algorithm>

#include "base/cp1251.h"
#include "project/var_map.h"
#include "project/var_map_text.h"
#include "server/session.h"

namespace zunt {
namespace {

// Paths reach the table as the file system gives them, UTF-8 here.
std::string PathAsItIs(std::string_view path) { return std::string(path); }

// Returns the path of a file from a folder ("/m/" and "/s/n.txt" give
// "../s/n.txt"), as a run in that folder names it; paths whose roots differ
// stay whole.
std::string RelativePath(const std::string& folder, const std::string& file) {
  if (folder.empty() || file.empty() || folder[0] != file[0]) return file;
  // The longest common stretch of whole folders.
  size_t common = 0;
  for (size_t i = 0; i < folder.size() && i < file.size() && folder[i] == file[i]; ++i) {
    if (folder[i] == '/') common = i + 1;
  }
  if (common == 0) return file;
  std::string relative;
  for (size_t i = common; i < folder.size(); ++i) {
    if (folder[i] == '/') relative += "../";
  }
  return relative + file.substr(common);
}

}  // namespace

TJson TSession::Variables(const std::string& path) {
  RefuseStale(path);
  // The scripts of the file's mod, and the scripts open or beside that read it.
  std::vector<std::string> scripts;
  std::string folder;
  TProjects& projects = Workspace.Projects();
  if (TServerProject* project = projects.Of(path)) {
    scripts = projects.ScriptsOf(*project);
    folder = project->Project.Folder;
  }
  std::vector<std::string> readers;
  if (Workspace.KindOf(path) == TDocumentKind::Script) {
    readers.push_back(path);
  } else if (Workspace.KindOf(path) == TDocumentKind::Declarations) {
    readers = ScriptsReading(path, ScriptFor(path));
  }
  for (const std::string& script : readers) {
    if (std::find(scripts.begin(), scripts.end(), script) == scripts.end()) {
      scripts.push_back(script);
    }
  }
  if (scripts.empty()) {
    throw TRequestError{rpc::kInvalidParams, "neither a script nor in a mod: " + path};
  }
  TVarMapBuilder builder(Seed);
  size_t mapped = 0;
  for (const std::string& script : scripts) {
    uint64_t generation = 0;
    const TText* text = Workspace.Text(script, &generation);
    if (!text) continue;
    if (BusyWith(script)) FinishBackground();
    TAnalysis& analysis = Analyses.Analyse(script);
    builder.BeginScript(script, analysis.State.Vars, text->Bytes());
    ++mapped;
    Visit(analysis, [&](const TSeenItem& item, const TSeenItem*) {
      TSeen seen;
      seen.Kind = item.Kind;
      seen.Begin = item.Begin;
      seen.End = item.End;
      seen.Entry = item.Entry;
      seen.Index = item.Index;
      TVarMapBuilder::Seen(seen, &builder);
      return true;
    });
  }
  TVarMap map = builder.Finish();
  // The files are named from the mod's folder.
  for (std::string& file : map.Files) file = RelativePath(folder, file);
  return TJson{{"text", VarMapText(map, &PathAsItIs)}, {"scripts", mapped}};
}

}  // namespace zunt
