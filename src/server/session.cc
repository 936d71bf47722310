#include "server/session.h"

#include <climits>
#include <new>
#include <optional>
#include <utility>

#include "server/reports.h"
#include "server/uri.h"

namespace zunt {

TSession::TSession(TSend send, TLogLine log, std::string_view version, const THashSeed& seed,
                   TPlatform* platform)
    : Send(std::move(send)),
      Log(std::move(log)),
      Version(version),
      Seed(seed),
      Workspace(platform),
      Analyses(Workspace, seed) {}

void TSession::Handle(TMessage& message) {
  switch (message.Kind) {
    case TMessage::Invalid:
      Log("invalid message: " + message.ErrorText);
      // A message whose id could not be read is answered with a null id.
      Send(ErrorBody(message.Id, message.Error, message.ErrorText));
      return;
    case TMessage::Response:
      return;  // the server sends no requests
    case TMessage::Notification:
      Taken = &message.Taken;
      try {
        Notification(message.Method, message.Params);
      } catch (const TRequestError& error) {
        Log(message.Method + ": " + error.Message);
      } catch (const std::exception& error) {
        Log(message.Method + ": " + error.what());
      }
      Taken = nullptr;
      return;
    case TMessage::Request:
      break;
  }
  try {
    Send(ResultBody(message.Id, Request(message.Method, message.Params)));
  } catch (const TRequestError& error) {
    Send(ErrorBody(message.Id, error.Code, error.Message));
  } catch (const TJson::exception& error) {  // a member of the params missing, or of another type
    Send(ErrorBody(message.Id, rpc::kInvalidParams, error.what()));
  } catch (const std::bad_alloc&) {
    Send(ErrorBody(message.Id, rpc::kInternalError, "недостаточно памяти"));
  } catch (const std::exception& error) {
    Log(message.Method + ": " + error.what());
    Send(ErrorBody(message.Id, rpc::kInternalError, error.what()));
  }
}

void TSession::Cancelled(const TJson& id) {
  Send(ErrorBody(id, rpc::kRequestCancelled, "the request was cancelled"));
}

void TSession::StopIfCancelled() const {
  if (CancelFlag && CancelFlag->load(std::memory_order_relaxed)) {
    throw TRequestError{rpc::kRequestCancelled, "the request was cancelled"};
  }
}

void TSession::StreamBroken(const std::string& why) {
  Log("the input cannot be trusted (" + why + "): the server exits");
  Send(NotificationBody(
      "window/showMessage",
      TJson{{"type", 1},
            {"message",
             "zunt: сообщения редактора больше нельзя разобрать: их длина (Content-Length) "
             "недостоверна. Сервер завершает работу; перезапустите его."}}));
}

void TSession::Skipped(const std::string& uri, uint64_t bytes, uint64_t limit) {
  auto mib = [](uint64_t n) { return std::to_string((n + (1 << 20) - 1) >> 20) + " МиБ"; };
  std::string about = uri.empty() ? "сообщение редактора" : "сообщение о документе " + uri;
  Send(NotificationBody(
      "window/showMessage",
      TJson{{"type", 2},
            {"message", "zunt: " + about + " (" + mib(bytes) + ") больше предела в " + mib(limit) +
                            " и пропущено"}}));
  std::string path = uri.empty() ? std::string() : PathFromUri(uri);
  if (TDocument* document = path.empty() ? nullptr : Workspace.Find(path)) {
    LoseStep(*document, "a message about it over the size limit was skipped");
  }
}

void TSession::LoseStep(TDocument& document, const std::string& why) {
  Log(document.Uri + " is out of step with the editor: " + why);
  document.OutOfStep = true;
  Workspace.Changed(document);
  Touched(document.Path);
}

void TSession::RefuseStale(const std::string& path) {
  StopIfCancelled();
  if (TDocument* document = Workspace.Find(path); document && document->OutOfStep) {
    throw TRequestError{rpc::kContentModified,
                        "текст документа разошёлся с редактором: закройте файл и откройте снова"};
  }
}

std::string TSession::Request(const std::string& method, const TJson& params) {
  if (method == "initialize") {
    if (Initialized) throw TRequestError{rpc::kInvalidRequest, "the server is initialized already"};
    return Dump(Initialize(params));
  }
  if (!Initialized) {
    throw TRequestError{rpc::kServerNotInitialized, "the server is not initialized"};
  }
  if (ShutDown) throw TRequestError{rpc::kInvalidRequest, "the server is shut down"};
  // A request about a document out of step with the editor gets no answer
  // made from the wrong text.
  if (params.is_object() && params.contains("textDocument") && params["textDocument"].is_object()) {
    auto uri = params["textDocument"].find("uri");
    if (uri != params["textDocument"].end() && uri->is_string()) {
      if (std::string path = PathFromUri(uri->get<std::string>()); !path.empty()) {
        RefuseStale(path);
      }
    }
  }
  if (method == "shutdown") {
    // What is due goes out before the answer, and nothing after it.
    PublishDue();
    while (Busy) {
      FinishBackground();
      PublishDue();
    }
    ShutDown = true;
    return "null";
  }
  // A file's outline may list a hundred thousand names: written straight as text.
  if (method == "textDocument/documentSymbol") return DocumentSymbol(params);
  using THandler = TJson (TSession::*)(const TJson&);
  static const std::pair<std::string_view, THandler> kRequests[] = {
      {"textDocument/hover", &TSession::Hover},
      {"textDocument/definition", &TSession::Definition},
      {"textDocument/declaration", &TSession::Definition},
      {"textDocument/references", &TSession::References},
      {"textDocument/documentHighlight", &TSession::DocumentHighlight},
      {"textDocument/completion", &TSession::Completion},
      {"textDocument/prepareRename", &TSession::PrepareRename},
      {"textDocument/rename", &TSession::Rename},
      {"workspace/symbol", &TSession::WorkspaceSymbol},
      {"textDocument/codeAction", &TSession::CodeAction},
      {"workspace/executeCommand", &TSession::ExecuteCommand},
      {"zunt/translate", &TSession::Translate},
      {"textDocument/inlayHint", &TSession::InlayHint},
  };
  for (const auto& [name, handler] : kRequests) {
    if (name == method) return Dump((this->*handler)(params));
  }
  throw TRequestError{rpc::kMethodNotFound, "unknown method: " + method};
}

void TSession::Notification(const std::string& method, const TJson& params) {
  if (method == "exit") {
    ExitSeen = true;
    return;
  }
  if (!Initialized || ShutDown) return;  // dropped, as the protocol says
  if (method == "textDocument/didOpen") return DidOpen(params);
  if (method == "textDocument/didChange") return DidChange(params);
  if (method == "textDocument/didClose") return DidClose(params);
  if (method == "textDocument/didSave") {
    // An editor that watches no files: a settings file made since is looked for on save.
    Workspace.Projects().Forget();
    std::string path = PathOf(params);
    // The names a saved script uses count in its open declarations files now.
    UnusedOf.clear();
    for (const std::string& input : Analyses.InputsOf(path)) {
      if (Workspace.Find(input)) Due.insert(input);
    }
    bool hintsDue = HintsDue;  // the editor's text, which the hints showed already
    Touched(path);
    HintsDue = hintsDue;
    return;
  }
  if (method == "workspace/didChangeWatchedFiles") return DidChangeWatchedFiles(params);
  // "initialized", "$/..." and anything else unknown: nothing to do.
}

TJson TSession::Initialize(const TJson& params) {
  Initialized = true;
  if (params.is_object()) {
    const TJson* formats = nullptr;
    try {
      formats = &params.at("capabilities").at("textDocument").at("hover").at("contentFormat");
    } catch (const TJson::exception&) {
    }
    if (formats && formats->is_array()) {
      for (const TJson& format : *formats) Markdown = Markdown || format == "markdown";
    }
    // A client that describes its workspace edits without documentChanges
    // gets edits by URI, without versions.
    const TJson* edits = nullptr;
    try {
      edits = &params.at("capabilities").at("workspace").at("workspaceEdit");
    } catch (const TJson::exception&) {
    }
    if (edits && edits->is_object()) {
      auto it = edits->find("documentChanges");
      DocumentChanges = it != edits->end() && it->is_boolean() && it->get<bool>();
      auto operations = edits->find("resourceOperations");
      if (DocumentChanges && operations != edits->end() && operations->is_array()) {
        for (const TJson& operation : *operations) CreateFiles |= operation == "create";
      }
    }
    try {
      const TJson& refresh =
          params.at("capabilities").at("workspace").at("inlayHint").at("refreshSupport");
      HintsRefresh = refresh.is_boolean() && refresh.get<bool>();
    } catch (const TJson::exception&) {
    }
    // The workspace's folders (or its one root), whose mods workspace/symbol lists.
    const TJson* folders =
        params.contains("workspaceFolders") ? &params["workspaceFolders"] : nullptr;
    auto root = [&](const TJson& object, const char* key) {
      auto it = object.find(key);
      if (it != object.end() && it->is_string())
        Roots.push_back(PathFromUri(it->get<std::string>()));
    };
    if (folders && folders->is_array()) {
      for (const TJson& folder : *folders) {
        if (folder.is_object()) root(folder, "uri");
      }
    } else {
      root(params, "rootUri");
    }
    std::erase(Roots, std::string());
  }
  TJson capabilities{
      {"positionEncoding", "utf-16"},
      {"textDocumentSync",
       {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
      {"hoverProvider", true},
      {"definitionProvider", true},
      {"declarationProvider", true},
      {"referencesProvider", true},
      {"documentHighlightProvider", true},
      {"completionProvider", {{"triggerCharacters", {"$", "@", "("}}}},
      {"renameProvider", {{"prepareProvider", true}}},
      {"documentSymbolProvider", true},
      {"workspaceSymbolProvider", true},
      {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
      {"executeCommandProvider", {{"commands", {"zunt.preview", "zunt.variables"}}}},
      {"inlayHintProvider", true},
  };
  return TJson{{"capabilities", capabilities},
               {"serverInfo", {{"name", "zunt"}, {"version", Version}}}};
}

TConverted* TSession::TakenText(std::string_view pointer) {
  if (!Taken) return nullptr;
  // Of a member written twice the JSON reader keeps the last.
  for (auto it = Taken->rbegin(); it != Taken->rend(); ++it) {
    if (it->Pointer == pointer) return &it->Text;
  }
  return nullptr;
}

std::string TSession::PathOf(const TJson& params) {
  if (!params.is_object() || !params.contains("textDocument")) {
    throw TRequestError{rpc::kInvalidParams, "textDocument is missing"};
  }
  const std::string& uri = StringAt(params["textDocument"], "uri");
  std::string path = PathFromUri(uri);
  if (path.empty()) throw TRequestError{rpc::kInvalidParams, "not a file URI: " + uri};
  return path;
}

namespace {

// Returns a document's version: an integer of 32 bits, as the protocol has
// it; `missing` when there is none, and a TRequestError for anything else.
int64_t VersionOf(const TJson& document, int64_t missing) {
  auto it = document.find("version");
  if (it == document.end() || it->is_null()) return missing;
  if (!it->is_number_integer() || it->get<int64_t>() < INT32_MIN ||
      it->get<int64_t>() > INT32_MAX) {
    throw TRequestError{rpc::kInvalidParams, "a version must be an integer of 32 bits"};
  }
  return it->get<int64_t>();
}

}  // namespace

void TSession::DidOpen(const TJson& params) {
  std::string path = PathOf(params);
  const TJson& document = params["textDocument"];
  int64_t version = VersionOf(document, 0);
  Workspace.Projects().Forget();  // as on save
  UnusedOf.erase(path);
  const std::string& text = StringAt(document, "text");
  if (TConverted* taken = TakenText("/params/textDocument/text")) {
    Workspace.Open(StringAt(document, "uri"), path, version, std::move(*taken));
  } else {
    Workspace.Open(StringAt(document, "uri"), path, version, text);
  }
  bool hintsDue = HintsDue;  // the editor's text of a file already on disk
  Touched(path);
  HintsDue = hintsDue;
}

void TSession::DidChange(const TJson& params) {
  std::string path = PathOf(params);
  TDocument* document = Workspace.Find(path);
  if (!document) {
    Log("didChange of a document that is not open: " + path);
    return;
  }
  // Every change is checked before any is applied: all or none.
  struct TChange {
    const std::string* Text = nullptr;
    TConverted* Taken = nullptr;
    std::optional<TRange> Range;
  };
  std::vector<TChange> changes;
  int64_t version = 0;
  try {
    version = VersionOf(params["textDocument"], document->Version);
    if (!params.contains("contentChanges") || !params["contentChanges"].is_array()) {
      throw TRequestError{rpc::kInvalidParams, "contentChanges must be an array"};
    }
    for (const TJson& change : params["contentChanges"]) {
      TChange checked;
      checked.Text = &StringAt(change, "text");
      checked.Taken =
          TakenText("/params/contentChanges/" + std::to_string(changes.size()) + "/text");
      if (change.contains("range")) checked.Range = RangeFromJson(change["range"]);
      changes.push_back(checked);
    }
  } catch (const TRequestError& error) {
    LoseStep(*document, "a malformed change was not applied: " + error.Message);
    return;
  }
  for (TChange& change : changes) {
    if (!change.Range) document->OutOfStep = false;  // the whole text: in step again
    if (document->OutOfStep) continue;
    if (change.Range && change.Taken) {
      document->Text.Replace(*change.Range, std::move(*change.Taken));
    } else if (change.Range) {
      document->Text.Replace(*change.Range, *change.Text);
    } else if (change.Taken) {
      document->Text.Assign(std::move(*change.Taken));
    } else {
      document->Text.AssignUtf8(*change.Text);
    }
  }
  document->Version = version;
  Workspace.Changed(*document);
  Touched(path);
}

void TSession::DidClose(const TJson& params) {
  std::string path = PathOf(params);
  std::string uri = Workspace.UriOf(path);
  Workspace.Close(path);
  Due.erase(path);
  Send(NotificationBody("textDocument/publishDiagnostics",
                        TJson{{"uri", uri}, {"diagnostics", TJson::array()}}));
  Touched(path);  // the scripts that read it read the file on disk now
  Due.erase(path);
  Analyses.Forget(path);  // a closed script is read again from disk when asked about
}

void TSession::DidChangeWatchedFiles(const TJson& params) {
  if (!params.contains("changes") || !params["changes"].is_array()) return;
  for (const TJson& change : params["changes"]) {
    std::string path = PathFromUri(StringAt(change, "uri"));
    if (path.empty()) continue;
    Workspace.Forget(path);
    if (change.value("type", 2) != 2) Workspace.Projects().Relist();  // made or deleted
    Touched(path);
    if (!Workspace.Find(path)) Due.erase(path);
  }
}

void TSession::Touched(const std::string& path) {
  Due.insert(path);
  Analyses.Unread(path);  // no analysis is in use between messages
  bool project = IsProjectFile(path);
  // What the hints show comes from the declarations and the settings.
  if (project || Workspace.KindOf(path) == TDocumentKind::Declarations) HintsDue = true;
  if (project) Workspace.Projects().Forget();  // it may have come or gone
  for (auto& [script, analysis] : Analyses.All()) {
    if (!Workspace.Find(script)) continue;
    if (project) Due.insert(script);
    for (const TInput& input : analysis->Inputs) {
      if (input.Path == path) Due.insert(script);
    }
  }
}

void TSession::PublishDue() {
  while (!Due.empty()) {  // publishing may make more due (a settings file read again)
    std::set<std::string> due = std::move(Due);
    Due.clear();
    for (const std::string& path : due) Publish(path);
  }
  if (HintsDue && HintsRefresh && !ShutDown) {
    Send(Dump(TJson{{"jsonrpc", "2.0"},
                    {"id", "zunt-" + std::to_string(++ServerRequests)},
                    {"method", "workspace/inlayHint/refresh"}}));
  }
  HintsDue = false;
}

void TSession::PublishList(const std::string& path, TJson diagnostics) {
  if (ShutDown) return;  // a pass in the background may end after "shutdown"
  TDocument* document = Workspace.Find(path);
  if (document && document->OutOfStep) {
    // Whatever was read of its text is not the editor's: this alone is shown.
    diagnostics = TJson::array(
        {TJson{{"range", ToJson(TRange{})},
               {"severity", 1},
               {"source", "zunt"},
               {"code", "out-of-step"},
               {"message",
                "Текст файла в сервере zunt разошёлся с текстом в редакторе (правка не применена): "
                "закройте файл и откройте его снова"}}});
  }
  TJson params{{"uri", Workspace.UriOf(path)}, {"diagnostics", std::move(diagnostics)}};
  if (document) params["version"] = document->Version;
  Send(NotificationBody("textDocument/publishDiagnostics", params));
}

void TSession::PublishInputs(TAnalysis& analysis) {
  if (!analysis.ProjectFile.empty()) PublishProject(analysis.ProjectFile, false);
  for (const TInput& input : analysis.Inputs) {
    uint64_t generation = 0;
    const TText* text = Workspace.Text(input.Path, &generation);
    if (!text) continue;
    // A report of this file, with the notes after it wherever they point.
    std::vector<const TFail*> reports;
    bool ours = false;
    for (const TFail& report : analysis.TableReports) {
      if (report.Severity != TSeverity::Note) ours = report.File == input.Path;
      if (ours) reports.push_back(&report);
    }
    TJson list = DiagnosticsOf(reports, input.Path, *text, Workspace);
    if (TDocument* document = Workspace.Find(input.Path)) {
      for (TJson& item : TextDiagnostics(document->Text, document->Latin1)) list.push_back(item);
      if (analysis.Warnings) {
        for (TJson& item : UnusedHints(input.Path, analysis)) list.push_back(std::move(item));
      }
    }
    PublishList(input.Path, std::move(list));
  }
}

void TSession::Publish(const std::string& path) {
  if (IsProjectFile(path)) return PublishProject(path, true);
  TDocumentKind kind = Workspace.KindOf(path);
  TDocument* document = Workspace.Find(path);
  if (document && document->OutOfStep && kind != TDocumentKind::Declarations) {
    return PublishList(path, TJson::array());  // its one diagnostic says so
  }
  if (kind == TDocumentKind::Other) {
    if (document) PublishList(path, TextDiagnostics(document->Text, document->Latin1));
    return;
  }
  std::string script = kind == TDocumentKind::Script ? path : ScriptFor(path);
  if (script.empty()) {
    if (document) PublishList(path, TextDiagnostics(document->Text, document->Latin1));
    return;
  }
  if (BusyWith(script)) FinishBackground();
  TAnalysis& analysis = Analyses.Analyse(script, false, Busy ? SIZE_MAX : BackgroundFrom);
  if (analysis.PassDue != 0 && StartBackground(script, path)) return;
  if (analysis.TablesRead || kind == TDocumentKind::Declarations) PublishInputs(analysis);
  analysis.TablesRead = false;
  TDocument* scriptDocument = Workspace.Find(script);
  if (!scriptDocument) return;
  std::vector<const TFail*> reports;
  for (const TFail& report : analysis.TableReports) {
    if (report.File == script) reports.push_back(&report);
  }
  for (const TFail& report : analysis.Reports) reports.push_back(&report);
  TJson list = DiagnosticsOf(reports, script, scriptDocument->Text, Workspace);
  for (TJson& item : TextDiagnostics(scriptDocument->Text, scriptDocument->Latin1)) {
    list.push_back(item);
  }
  PublishList(script, std::move(list));
}

}  // namespace zunt
