// Quick fixes: declare an undeclared name in the script's declarations
// file, and the obvious edits that the warnings ask for.
#include "base/cp1251.h"
#include "server/fixes.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {
namespace {

// Returns a member's text, or empty when it is missing or no string.
std::string StringOr(const TJson& object, const char* key) {
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

TJson TSession::CodeAction(const TJson& params) {
  std::string path = PathOf(params);
  TJson actions = TJson::array();
  TDocumentKind kind = Workspace.KindOf(path);
  if (kind == TDocumentKind::Other) return actions;
  if (!params.contains("context") || !params["context"].contains("diagnostics") ||
      !params["context"]["diagnostics"].is_array()) {
    return actions;
  }
  for (const TJson& diagnostic : params["context"]["diagnostics"]) {
    if (!diagnostic.is_object()) continue;
    std::string code = StringOr(diagnostic, "code");
    std::string message = StringOr(diagnostic, "message");
    if (TJson fix = WarningFix(path, code, diagnostic); !fix.is_null()) {
      actions.push_back(std::move(fix));
      continue;
    }
    if (kind != TDocumentKind::Script) continue;
    if (code != "undeclared-variable" && code != "undeclared-constant") continue;
    // The name stands between the message's marks: "$NAME$" or "(NAME)".
    bool constant = code == "undeclared-constant";
    size_t open = message.find(constant ? '(' : '$');
    size_t close = constant ? message.rfind(')') : message.find('$', open + 1);
    if (open == std::string::npos || close == std::string::npos || close <= open) continue;
    std::string name = message.substr(open + 1, close - open - 1);
    // The script's own declarations file first, then the mod's includes that exist.
    std::string own = WithExtension(path, ".txt");
    if (TJson fix = DeclareFix(own, name, constant, diagnostic); !fix.is_null()) {
      actions.push_back(std::move(fix));
    }
    for (const std::string& input : Analyses.InputsOf(path)) {
      uint64_t generation = 0;
      if (input == own || !Workspace.Text(input, &generation)) continue;
      actions.push_back(DeclareFix(input, name, constant, diagnostic));
    }
  }
  return actions;
}

TJson TSession::DeclareFix(const std::string& target, const std::string& name, bool constant,
                           const TJson& diagnostic) {
  uint64_t generation = 0;
  const TText* text = Workspace.Text(target, &generation);
  if (!text && !CreateFiles) return nullptr;  // the client cannot make the file
  TPosition end = text ? text->PositionOf(text->Bytes().size()) : TPosition{};
  bool needsBreak = text && !text->Bytes().empty() && text->Bytes().back() != '\n';
  std::string lineEnd = Workspace.EditLineEnd();
  std::string line =
      (needsBreak ? lineEnd : "") + (constant ? "(" + name + ") = ''" : name + " = v0") + lineEnd;
  TDocument* document = Workspace.Find(target);
  TJson edit{{"textDocument",
              {{"uri", Workspace.UriOf(target)},
               {"version", document ? TJson(document->Version) : TJson(nullptr)}}},
             {"edits", {{{"range", ToJson(TRange{end, end})}, {"newText", line}}}}};
  TJson changes = TJson::array();
  if (!text) changes.push_back(TJson{{"kind", "create"}, {"uri", Workspace.UriOf(target)}});
  changes.push_back(edit);
  std::string shown = constant ? "(" + name + ")" : "$" + name + "$";
  return TJson{{"title", "Объявить " + shown + " в " + std::string(FileNameOf(target))},
               {"kind", "quickfix"},
               {"diagnostics", TJson::array({diagnostic})},
               {"edit", WorkspaceEdit(std::move(changes))}};
}

TJson TSession::WarningFix(const std::string& path, const std::string& code,
                           const TJson& diagnostic) {
  if (code == "unused" && Workspace.KindOf(path) == TDocumentKind::Declarations) {
    return RemoveUnusedFix(path, diagnostic);
  }
  uint64_t generation = 0;
  const TText* text = Workspace.Text(path, &generation);
  if (!text || !diagnostic.contains("range")) return nullptr;
  TRange range = RangeFromJson(diagnostic["range"]);
  TTextFix fix = FixOf(code, text->Bytes(), text->OffsetOf(range.Start));
  if (fix.Title.empty()) return nullptr;
  TDocument* document = Workspace.Find(path);
  TJson edit{{"range", ToJson(TRange{text->PositionOf(fix.Begin), text->PositionOf(fix.End)})},
             {"newText", Utf8FromWin1251(fix.Text)}};
  TJson change{{"textDocument",
                {{"uri", Workspace.UriOf(path)},
                 {"version", document ? TJson(document->Version) : TJson(nullptr)}}},
               {"edits", TJson::array({edit})}};
  return TJson{{"title", fix.Title},
               {"kind", "quickfix"},
               {"diagnostics", TJson::array({diagnostic})},
               {"isPreferred", true},
               {"edit", WorkspaceEdit(TJson::array({change}))}};
}

}  // namespace zunt
