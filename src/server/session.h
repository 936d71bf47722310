// One session with an editor: the lifecycle, the dispatch of methods, the
// open documents and the diagnostics still to publish.
#ifndef ZUNT_SERVER_SESSION_H_
#define ZUNT_SERVER_SESSION_H_

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "server/analysis.h"
#include "server/protocol.h"
#include "server/workspace.h"

namespace zunt {

class TSession {
 public:
  /// Sends a message body (framed by the caller).
  using TSend = std::function<void(const std::string& body)>;
  using TLogLine = std::function<void(std::string_view line)>;

  /// Finds the files' projects through the platform (none without one).
  TSession(TSend send, TLogLine log, std::string_view version,
           const THashSeed& seed = kFixedHashSeed, TPlatform* platform = nullptr);
  ~TSession();

  /// Makes the pass over an open script of at least `least` bytes on a
  /// thread of its own, one at a time, which calls `wake` when it is done;
  /// FinishBackground must then be called. Meanwhile only the requests about
  /// other documents that Settle lets through may be handled.
  void SetBackground(size_t least, std::function<void()> wake);
  /// Before a message is handled: waits for the pass in the background and
  /// publishes its diagnostics, unless the message is a request about
  /// another document that reads what it needs alone.
  void Settle(const TMessage& message);
  /// Waits for the pass in the background, if any, and publishes its diagnostics.
  void FinishBackground();
  /// Returns whether a pass runs in the background.
  bool Background() const { return Busy != nullptr; }

  /// Handles a message; a request is answered exactly once.
  void Handle(TMessage& message);
  /// Answers a request that was cancelled before it was handled.
  void Cancelled(const TJson& id);
  /// Gives the flag that a cancellation of the request being handled sets:
  /// a long request stops when it sees it.
  void SetCancelFlag(const std::atomic<bool>* flag) { CancelFlag = flag; }
  /// Says why the input cannot be read any further, before the server exits.
  void StreamBroken(const std::string& why);
  /// Says that a message over the size limit was skipped; the document it
  /// names, when open, is out of step with the editor from now on.
  void Skipped(const std::string& uri, uint64_t bytes, uint64_t limit);
  /// Publishes the diagnostics that changes have made due.
  void PublishDue();
  /// Returns whether any diagnostics are due.
  bool AnyDue() const { return !Due.empty(); }
  /// Returns whether the editor said "exit"; ExitStatus then tells the status.
  bool Exited() const { return ExitSeen; }
  int ExitStatus() const { return ShutDown ? 0 : 1; }

 private:
  std::string Request(const std::string& method, const TJson& params);
  void Notification(const std::string& method, const TJson& params);
  TJson Initialize(const TJson& params);
  void DidOpen(const TJson& params);
  void DidChange(const TJson& params);
  void DidClose(const TJson& params);
  void DidChangeWatchedFiles(const TJson& params);
  // Marks a file's diagnostics due, and those of the open scripts that read it.
  void Touched(const std::string& path);
  // Publishes a file's diagnostics, and those of the declarations it reads.
  void Publish(const std::string& path);
  void PublishList(const std::string& path, TJson diagnostics);
  // Publishes the reports of a script's declarations files.
  void PublishInputs(TAnalysis& analysis);
  // Publishes what reading a settings file reported: when asked, or when
  // it was read again since.
  void PublishProject(const std::string& file, bool asked);
  // Returns the script whose analysis reads a declarations file, or nothing.
  std::string ScriptFor(const std::string& declarations);
  // Returns the text taken out of the message being handled at a JSON
  // pointer (as "/params/textDocument/text"), or nullptr.
  TConverted* TakenText(std::string_view pointer);
  // Returns the path of a document named by params.textDocument.uri.
  std::string PathOf(const TJson& params);
  // Refuses a request about a document whose text is out of step with the
  // editor's (ContentModified), and stops a cancelled one.
  void RefuseStale(const std::string& path);
  // Stops the request being handled when the client has cancelled it.
  void StopIfCancelled() const;
  // Marks an open document out of step with the editor, and says so.
  void LoseStep(TDocument& document, const std::string& why);

