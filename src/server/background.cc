// The pass over a large script on a thread of its own, so that requests
// about other documents are answered meanwhile.
#include <thread>
#include <utility>

#include "server/session.h"

namespace zunt {
namespace {

// The requests that read only their own document's analysis (or make their
// own when they need another script's), and change nothing another reads.
bool ReadsAlone(const std::string& method) {
  static const char* const kMethods[] = {
      "textDocument/hover",         "textDocument/definition",        "textDocument/declaration",
      "textDocument/completion",    "textDocument/documentSymbol",    "textDocument/codeAction",
      "textDocument/prepareRename", "textDocument/documentHighlight", "textDocument/inlayHint",
  };
  for (const char* name : kMethods) {
    if (method == name) return true;
  }
  return false;
}

}  // namespace

struct TSession::TBusy {
  std::string Script;
  std::string Due;  // the path whose publishing started the pass
  // The script's analysis, out of the map while the thread has it.
  std::map<std::string, std::unique_ptr<TAnalysis>>::node_type Node;
  std::thread Thread;
};

TSession::~TSession() {
  if (Busy) Busy->Thread.join();
}

bool TSession::BusyWith(const std::string& script) const { return Busy && Busy->Script == script; }

void TSession::SetBackground(size_t least, std::function<void()> wake) {
  BackgroundFrom = least;
  Wake = std::move(wake);
}

bool TSession::StartBackground(const std::string& script, const std::string& due) {
  TDocument* document = Workspace.Find(script);
  auto node = Analyses.All().extract(script);
  TAnalysis* analysis = node.mapped().get();
  if (!document || !Wake) {  // the pass is made here and now
    uint64_t generation = 0;
    if (const TText* text = Workspace.Text(script, &generation)) Analyses.RunPass(*analysis, *text);
    Analyses.All().insert(std::move(node));
    return false;
  }
  const TText* text = &document->Text;
  Busy = std::make_shared<TBusy>();
  Busy->Script = script;
  Busy->Due = due;
  Busy->Node = std::move(node);
  // The thread reads the analysis, which nothing else sees now, and the
  // document's text, which only a notification changes: Settle waits first.
  Busy->Thread = std::thread([this, analysis, text, wake = Wake] {
    try {
      Analyses.RunPass(*analysis, *text);
      text->PositionOf(0);  // the lines indexed here too, not when published or edited
    } catch (...) {
      analysis->PassDue = 0;  // made again on this thread when published
    }
    wake();
  });
  return true;
}

void TSession::Settle(const TMessage& message) {
  if (!Busy) return;
  if (message.Kind == TMessage::Request && ReadsAlone(message.Method)) {
    try {
      if (PathOf(message.Params) != Busy->Script) return;
    } catch (const TRequestError&) {
      return;  // answered with its error, touching nothing
    }
  }
  FinishBackground();
}

void TSession::FinishBackground() {
  if (!Busy) return;
  Busy->Thread.join();
  std::shared_ptr<TBusy> busy = std::move(Busy);
  // A request that needed the script's analysis meanwhile made its own,
  // which stays.
  Analyses.All().insert(std::move(busy->Node));
  Publish(busy->Due);
}

}  // namespace zunt
