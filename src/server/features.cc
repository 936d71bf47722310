// The features that look into the names: hover, definition, references,
// completion, rename, symbols, quick fixes and the translated script. They
// take the places of references and locals from the translator's pass.
#include <algorithm>
#include <cstdio>

#include "base/cp1251.h"
#include "server/names.h"
#include "server/reports.h"
#include "server/session.h"
#include "server/uri.h"

namespace zunt {
namespace {

// The most completion items sent at once; the client asks again as the name grows.
constexpr size_t kMaxCompletions = 500;

// Returns the UTF-8 text of a name as the script holds it.
std::string NameText(const TText& text, const TSeenItem& item) {
  return text.Utf8(item.NameAt, item.NameAt + item.NameSize);
}

TJson MarkupOf(bool markdown, const std::string& code, const std::string& rest) {
  std::string value = markdown ? "```\n" + code + "\n```" + (rest.empty() ? "" : "\n\n" + rest)
                               : code + (rest.empty() ? "" : "\n\n" + rest);
  return TJson{{"kind", markdown ? "markdown" : "plaintext"}, {"value", value}};
}

}  // namespace

TSession::TPlace TSession::PlaceAt(const TJson& params) {
  TPlace place;
  place.Path = PathOf(params);
  if (Workspace.KindOf(place.Path) != TDocumentKind::Script) return place;
  uint64_t generation = 0;
  place.Text = Workspace.Text(place.Path, &generation);
  if (!place.Text) return place;
  place.Analysis = &Analyses.Analyse(place.Path, true);
  place.Offset = place.Text->OffsetOf(PositionFromJson(params.at("position")));
  const std::vector<TSeenItem>& seen = place.Analysis->Seen;
  auto it = std::upper_bound(seen.begin(), seen.end(), place.Offset,
                             [](size_t at, const TSeenItem& item) { return at < item.Begin; });
  if (it != seen.begin()) {
    --it;
    // The place may be just after the reference: the cursor stands there after typing it.
    if (place.Offset <= it->End && it->Kind != TSeen::ClearLocals) place.Item = &*it;
  }
  return place;
}

TJson TSession::LocationOf(const std::string& path, size_t from, size_t to) {
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  TRange range;
  if (text) range = TRange{text->PositionOf(from), text->PositionOf(to)};
  return TJson{{"uri", Workspace.UriOf(path)}, {"range", ToJson(range)}};
}

TJson TSession::DeclarationOf(const TPlace& place) {
  const TSeenItem& item = *place.Item;
  if (item.Local != SIZE_MAX) {
    const TSeenItem& local = place.Analysis->Seen[item.Local];
    return LocationOf(place.Path, local.NameAt, local.NameAt + local.NameSize);
  }
  if (item.Entry == SIZE_MAX) return nullptr;
  TSite site = SiteOf(*place.Analysis, item.Kind == TSeen::Constant, item.Entry);
  if (site.Path.empty()) return nullptr;
  return LocationOf(site.Path, site.Begin, site.End);
}

TJson TSession::Hover(const TJson& params) {
  TPlace place = PlaceAt(params);
  if (!place.Item || place.Item->Kind == TSeen::ClearLocals) return nullptr;
  const TSeenItem& item = *place.Item;
  const TState& state = place.Analysis->State;
  std::string name = NameText(*place.Text, item);
  std::string code;
  std::string where;
  if (item.Kind == TSeen::Local) {
    code = "~" + name + " = " + Utf8FromWin1251(item.Value);
    where = "локальная переменная";
  } else if (item.Local != SIZE_MAX) {
    const TSeenItem& local = place.Analysis->Seen[item.Local];
    code =
        Utf8FromWin1251(ReferenceValue(local.Value, place.Text->Bytes()[item.Begin], item.Index));
    code = place.Text->Utf8(item.Begin, item.End) + " → " + code;
    where = "локальная переменная, объявлена в строке " +
            std::to_string(place.Text->PositionOf(local.Begin).Line + 1);
  } else if (item.Entry == SIZE_MAX) {
    return nullptr;
  } else if (item.Kind == TSeen::Constant) {
    code = Utf8FromWin1251(state.Constants.Replacement(state.Constants[item.Entry]));
    where = "константа (" + name + ")";
  } else {
    std::string value(state.Vars.Replacement(state.Vars[item.Entry]));
    code = place.Text->Utf8(item.Begin, item.End) + " → " +
           Utf8FromWin1251(ReferenceValue(value, place.Text->Bytes()[item.Begin], item.Index));
    where = "переменная $" + Utf8FromWin1251(std::string(state.Vars.Name(state.Vars[item.Entry]))) +
            "$ = " + Utf8FromWin1251(value);
  }
  if (item.Kind != TSeen::Local && item.Local == SIZE_MAX) {
    const TInput* input =
        TAnalyses::InputOf(*place.Analysis, item.Kind == TSeen::Constant, item.Entry);
    if (input) {
      TSite site = SiteOf(*place.Analysis, item.Kind == TSeen::Constant, item.Entry);
      std::string file(FileNameOf(input->Path));
      where += ", объявлена в " + file + (site.Line ? ":" + std::to_string(site.Line) : "");
    }
  }
  TRange range{place.Text->PositionOf(item.Begin), place.Text->PositionOf(item.End)};
  return TJson{{"contents", MarkupOf(Markdown, code, where)}, {"range", ToJson(range)}};
}

TJson TSession::Definition(const TJson& params) {
  TPlace place = PlaceAt(params);
  if (!place.Item) return nullptr;
  return DeclarationOf(place);
}

TJson TSession::References(const TJson& params) {
  TPlace place = PlaceAt(params);
  if (!place.Item) return TJson::array();
  TJson list = TJson::array();
  bool withDeclaration =
      params.contains("context") && params["context"].value("includeDeclaration", false);
  for (const TReferenceSite& site : ReferencesOf(place)) {
    if (site.Declaration && !withDeclaration) continue;
    list.push_back(LocationOf(site.Path, site.Begin, site.End));
  }
  return list;
}

TJson TSession::Completion(const TJson& params) {
  TPlace place = PlaceAt(params);
  TJson items = TJson::array();
  if (!place.Analysis) return TJson{{"isIncomplete", false}, {"items", items}};
  const std::string& bytes = place.Text->Bytes();
  TReferenceContext context = ReferenceContextAt(bytes, place.Offset);
  if (context.Mark == 0) return TJson{{"isIncomplete", false}, {"items", items}};
  char close = context.Mark == '(' ? ')' : context.Mark;
  bool closed = place.Offset < bytes.size() && bytes[place.Offset] == close;
  std::string prefix = bytes.substr(context.NameAt, place.Offset - context.NameAt);
  TRange replaced{place.Text->PositionOf(context.NameAt), place.Text->PositionOf(place.Offset)};
  bool incomplete = false;
  auto add = [&](const std::string& name, const std::string& detail, int kind) {
    if (!StartsWithFolded(name, prefix)) return;
    if (items.size() >= kMaxCompletions) {
      incomplete = true;
      return;
    }
    std::string label = Utf8FromWin1251(name);
    std::string insert = label + (closed ? "" : std::string(1, close));
    items.push_back(TJson{{"label", label},
                          {"kind", kind},
                          {"detail", Utf8FromWin1251(detail)},
                          {"filterText", label},
                          {"textEdit", {{"range", ToJson(replaced)}, {"newText", insert}}}});
  };
  const TState& state = place.Analysis->State;
  if (context.Mark == '(') {
    for (size_t i = 0; i < state.Constants.size(); ++i) {
      add(std::string(state.Constants.Name(state.Constants[i])),
          std::string(state.Constants.Replacement(state.Constants[i])), 21);
    }
  } else {
    for (const TSeenItem* local : LocalsAt(*place.Analysis, place.Offset)) {
      add(place.Text->Bytes().substr(local->NameAt, local->NameSize), local->Value, 6);
    }
    for (size_t i = 0; i < place.Analysis->Globals; ++i) {
      add(std::string(state.Vars.Name(state.Vars[i])),
          std::string(state.Vars.Replacement(state.Vars[i])), 6);
    }
  }
  return TJson{{"isIncomplete", incomplete}, {"items", items}};
}

TJson TSession::PrepareRename(const TJson& params) {
  TPlace place = PlaceAt(params);
  if (!place.Item || (place.Item->Kind != TSeen::Local && place.Item->Entry == SIZE_MAX)) {
    return nullptr;
  }
  const TSeenItem& item = *place.Item;
  TRange range{place.Text->PositionOf(item.NameAt),
               place.Text->PositionOf(item.NameAt + item.NameSize)};
  return TJson{{"range", ToJson(range)}, {"placeholder", NameText(*place.Text, item)}};
}

TJson TSession::Rename(const TJson& params) {
  TPlace place = PlaceAt(params);
  if (!place.Item || (place.Item->Kind != TSeen::Local && place.Item->Entry == SIZE_MAX)) {
    throw TRequestError{rpc::kRequestFailed, "здесь нет имени, которое можно переименовать"};
  }
  const std::string& newNameUtf8 = StringAt(params, "newName");
  TText converted;
  converted.AssignUtf8(newNameUtf8);
  if (!converted.Foreign().empty()) {
    throw TRequestError{rpc::kRequestFailed,
                        "имя «" + newNameUtf8 + "» нельзя записать в Windows-1251"};
  }
  std::string newName = converted.Bytes();
  bool constant = place.Item->Kind == TSeen::Constant;
  if (std::string problem = NameProblem(newName, constant); !problem.empty()) {
    throw TRequestError{rpc::kRequestFailed, "«" + newNameUtf8 + "»: " + problem};
  }
  std::vector<TReferenceSite> sites = ReferencesOf(place);
  if (std::none_of(sites.begin(), sites.end(),
                   [](const TReferenceSite& site) { return site.Declaration; })) {
    throw TRequestError{rpc::kRequestFailed, "место объявления этого имени неизвестно"};
  }
  if (std::string taken = NameTaken(place, newName); !taken.empty()) {
    throw TRequestError{rpc::kRequestFailed, taken};
  }
  // One text document edit per file, each carrying the open document's version.
  std::map<std::string, TJson> edits;
  for (const TReferenceSite& site : sites) {
    uint64_t generation = 0;
    const TText* text = Workspace.Text(site.Path, &generation);
    if (!text) continue;
    TRange range{text->PositionOf(site.NameAt), text->PositionOf(site.NameAt + site.NameSize)};
    edits[site.Path].push_back(TJson{{"range", ToJson(range)}, {"newText", newNameUtf8}});
  }
  TJson changes = TJson::array();
  for (auto& [path, list] : edits) {
    TDocument* document = Workspace.Find(path);
    TJson version = document ? TJson(document->Version) : TJson(nullptr);
    changes.push_back(TJson{
        {"textDocument", {{"uri", Workspace.UriOf(path)}, {"version", version}}}, {"edits", list}});
  }
  return TJson{{"documentChanges", changes}};
}

TJson TSession::DocumentSymbol(const TJson& params) {
  std::string path = PathOf(params);
  TJson list = TJson::array();
  TDocumentKind kind = Workspace.KindOf(path);
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  if (!text) return list;
  auto symbol = [&](const std::string& name, const std::string& detail, int kind2, size_t from,
                    size_t to, size_t nameFrom, size_t nameTo) {
    list.push_back(TJson{
        {"name", name},
        {"detail", detail},
        {"kind", kind2},
        {"range", ToJson(TRange{text->PositionOf(from), text->PositionOf(to)})},
        {"selectionRange", ToJson(TRange{text->PositionOf(nameFrom), text->PositionOf(nameTo)})}});
  };
  if (kind == TDocumentKind::Script) {
    TAnalysis& analysis = Analyses.Analyse(path, true);
    for (const TSeenItem& item : analysis.Seen) {
      if (item.Kind != TSeen::Local) continue;
      symbol(NameText(*text, item), Utf8FromWin1251(item.Value), 13, item.Begin, item.End,
             item.NameAt, item.NameAt + item.NameSize);
    }
  } else if (kind == TDocumentKind::Declarations) {
    TAnalysis& analysis = Analyses.Analyse(WithExtension(path, ".erm"));
    for (const TDeclaredName& name : DeclaredIn(analysis, path)) {
      symbol(Utf8FromWin1251(name.Name), Utf8FromWin1251(name.Value), name.Constant ? 14 : 13,
             name.Site.Begin, name.Site.End, name.Site.Begin, name.Site.End);
    }
  }
  return list;
}

TJson TSession::WorkspaceSymbol(const TJson& params) {
  std::string query = Win1251(params.value("query", std::string()));
  TJson list = TJson::array();
  std::set<std::string> done;
  for (const std::string& path : Workspace.OpenPaths()) {
    TDocumentKind kind = Workspace.KindOf(path);
    if (kind == TDocumentKind::Other) continue;
    std::string script = kind == TDocumentKind::Script ? path : WithExtension(path, ".erm");
    TAnalysis& analysis = Analyses.Analyse(script);
    for (const TInput& input : analysis.Inputs) {
      if (!done.insert(input.Path).second) continue;
      for (const TDeclaredName& name : DeclaredIn(analysis, input.Path)) {
        if (!ContainsFolded(name.Name, query) || list.size() >= kMaxCompletions) continue;
        std::string shown = name.Constant ? "(" + name.Name + ")" : "$" + name.Name + "$";
        list.push_back(TJson{{"name", Utf8FromWin1251(shown)},
                             {"kind", name.Constant ? 14 : 13},
                             {"location", LocationOf(input.Path, name.Site.Begin, name.Site.End)},
                             {"containerName", std::string(FileNameOf(input.Path))}});
      }
    }
  }
  return list;
}

TJson TSession::CodeAction(const TJson& params) {
  std::string path = PathOf(params);
  TJson actions = TJson::array();
  if (Workspace.KindOf(path) != TDocumentKind::Script) return actions;
  if (!params.contains("context") || !params["context"].contains("diagnostics")) return actions;
  for (const TJson& diagnostic : params["context"]["diagnostics"]) {
    std::string code = diagnostic.value("code", std::string());
    std::string message = diagnostic.value("message", std::string());
    if (code != "undeclared-variable" && code != "undeclared-constant") continue;
    // The name stands between the message's marks: "$NAME$" or "(NAME)".
    bool constant = code == "undeclared-constant";
    size_t open = message.find(constant ? '(' : '$');
    size_t close = constant ? message.rfind(')') : message.find('$', open + 1);
    if (open == std::string::npos || close == std::string::npos || close <= open) continue;
    std::string name = message.substr(open + 1, close - open - 1);
    std::string target = WithExtension(path, ".txt");
    uint64_t generation = 0;
    const TText* text = Workspace.Text(target, &generation);
    TPosition end = text ? text->PositionOf(text->Bytes().size()) : TPosition{};
    bool needsBreak = text && !text->Bytes().empty() && text->Bytes().back() != '\n';
    std::string line =
        (needsBreak ? "\r\n" : "") + (constant ? "(" + name + ") = ''" : name + " = v0") + "\r\n";
    TDocument* document = Workspace.Find(target);
    TJson edit{{"textDocument",
                {{"uri", Workspace.UriOf(target)},
                 {"version", document ? TJson(document->Version) : TJson(nullptr)}}},
               {"edits", {{{"range", ToJson(TRange{end, end})}, {"newText", line}}}}};
    TJson changes = TJson::array();
    if (!text) {
      changes.push_back(TJson{{"kind", "create"}, {"uri", Workspace.UriOf(target)}});
    }
    changes.push_back(edit);
    std::string shown = constant ? "(" + name + ")" : "$" + name + "$";
    actions.push_back(
        TJson{{"title", "Объявить " + shown + " в " + std::string(FileNameOf(target))},
              {"kind", "quickfix"},
              {"diagnostics", {diagnostic}},
              {"edit", {{"documentChanges", changes}}}});
  }
  return actions;
}

TJson TSession::Translate(const TJson& params) {
  std::string path = PathOf(params);
  TAnalysis& analysis = Analyses.Analyse(path, false, true);
  size_t errors = 0;
  for (const TFail& report : analysis.Reports) errors += report.Severity == TSeverity::Error;
  for (const TFail& report : analysis.TableReports) errors += report.Severity == TSeverity::Error;
  return TJson{{"text", Utf8FromWin1251(analysis.Output)}, {"errors", errors}};
}

TJson TSession::ExecuteCommand(const TJson& params) {
  const std::string& command = StringAt(params, "command");
  if (command != "zunt.preview") {
    throw TRequestError{rpc::kInvalidParams, "unknown command: " + command};
  }
  if (!params.contains("arguments") || !params["arguments"].is_array() ||
      params["arguments"].empty()) {
    throw TRequestError{rpc::kInvalidParams, "zunt.preview needs a document's URI"};
  }
  const TJson& argument = params["arguments"][0];
  TJson uri = argument.is_string() ? argument : argument.value("uri", TJson());
  return Translate(TJson{{"textDocument", {{"uri", uri}}}});
}

}  // namespace zunt
