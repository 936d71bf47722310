// The names of a file and of the project, as editors list them: the locals
// of a script, the names of a declarations file where they are declared.
#include <set>

#include "base/cp1251.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {
namespace {

// The most names sent for one query; the client asks again as the query grows.
constexpr size_t kMaxSymbols = 500;

// Returns the name as its declaration writes it, else as the tables fold it.
std::string WrittenName(const TText* text, const TDeclaredName& name) {
  if (!text || name.Site.Line == 0) return Utf8FromWin1251(name.Name);
  return text->Utf8(name.Site.Begin, name.Site.End);
}

// Returns the line that the byte at `at` stands on, without its line end.
std::pair<size_t, size_t> LineAround(const std::string& bytes, size_t at) {
  size_t from = bytes.find_last_of("\r\n", at == 0 ? 0 : at - 1);
  from = at == 0 || from == std::string::npos ? 0 : from + 1;
  size_t to = bytes.find_first_of("\r\n", at);
  return {from, to == std::string::npos ? bytes.size() : to};
}

// Returns the UTF-8 text of a local's name as the script holds it.
std::string NameText(const TText& text, const TSeenItem& item) {
  return text.Utf8(item.NameAt, item.NameAt + item.NameSize);
}

}  // namespace

TAnalysis& TSession::AnalysisOfDeclarations(const std::string& path) {
  std::vector<std::string> scripts = ScriptsReading(path, std::string());
  return Analyses.Analyse(scripts.empty() ? WithExtension(path, ".erm") : scripts.front());
}

std::string TSession::DocumentSymbol(const TJson& params) {
  std::string path = PathOf(params);
  std::string list = "[";
  TDocumentKind kind = Workspace.KindOf(path);
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  if (!text) return "[]";
  // Each symbol's members in the order a JSON object's are written.
  auto symbol = [&](const std::string& name, std::string_view detail, int symbolKind, size_t from,
                    size_t to, size_t nameFrom, size_t nameTo) {
    if (list.size() > 1) list += ',';
    list += R"({"detail":)";
    WriteJsonString(list, Utf8FromWin1251(detail));
    list += R"(,"kind":)" + std::to_string(symbolKind) + R"(,"name":)";
    WriteJsonString(list, name);
    list += R"(,"range":)";
    WriteJsonRange(list, TRange{text->PositionOf(from), text->PositionOf(to)});
    list += R"(,"selectionRange":)";
    WriteJsonRange(list, TRange{text->PositionOf(nameFrom), text->PositionOf(nameTo)});
    list += '}';
  };
  if (kind == TDocumentKind::Script) {
    TAnalysis& analysis = Analyses.Analyse(path);
    Visit(analysis, [&](const TSeenItem& item, const TSeenItem*) {
      if (item.Kind == TSeen::Local) {
        symbol(NameText(*text, item), item.Value, 13, item.Begin, item.End, item.NameAt,
               item.NameAt + item.NameSize);
      }
      return true;
    });
  } else if (kind == TDocumentKind::Declarations) {
    TAnalysis& analysis = AnalysisOfDeclarations(path);
    for (const TDeclaredName& name : DeclaredIn(Workspace, analysis, path)) {
      // The whole line of the declaration, and the name as written in it.
      const TSite& site = name.Site;
      auto [from, to] = LineAround(text->Bytes(), site.Begin);
      symbol(WrittenName(text, name), name.Value, name.Constant ? 14 : 13, from, to, site.Begin,
             site.End);
    }
  }
  return list + "]";
}

TJson TSession::WorkspaceSymbol(const TJson& params) {
  std::string query = Win1251(params.value("query", std::string()));
  TJson list = TJson::array();
  std::set<std::string> done;
  // The open files, then the mods of the workspace's folders: the includes
  // as one of each mod's scripts reads them, open or not.
  std::vector<std::string> paths = Workspace.OpenPaths();
  for (const std::string& root : Roots) {
    TServerProject* project = Workspace.Projects().Of(root + "/" + std::string(kProjectFileName));
    if (!project || !project->Valid) continue;
    const std::vector<std::string>& scripts = Workspace.Projects().ScriptsOf(*project);
    if (!scripts.empty()) paths.push_back(scripts.front());
  }
  for (const std::string& path : paths) {
    TDocumentKind kind = Workspace.KindOf(path);
    if (kind == TDocumentKind::Other) continue;
    TAnalysis& analysis =
        kind == TDocumentKind::Script ? Analyses.Analyse(path) : AnalysisOfDeclarations(path);
    for (const TInput& input : analysis.Inputs) {
      if (!done.insert(input.Path).second) continue;
      uint64_t generation = 0;
      const TText* text = Workspace.Text(input.Path, &generation);
      for (const TDeclaredName& name : DeclaredIn(Workspace, analysis, input.Path)) {
        if (!ContainsFolded(name.Name, query) || list.size() >= kMaxSymbols) continue;
        std::string written = WrittenName(text, name);
        std::string shown = name.Constant ? "(" + written + ")" : "$" + written + "$";
        list.push_back(TJson{{"name", shown},
                             {"kind", name.Constant ? 14 : 13},
                             {"location", LocationOf(input.Path, name.Site.Begin, name.Site.End)},
                             {"containerName", std::string(FileNameOf(input.Path))}});
      }
    }
  }
  return list;
}

}  // namespace zunt
