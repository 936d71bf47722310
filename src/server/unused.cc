// The names that no script refers to, shown faded in their declarations
// file: a NAME.txt name that its script never uses, an include's name that
// no script of the mod uses; and the quick fix that removes such a name's
// declaration.
#include <algorithm>

#include "base/cp1251.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {
namespace {

// The most names shown as unused in a file; one more hint counts the rest.
constexpr size_t kMaxUnusedShown = 1000;

// The entries of the tables that a declarations file gave an analysis begin
// here: after those of the files read before it.
std::pair<size_t, size_t> FirstEntriesOf(const TAnalysis& analysis, const std::string& path) {
  size_t vars = 0;
  size_t constants = 0;
  for (const TInput& input : analysis.Inputs) {
    if (input.Path == path) return {vars, constants};
    vars = input.VarsEnd;
    constants = input.ConstantsEnd;
  }
  return {SIZE_MAX, SIZE_MAX};
}

std::string Shown(const TDeclaredName& name, const TText* text) {
  std::string written =
      text ? text->Utf8(name.Site.Begin, name.Site.End) : Utf8FromWin1251(name.Name);
  return name.Constant ? "(" + written + ")" : "$" + written + "$";
}

}  // namespace

void TSession::MarkUsage(TAnalysis& analysis) {
  if (analysis.UsedPass == analysis.Passes && analysis.Passes != 0) return;
  analysis.UsedVars.assign(analysis.State.Vars.Below() + analysis.State.Vars.size(), false);
  analysis.UsedConstants.assign(analysis.State.Constants.Below() + analysis.State.Constants.size(),
                                false);
  Visit(analysis, [&](const TSeenItem& item, const TSeenItem*) {
    if (item.Entry == SIZE_MAX || item.Local != SIZE_MAX) return true;
    std::vector<bool>& used =
        item.Kind == TSeen::Constant ? analysis.UsedConstants : analysis.UsedVars;
    if (item.Kind != TSeen::ClearLocals && item.Entry < used.size()) used[item.Entry] = true;
    return true;
  });
  analysis.UsedPass = analysis.Passes;
}

std::vector<std::string> TSession::UnusedNames(const std::string& path, TAnalysis& analysis,
                                               bool* known) {
  *known = false;
  std::vector<TDeclaredName> names = DeclaredIn(Workspace, analysis, path);
  auto [varsFrom, constantsFrom] = FirstEntriesOf(analysis, path);
  std::vector<bool> used(names.size(), false);
  std::vector<std::string> scripts = ScriptsReading(path, analysis.Path);
  for (const std::string& script : scripts) {
    if (BusyWith(script)) return {};  // its pass in the background tells later
    TAnalysis& reader = Analyses.Analyse(script);
    // A script or a declarations file read only in part may use any name.
    if (!reader.Whole || reader.ScriptGeneration == 0) return {};
    for (const TInput& input : reader.Inputs) {
      if (!input.Whole) return {};
    }
    MarkUsage(reader);
    auto [vars, constants] = FirstEntriesOf(reader, path);
    if (vars == SIZE_MAX) continue;
    for (size_t i = 0; i < names.size(); ++i) {
      size_t entry = names[i].Entry - (names[i].Constant ? constantsFrom : varsFrom) +
                     (names[i].Constant ? constants : vars);
      const std::vector<bool>& marks = names[i].Constant ? reader.UsedConstants : reader.UsedVars;
      if (entry < marks.size() && marks[entry]) used[i] = true;
    }
  }
  if (scripts.empty()) return {};
  *known = true;
  std::vector<std::string> unused;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!used[i]) unused.push_back((names[i].Constant ? "(" : "$") + names[i].Name);
  }
  return unused;
}

