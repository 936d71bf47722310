// The features that look into the names: hover, definition, references,
// completion and the translated script. They take the places of references
// and locals from the translator's pass, and those of declared names from
// the tables.
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
  TDocumentKind kind = Workspace.KindOf(place.Path);
  if (kind == TDocumentKind::Other) return place;
  uint64_t generation = 0;
  place.Text = Workspace.Text(place.Path, &generation);
  if (!place.Text) return place;
  place.Offset = place.Text->OffsetOf(PositionFromJson(params.at("position")));
  if (kind == TDocumentKind::Declarations) {
    place.InDeclarations = true;
    place.Analysis = &AnalysisOfDeclarations(place.Path);
    std::optional<TDeclaredName> name =
        DeclaredAt(Workspace, *place.Analysis, place.Path, place.Offset);
    if (!name) return place;
    auto item = std::make_shared<TSeenItem>();
    item->Kind = name->Constant ? TSeen::Constant : TSeen::Variable;
    item->Begin = item->NameAt = name->Site.Begin;
    item->End = name->Site.End;
    item->NameSize = name->Site.End - name->Site.Begin;
    item->Entry = name->Entry;
    place.Declared = item;
    place.Item = item.get();
    return place;
  }
  place.Analysis = &Analyses.Analyse(place.Path);
  // The last item that begins at or before the place, and the local it
  // names; the pass stops at the first one after it.
  TSeenItem last;
  std::optional<TSeenItem> local;
  bool any = false;
  Visit(*place.Analysis, [&](const TSeenItem& item, const TSeenItem* declaration) {
    if (item.Begin > place.Offset) return false;
    last = item;
    any = true;
    local.reset();
    if (declaration) local = *declaration;
    return true;
  });
  // The place may be just after the reference: the cursor stands there after typing it.
  if (any && place.Offset <= last.End && last.Kind != TSeen::ClearLocals) {
    place.Found = std::make_shared<TSeenItem>(std::move(last));
    place.Item = place.Found.get();
    place.Local = std::move(local);
  }
  return place;
}

void TSession::Visit(TAnalysis& analysis, const TVisit& visit) {
  uint64_t generation = 0;
  const TText* text = Workspace.Text(analysis.Path, &generation);
  if (!text || analysis.ScriptGeneration != generation) return;  // no pass could be made
  Analyses.Visit(analysis, *text, visit, [this] { StopIfCancelled(); });
}