  // A place in a script and what the pass met there, or a place in a
  // declarations file and the name declared there.
  struct TPlace {
    std::string Path;
    const TText* Text = nullptr;
    TAnalysis* Analysis = nullptr;  // nullptr: in no file the tool reads
    size_t Offset = 0;
    const TSeenItem* Item = nullptr;      // Found, or Declared
    bool InDeclarations = false;          // the place is in a declarations file
    std::shared_ptr<TSeenItem> Found;     // in a script: the item there
    std::shared_ptr<TSeenItem> Declared;  // in a declarations file: the name's declaration
    std::optional<TSeenItem> Local;       // the declaration of the local the item is or names
  };
  // A place where a name is written: a reference, or its declaration.
  struct TReferenceSite {
    std::string Path;
    size_t Begin = 0;
    size_t End = 0;
    size_t NameAt = 0;
    size_t NameSize = 0;
    bool Declaration = false;
  };
  // Returns the place that params.textDocument and params.position name.
  TPlace PlaceAt(const TJson& params);
  // Makes a pass over a script for what it meets (see TAnalyses::Visit),
  // which the client's cancellation stops.
  void Visit(TAnalysis& analysis, const TVisit& visit);
  // Returns the locals of a script known at an offset: declared above it
  // and not forgotten by "~~" since.
  std::vector<TSeenItem> LocalsAt(TAnalysis& analysis, size_t offset);
  // Returns an LSP location of bytes of a file.
  TJson LocationOf(const std::string& path, size_t from, size_t to);
  // Returns the location of the declaration of the name at a place, or null.
  TJson DeclarationOf(const TPlace& place);
  // Returns every place where the name at a place is written, in every
  // script that reads its declaration; `here`: in the place's file alone.
  std::vector<TReferenceSite> ReferencesOf(const TPlace& place, bool here = false);
  // Returns the analysis of a script that reads a declarations file (its
  // same-named script when none does): the one that gives the file's names.
  TAnalysis& AnalysisOfDeclarations(const std::string& path);
  // Returns the scripts that read a declarations file, and `also`.
  std::vector<std::string> ScriptsReading(const std::string& declarations, const std::string& also);
  // Refuses to rename a declared name whose declaration is not where the tables say.
  void RefuseUnknownSite(const TPlace& place);
  // Refuses to rename when a script or declarations file it reaches was not read to its end.
  void RefuseUnfinished(const TPlace& place);
  // Refuses a rename whose edits would change a file outside the workspace's
  // folders (or, when the client named none, the document's folder), the
  // folder of the mod's settings file always counting as inside.
  void RefuseOutside(const TPlace& place, const std::vector<TReferenceSite>& sites);
  // Returns why the name at a place cannot be renamed to newName (taken), or nothing.
  std::string NameTaken(const TPlace& place, const std::string& newName);

  // The names no script refers to, in unused.cc. Marks the entries a
  // script's references name, once for each of its passes.
  void MarkUsage(TAnalysis& analysis);
  // Returns the names of a declarations file that no script reading it
  // refers to ("$NAME" or "(NAME", folded); *known is false when it cannot
  // be told (a file read only in part, a script analysed aside).
  std::vector<std::string> UnusedNames(const std::string& path, TAnalysis& analysis, bool* known);
  // Returns the hints of the unused names of an open declarations file.
  TJson UnusedHints(const std::string& path, TAnalysis& analysis);
  // Returns the quick fix that removes an unused name's declaration, or null.
  TJson RemoveUnusedFix(const std::string& path, const TJson& diagnostic);

  // Returns a workspace edit of document changes, as the client takes them.
  TJson WorkspaceEdit(TJson documentChanges) const;
  // Returns the quick fix that declares an undeclared name in the declarations
  // file target, or null when the file is missing and the client cannot make it.
  TJson DeclareFix(const std::string& target, const std::string& name, bool constant,
                   const TJson& diagnostic);
  // Returns the quick fix of a warning (a code action), or null when it has none.
  TJson WarningFix(const std::string& path, const std::string& code, const TJson& diagnostic);

  // The features, in features.cc, rename.cc, symbols.cc and actions.cc.
  TJson Hover(const TJson& params);
  TJson Definition(const TJson& params);
  TJson References(const TJson& params);
  TJson DocumentHighlight(const TJson& params);
  TJson Completion(const TJson& params);
  TJson PrepareRename(const TJson& params);
  TJson Rename(const TJson& params);
  std::string DocumentSymbol(const TJson& params);
  TJson WorkspaceSymbol(const TJson& params);
  TJson CodeAction(const TJson& params);
  TJson Translate(const TJson& params);
  TJson InlayHint(const TJson& params);
  // Returns the map of the variables of the file's mod (or its script), in variables.cc.
  TJson Variables(const std::string& path);
  TJson ExecuteCommand(const TJson& params);

  TSend Send;
  TLogLine Log;
  std::string Version;
  THashSeed Seed;  // the hashes' key
  TWorkspace Workspace;
  TAnalyses Analyses;
  std::set<std::string> Due;
  // The unused names of the includes, by path, until a file is opened or saved.
  std::map<std::string, std::vector<std::string>> UnusedOf;
  std::vector<TTakenText>* Taken = nullptr;  // of the message being handled
  // The pass in the background, in background.cc.
  struct TBusy;
  std::shared_ptr<TBusy> Busy;  // shared: TBusy is known in background.cc alone
  size_t BackgroundFrom = SIZE_MAX;
  std::function<void()> Wake;
  // Starts the pass that Analyse left for a script (due for `due`) in the
  // background; when it cannot run there, makes it here and returns false.
  bool StartBackground(const std::string& script, const std::string& due);
  // Returns whether the pass in the background is the script's.
  bool BusyWith(const std::string& script) const;
  bool Initialized = false;
  bool ShutDown = false;
  bool ExitSeen = false;
  std::vector<std::string> Roots;  // the workspace's folders, as the client names them
  bool Markdown = false;           // the client reads markdown in hovers
  bool DocumentChanges = false;    // the client takes versioned edits of documents
  bool CreateFiles = false;        // and operations that create files among them
  bool HintsRefresh = false;       // the client takes workspace/inlayHint/refresh
  bool HintsDue = false;           // declarations changed since the hints were asked again
  uint64_t ServerRequests = 0;     // the requests the server sent
  const std::atomic<bool>* CancelFlag = nullptr;
};

}  // namespace zunt

#endif  // ZUNT_SERVER_SESSION_H_
