// Quick fixes: declare an undeclared name in the script's declarations file.
#include "base/cp1251.h"
#include "server/names.h"
#include "server/session.h"

namespace zunt {

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

}  // namespace zunt