TJson TSession::UnusedHints(const std::string& path, TAnalysis& analysis) {
  TJson hints = TJson::array();
  // An include's names are looked up in every script of its mod when it is
  // opened or something is saved, and kept meanwhile; a NAME.txt's in its
  // script each time.
  bool shared = false;
  for (const std::string& input : Analyses.InputsOf(analysis.Path)) {
    shared = shared || (input == path && input != WithExtension(analysis.Path, ".txt"));
  }
  auto cached = UnusedOf.find(path);
  if (!shared || cached == UnusedOf.end()) {
    bool known = false;
    std::vector<std::string> names = UnusedNames(path, analysis, &known);
    if (!known) {
      UnusedOf.erase(path);
      return hints;
    }
    std::sort(names.begin(), names.end());
    cached = UnusedOf.insert_or_assign(path, std::move(names)).first;
  }
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  if (!text) return hints;
  std::string where = shared ? "ни в одном скрипте мода"
                             : "в скрипте " + std::string(FileNameOf(WithExtension(path, ".erm")));
  size_t hidden = 0;
  TPosition first;
  std::vector<TDeclaredName> declared = DeclaredIn(Workspace, analysis, path);
  std::sort(declared.begin(), declared.end(), [](const TDeclaredName& a, const TDeclaredName& b) {
    return a.Site.Begin < b.Site.Begin;
  });
  for (const TDeclaredName& name : declared) {
    std::string key = (name.Constant ? "(" : "$") + name.Name;
    if (name.Site.Line == 0 ||
        !std::binary_search(cached->second.begin(), cached->second.end(), key)) {
      continue;
    }
    TRange range{text->PositionOf(name.Site.Begin), text->PositionOf(name.Site.End)};
    if (hints.size() >= kMaxUnusedShown) {
      if (hidden++ == 0) first = range.Start;
      continue;
    }
    hints.push_back(TJson{{"range", ToJson(range)},
                          {"severity", 4},
                          {"source", "zunt"},
                          {"code", "unused"},
                          {"tags", {1}},
                          {"message", (name.Constant ? "константа " : "переменная ") +
                                          Shown(name, text) + " не используется " + where}});
  }
  if (hidden != 0) {
    hints.push_back(
        TJson{{"range", ToJson(TRange{first, first})},
              {"severity", 4},
              {"source", "zunt"},
              {"code", "unused"},
              {"message", "ещё " + std::to_string(hidden) + " неиспользуемых имён не показано"}});
  }
  return hints;
}

TJson TSession::RemoveUnusedFix(const std::string& path, const TJson& diagnostic) {
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  if (!text || !diagnostic.contains("range")) return nullptr;
  size_t at = text->OffsetOf(RangeFromJson(diagnostic["range"]).Start);
  TAnalysis& analysis = AnalysisOfDeclarations(path);
  std::optional<TDeclaredName> name = DeclaredAt(Workspace, analysis, path, at);
  if (!name) return nullptr;
  std::string_view bytes = text->Bytes();
  // The declaration's lines: the name's, and down to a constant's closing quote.
  size_t from = bytes.find_last_of("\r\n", name->Site.Begin == 0 ? 0 : name->Site.Begin - 1);
  from = from == std::string_view::npos || name->Site.Begin == 0 ? 0 : from + 1;
  size_t last = name->Site.End;
  if (name->Constant) {
    size_t open = bytes.find('\'', name->Site.End);
    last = open == std::string_view::npos ? open : bytes.find('\'', open + 1);
    if (last == std::string_view::npos) return nullptr;
  }
  size_t to = bytes.find('\n', last);
  to = to == std::string_view::npos ? bytes.size() : to + 1;
  // A declaration that shares its lines with another is left to the author.
  for (const TDeclaredName& other : DeclaredIn(Workspace, analysis, path)) {
    if (other.Entry == name->Entry && other.Constant == name->Constant) continue;
    if (other.Site.Line != 0 && other.Site.Begin >= from && other.Site.Begin < to) return nullptr;
  }
  TDocument* document = Workspace.Find(path);
  TJson edit{{"textDocument",
              {{"uri", Workspace.UriOf(path)},
               {"version", document ? TJson(document->Version) : TJson(nullptr)}}},
             {"edits",
              {{{"range", ToJson(TRange{text->PositionOf(from), text->PositionOf(to)})},
                {"newText", ""}}}}};
  return TJson{{"title", "Убрать объявление " + Shown(*name, text)},
               {"kind", "quickfix"},
               {"diagnostics", TJson::array({diagnostic})},
               {"edit", WorkspaceEdit(TJson::array({std::move(edit)}))}};
}

}  // namespace zunt