std::vector<TSeenItem> TSession::LocalsAt(TAnalysis& analysis, size_t offset) {
  std::vector<TSeenItem> locals;
  Visit(analysis, [&](const TSeenItem& item, const TSeenItem*) {
    if (item.Begin >= offset) return false;
    if (item.Kind == TSeen::ClearLocals) locals.clear();
    if (item.Kind == TSeen::Local) locals.push_back(item);
    return true;
  });
  return locals;
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
  if (place.Local)
    return LocationOf(place.Path, place.Local->NameAt, place.Local->NameAt + place.Local->NameSize);
  if (item.Entry == SIZE_MAX) return nullptr;
  TSite site = SiteOf(Workspace, *place.Analysis, item.Kind == TSeen::Constant, item.Entry);
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
  } else if (place.Local) {
    const TSeenItem& local = *place.Local;
    code =
        Utf8FromWin1251(ReferenceValue(local.Value, place.Text->Bytes()[item.Begin], item.Index));
    code = place.Text->Utf8(item.Begin, item.End) + " → " + code;
    where = "локальная переменная, объявлена в строке " +
            std::to_string(place.Text->PositionOf(local.Begin).Line + 1);
  } else if (item.Entry == SIZE_MAX) {
    return nullptr;
  } else if (item.Kind == TSeen::Constant) {
    code = Utf8FromWin1251(state.Constants.Replacement(state.Constants.At(item.Entry)));
    where = "константа (" + name + ")";
  } else {
    // At its declaration a name reads as "$NAME$" would.
    std::string value(state.Vars.Replacement(state.Vars.At(item.Entry)));
    char mark = place.InDeclarations ? '$' : place.Text->Bytes()[item.Begin];
    code = (place.InDeclarations ? "$" + name + "$" : place.Text->Utf8(item.Begin, item.End)) +
           " → " + Utf8FromWin1251(ReferenceValue(value, mark, item.Index));
    where = "переменная $" +
            Utf8FromWin1251(std::string(state.Vars.Name(state.Vars.At(item.Entry)))) +
            "$ = " + Utf8FromWin1251(value);
  }
  if (item.Kind != TSeen::Local && item.Local == SIZE_MAX) {
    const TInput* input =
        TAnalyses::InputOf(*place.Analysis, item.Kind == TSeen::Constant, item.Entry);
    if (input) {
      // The line as the editor counts it.
      TSite site = SiteOf(Workspace, *place.Analysis, item.Kind == TSeen::Constant, item.Entry);
      uint64_t generation = 0;
      const TText* text = site.Line ? Workspace.Text(site.Path, &generation) : nullptr;
      std::string file(FileNameOf(input->Path));
      where += ", объявлена в " + file +
               (text ? ":" + std::to_string(text->PositionOf(site.Begin).Line + 1) : "");
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

TJson TSession::DocumentHighlight(const TJson& params) {
  TPlace place = PlaceAt(params);
  TJson list = TJson::array();
  if (!place.Item) return list;
  for (const TReferenceSite& site : ReferencesOf(place, true)) {
    TRange range{place.Text->PositionOf(site.Begin), place.Text->PositionOf(site.End)};
    list.push_back(TJson{{"range", ToJson(range)}, {"kind", site.Declaration ? 3 : 2}});
  }
  return list;
}

TJson TSession::Completion(const TJson& params) {
  TPlace place = PlaceAt(params);
  TJson items = TJson::array();
  if (!place.Analysis || place.InDeclarations)
    return TJson{{"isIncomplete", false}, {"items", items}};
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
    for (size_t i = 0; i < state.Constants.Below() + state.Constants.size(); ++i) {
      add(std::string(state.Constants.Name(state.Constants.At(i))),
          std::string(state.Constants.Replacement(state.Constants.At(i))), 21);
    }
  } else {
    for (const TSeenItem& local : LocalsAt(*place.Analysis, place.Offset)) {
      add(place.Text->Bytes().substr(local.NameAt, local.NameSize), local.Value, 6);
    }
    for (size_t i = 0; i < place.Analysis->Globals; ++i) {
      add(std::string(state.Vars.Name(state.Vars.At(i))),
          std::string(state.Vars.Replacement(state.Vars.At(i))), 6);
    }
  }
  return TJson{{"isIncomplete", incomplete}, {"items", items}};
}

TJson TSession::Translate(const TJson& params) {
  std::string path = PathOf(params);
  // Scripts alone: no other file's text is handed out.
  if (!HasExtension(path, ".erm")) {
    throw TRequestError{rpc::kInvalidParams, "not a script (.erm): " + path};
  }
  RefuseStale(path);
  TAnalysis& analysis = Analyses.Analyse(path, true);
  size_t errors = 0;
  for (const TFail& report : analysis.Reports) errors += report.Severity == TSeverity::Error;
  for (const TFail& report : analysis.TableReports) errors += report.Severity == TSeverity::Error;
  std::string output = std::move(analysis.Output);
  analysis.Output = std::string();  // a whole script's translation is not kept
  return TJson{{"text", Utf8FromWin1251(output)}, {"errors", errors}};
}

TJson TSession::ExecuteCommand(const TJson& params) {
  const std::string& command = StringAt(params, "command");
  if (command != "zunt.preview" && command != "zunt.variables") {
    throw TRequestError{rpc::kInvalidParams, "unknown command: " + command};
  }
  if (!params.contains("arguments") || !params["arguments"].is_array() ||
      params["arguments"].empty()) {
    throw TRequestError{rpc::kInvalidParams, command + " needs a document's URI"};
  }
  const TJson& argument = params["arguments"][0];
  TJson uri = argument.is_string() ? argument : argument.value("uri", TJson());
  if (command == "zunt.variables")
    return Variables(PathOf(TJson{{"textDocument", {{"uri", uri}}}}));
  return Translate(TJson{{"textDocument", {{"uri", uri}}}});
}

}  // namespace zunt
