// Where a name is written: its declaration and its references in every
// script that reads that declaration; and whether a new name is free there.
#include <set>

#include "base/cp1251.h"
#include "cursor/fold.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {
namespace {

// What a place names, copied out of the analysis (which a later pass replaces).
struct TNamed {
  bool Local = false;
  bool Constant = false;
  size_t Declaration = 0;  // where a local's declaration begins
  std::string Name;        // a declared name, folded
  TSite Site;
};

TNamed NamedAt(TWorkspace& workspace, const TAnalysis& analysis, const TSeenItem& item) {
  TNamed named;
  if (item.Local != SIZE_MAX) {
    named.Local = true;
    named.Declaration = item.Local;
    return named;
  }
  named.Constant = item.Kind == TSeen::Constant;
  const TSymbolTable& table = named.Constant ? analysis.State.Constants : analysis.State.Vars;
  named.Name = std::string(table.Name(table.At(item.Entry)));
  named.Site = SiteOf(workspace, analysis, named.Constant, item.Entry);
  return named;
}

}  // namespace

std::vector<TSession::TReferenceSite> TSession::ReferencesOf(const TPlace& place, bool here) {
  std::vector<TReferenceSite> sites;
  const TSeenItem& item = *place.Item;
  if (item.Kind != TSeen::Local && item.Local == SIZE_MAX && item.Entry == SIZE_MAX) return sites;
  TNamed named = NamedAt(Workspace, *place.Analysis, item);
  if (named.Local) {
    Visit(*place.Analysis, [&](const TSeenItem& other, const TSeenItem*) {
      if (other.Local != named.Declaration) return true;
      bool declaration = other.Kind == TSeen::Local;
      sites.push_back(TReferenceSite{place.Path, declaration ? other.NameAt : other.Begin,
                                     declaration ? other.NameAt + other.NameSize : other.End,
                                     other.NameAt, other.NameSize, declaration});
      return true;
    });
    return sites;
  }
  if (named.Site.Line != 0 && (!here || named.Site.Path == place.Path)) {
    sites.push_back(TReferenceSite{named.Site.Path, named.Site.Begin, named.Site.End,
                                   named.Site.Begin, named.Site.End - named.Site.Begin, true});
  }
  // The analysis's script: at a declaration, one that reads it.
  std::string placePath = place.Analysis->Path;
  std::vector<std::string> scripts;
  if (!here) {
    scripts = ScriptsReading(named.Site.Path, placePath);
  } else if (placePath == place.Path) {
    scripts.push_back(placePath);
  }
  for (const std::string& script : scripts) {
    TAnalysis& analysis = Analyses.Analyse(script);
    const TSymbolTable& table = named.Constant ? analysis.State.Constants : analysis.State.Vars;
    const TSymbolTable::TEntry* entry = table.Find(named.Name);
    if (!entry) continue;
    size_t index = table.PlaceOf(*entry);
    TSeen::TKind kind = named.Constant ? TSeen::Constant : TSeen::Variable;
    Visit(analysis, [&](const TSeenItem& other, const TSeenItem*) {
      if (other.Kind == kind && other.Entry == index && other.Local == SIZE_MAX) {
        sites.push_back(
            TReferenceSite{script, other.Begin, other.End, other.NameAt, other.NameSize, false});
      }
      return true;
    });
  }
  return sites;
}

std::vector<std::string> TSession::ScriptsReading(const std::string& declarations,
                                                  const std::string& also) {
  std::set<std::string> candidates{also};
  if (!declarations.empty()) candidates.insert(WithExtension(declarations, ".erm"));
  for (const std::string& path : Workspace.OpenPaths()) {
    if (Workspace.KindOf(path) == TDocumentKind::Script) candidates.insert(path);
  }
  // The scripts of every mod that includes the file, open or not.
  TProjects& projects = Workspace.Projects();
  projects.Of(declarations);
  projects.Of(also);
  for (auto& [file, project] : projects.All()) {
    if (!Includes(project, declarations)) continue;
    for (const std::string& script : projects.ScriptsOf(project)) candidates.insert(script);
  }
  std::vector<std::string> scripts;
  for (const std::string& script : candidates) {
    uint64_t generation = 0;
    if (!Workspace.Text(script, &generation)) continue;
    if (script == also) {
      scripts.push_back(script);
      continue;
    }
    for (const std::string& input : Analyses.InputsOf(script)) {
      if (input == declarations) {
        scripts.push_back(script);
        break;
      }
    }
  }
  return scripts;
}

std::string TSession::NameTaken(const TPlace& place, const std::string& newName) {
  TNamed named = NamedAt(Workspace, *place.Analysis, *place.Item);
  std::string also = place.Analysis->Path;
  std::string shown = Utf8FromWin1251(UpperCased(newName));
  std::vector<std::string> scripts =
      named.Local ? std::vector<std::string>{place.Path} : ScriptsReading(named.Site.Path, also);
  // The tables of the place's own analysis count even when no script reads them.
  if (scripts.empty()) scripts.push_back(also);
  for (const std::string& script : scripts) {
    TAnalysis& analysis = Analyses.Analyse(script);
    const TSymbolTable& table = named.Constant ? analysis.State.Constants : analysis.State.Vars;
    const TSymbolTable::TEntry* entry = table.Find(newName);
    bool same = entry && !named.Local && table.Name(*entry) == named.Name;
    if (entry && !same) {
      return named.Constant ? "константа (" + shown + ") уже объявлена"
                            : "переменная $" + shown + "$ уже объявлена";
    }
    if (named.Constant) continue;
    uint64_t generation = 0;
    const TText* text = Workspace.Text(script, &generation);
    if (!text) continue;
    std::string taken;
    Visit(analysis, [&](const TSeenItem& local, const TSeenItem*) {
      if (local.Kind != TSeen::Local || (named.Local && local.Begin == named.Declaration)) {
        return true;
      }
      if (!SameName(text->Bytes().substr(local.NameAt, local.NameSize), newName)) return true;
      taken = "локальная переменная $" + shown + "$ уже объявлена в " +
              std::string(FileNameOf(script)) + ", строка " +
              std::to_string(text->PositionOf(local.Begin).Line + 1);
      return false;
    });
    if (!taken.empty()) return taken;
  }
  return {};
}

}  // namespace zunt
