// Renaming a name: a local within its script, a declared variable or
// constant in its declarations file and in every script that reads it.
#include <map>
#include <set>

#include "base/cp1251.h"
#include "cursor/fold.h"
#include "server/names.h"
#include "server/reports.h"
#include "server/session.h"

namespace zunt {
namespace {

// Returns the UTF-8 text of a name as its file holds it.
std::string NameText(const TText& text, const TSeenItem& item) {
  return text.Utf8(item.NameAt, item.NameAt + item.NameSize);
}

// Returns whether a reference to the name stands in the bytes: $NAME$,
// $NAME[, @NAME@ or ~NAME= for a variable, (NAME) for a constant.
bool Mentions(std::string_view bytes, std::string_view name, bool constant) {
  // The marks before and after the name, pair by pair.
  std::string_view opens = constant ? "(" : "$$@~", closes = constant ? ")" : "$[@=";
  for (size_t at = 0; at + name.size() + 2 <= bytes.size(); ++at) {
    if (!SameName(bytes.substr(at + 1, name.size()), name)) continue;
    for (size_t i = 0; i < opens.size(); ++i) {
      if (bytes[at] == opens[i] && bytes[at + 1 + name.size()] == closes[i]) return true;
    }
  }
  return false;
}

// Returns whether the reader went on right after the error (an undeclared name).
bool ReadOnAfter(const TFail& report) {
  std::string_view code = CodeOf(MessageOf(report));
  return code == "undeclared-variable" || code == "undeclared-constant";
}

// Returns the line (from 1) of the first error in the script after which a
// reference to the name stands on the same line, unread; 0 when there is none.
uint64_t LineWithNameAfterError(const TText& text, const std::vector<TFail>& reports,
                                std::string_view name, bool constant) {
  std::string_view bytes = text.Bytes();
  for (const TFail& report : reports) {
    if (report.Severity != TSeverity::Error || report.Line == 0 || ReadOnAfter(report)) continue;
    size_t at = text.OffsetOfReport(report.Line, report.Column);
    size_t end = bytes.find('\n', at);
    if (Mentions(bytes.substr(at, end == std::string_view::npos ? end : end - at), name,
                 constant)) {
      return report.Line;
    }
  }
  return 0;
}

}  // namespace

void TSession::RefuseUnknownSite(const TPlace& place) {
  const TSeenItem& item = *place.Item;
  if (item.Local != SIZE_MAX) return;
  // The declaration is renamed too: its place must be known, and the file as the tables read it.
  if (SiteOf(Workspace, *place.Analysis, item.Kind == TSeen::Constant, item.Entry).Line == 0) {
    throw TRequestError{rpc::kRequestFailed, "место объявления этого имени неизвестно"};
  }
}

void TSession::RefuseUnfinished(const TPlace& place) {
  // A reader stopped by an error left references unseen, or names that
  // the new one may take.
  const TSeenItem& item = *place.Item;
  bool local = item.Local != SIZE_MAX;
  std::string also = place.Analysis->Path;
  std::vector<std::string> scripts{also};
  if (!local) {
    TSite site = SiteOf(Workspace, *place.Analysis, item.Kind == TSeen::Constant, item.Entry);
    for (const std::string& script : ScriptsReading(site.Path, also)) {
      if (script != also) scripts.push_back(script);
    }
  }
  bool constant = item.Kind == TSeen::Constant;
  std::string name(place.Text->Bytes().substr(item.NameAt, item.NameSize));
  for (const std::string& script : scripts) {
    TAnalysis& analysis = Analyses.Analyse(script);
    // The check of a line stops at its first error: a reference after it is not seen.
    uint64_t generation = 0;
    const TText* text = Workspace.Text(script, &generation);
    if (uint64_t line =
            text ? LineWithNameAfterError(*text, analysis.Reports, name, constant) : 0) {
      throw TRequestError{rpc::kRequestFailed,
                          "скрипт " + std::string(FileNameOf(script)) + ", строка " +
                              std::to_string(line) +
                              ": имя стоит после ошибки, и эта часть строки не проверена: "
                              "исправьте ошибку, чтобы переименовать"};
    }
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
  // What the rename would refuse is said before a new name is typed.
  RefuseUnknownSite(place);
  RefuseUnfinished(place);
  RefuseOutside(place, ReferencesOf(place));
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
  RefuseOutside(place, sites);
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

void TSession::RefuseOutside(const TPlace& place, const std::vector<TReferenceSite>& sites) {
  auto folderOf = [](const std::string& path) {
    size_t end = path.find_last_of("/\\");
    return end == std::string::npos ? std::string(".") : path.substr(0, end + 1);
  };
  std::vector<std::string> folders = Roots;
  if (folders.empty()) folders.push_back(folderOf(place.Path));
  for (const std::string& path : {place.Path, place.Analysis->Path}) {
    if (TServerProject* project = Workspace.Projects().Of(path)) {
      folders.push_back(folderOf(project->File));
    }
  }
  for (std::string& folder : folders) {
    folder = Workspace.RealPath(folder);
    if (folder.back() != '/') folder += '/';
  }
  std::set<std::string> checked;
  for (const TReferenceSite& site : sites) {
    if (!checked.insert(site.Path).second) continue;
    // Through a link the editor would write where the link leads.
    std::string real = Workspace.RealPath(site.Path);
    bool inside = false;
    for (const std::string& folder : folders) inside = inside || real.starts_with(folder);
    if (!inside) {
      throw TRequestError{
          rpc::kRequestFailed,
          "переименование изменило бы файл вне папок рабочей области: " + site.Path};
    }
    RefuseStale(site.Path);
  }
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
