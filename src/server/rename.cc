// Renaming a name: a local within its script, a declared variable or
// constant in its declarations file and in every script that reads it.
#include <map>

#include "base/cp1251.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {
namespace {

// Returns the UTF-8 text of a name as its file holds it.
std::string NameText(const TText& text, const TSeenItem& item) {
  return text.Utf8(item.NameAt, item.NameAt + item.NameSize);
}

}  // namespace

void TSession::RefuseUnknownSite(const TPlace& place) {
  const TSeenItem& item = *place.Item;
  if (item.Kind == TSeen::Local || item.Local != SIZE_MAX) return;
  // The declaration is renamed too: its place must be known, and the file as the tables read it.
  if (SiteOf(Workspace, *place.Analysis, item.Kind == TSeen::Constant, item.Entry).Line == 0) {
    throw TRequestError{rpc::kRequestFailed, "место объявления этого имени неизвестно"};
  }
}

void TSession::RefuseUnfinished(const TPlace& place) {
  // A reader stopped by an error left references unseen, or names that
  // the new one may take.
  const TSeenItem& item = *place.Item;
  bool local = item.Kind == TSeen::Local || item.Local != SIZE_MAX;
  std::string also = place.Analysis->Path;
  std::vector<std::string> scripts{also};
  if (!local) {
    TSite site = SiteOf(Workspace, *place.Analysis, item.Kind == TSeen::Constant, item.Entry);
    for (const std::string& script : ScriptsReading(site.Path, also)) {
      if (script != also) scripts.push_back(script);
    }
  }
  for (const std::string& script : scripts) {
    TAnalysis& analysis = Analyses.Analyse(script, true);
    for (const TInput& input : analysis.Inputs) {
      if (input.Whole) continue;
      throw TRequestError{rpc::kRequestFailed, "файл " + std::string(FileNameOf(input.Path)) +
                                                   " прочитан не до конца из-за ошибки: "
                                                   "исправьте её, чтобы переименовать"};
    }
    if (!analysis.Whole && Workspace.KindOf(script) == TDocumentKind::Script) {
      throw TRequestError{rpc::kRequestFailed, "скрипт " + std::string(FileNameOf(script)) +
                                                   " проверен не до конца из-за ошибок: "
                                                   "исправьте их, чтобы переименовать"};
    }
  }
}

TJson TSession::PrepareRename(const TJson& params) {
  TPlace place = PlaceAt(params);
  if (!place.Item || (place.Item->Kind != TSeen::Local && place.Item->Entry == SIZE_MAX)) {
    return nullptr;
  }
  const TSeenItem& item = *place.Item;
  RefuseUnknownSite(place);
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
  RefuseUnknownSite(place);
  RefuseUnfinished(place);
  if (std::string taken = NameTaken(place, newName); !taken.empty()) {
    throw TRequestError{rpc::kRequestFailed, taken};
  }
  std::vector<TReferenceSite> sites = ReferencesOf(place);
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
  return WorkspaceEdit(std::move(changes));
}

TJson TSession::WorkspaceEdit(TJson documentChanges) const {
  if (DocumentChanges) return TJson{{"documentChanges", std::move(documentChanges)}};
  // Edits by URI; a file to make first cannot be asked for so.
  TJson changes = TJson::object();
  for (TJson& change : documentChanges) {
    if (!change.contains("textDocument")) continue;
    TJson& list = changes[change["textDocument"]["uri"].get<std::string>()];
    for (TJson& edit : change["edits"]) list.push_back(std::move(edit));
  }
  return TJson{{"changes", std::move(changes)}};
}

}  // namespace zunt
