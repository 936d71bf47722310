#include "server/analysis.h"

#include <algorithm>
#include <new>

#include "base/cp1251.h"
#include "project/load.h"
#include "symbols/declarations.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// Hands what a pass meets to a visit, as places in the script, with the
// declarations of the locals alive.
struct TVisitor {
  const TVisit* Visit;
  const std::function<void()>* Poll;
  const TSymbolTable* Vars;
  const char* Data;
  size_t Globals;
  std::vector<TSeenItem> Locals;  // by entry - Globals: the locals alive
  size_t Count = 0;

  // Thrown to end the pass when the visit has seen enough.
  struct TStop {};

  static void Keep(const TSeen& seen, void* self) {
    TVisitor& visitor = *static_cast<TVisitor*>(self);
    if ((++visitor.Count & 4095) == 0) (*visitor.Poll)();
    TSeenItem item;
    item.Kind = seen.Kind;
    item.Begin = seen.Begin;
    item.End = seen.End;
    item.NameAt =
        seen.Name.empty() ? seen.Begin : static_cast<size_t>(seen.Name.data() - visitor.Data);
    item.NameSize = seen.Name.size();
    item.Entry = seen.Entry;
    item.Index = seen.Index;
    const TSeenItem* local = nullptr;
    if (seen.Kind == TSeen::Local) {
      item.Local = item.Begin;
      item.Value = visitor.Vars->Replacement(visitor.Vars->At(seen.Entry));
      size_t at = seen.Entry - visitor.Globals;
      if (visitor.Locals.size() <= at) visitor.Locals.resize(at + 1);
      visitor.Locals[at] = item;
      local = &visitor.Locals[at];
    } else if (seen.Kind == TSeen::ClearLocals) {
      visitor.Locals.clear();
    } else if (seen.Kind == TSeen::Variable && seen.Entry != SIZE_MAX &&
               seen.Entry >= visitor.Globals &&
               seen.Entry - visitor.Globals < visitor.Locals.size()) {
      local = &visitor.Locals[seen.Entry - visitor.Globals];
      item.Local = local->Begin;
    }
    if (!(*visitor.Visit)(item, local)) throw TStop{};
  }

  // Takes the output away as it grows, and polls.
  static void Drop(TState& state, void* self) {
    state.Output.Clear();
    if (self) (*static_cast<TVisitor*>(self)->Poll)();
  }
};

// Makes the warnings errors, as strict settings ask.
void Harden(std::vector<TFail>& reports) {
  for (TFail& report : reports) {
    if (report.Severity == TSeverity::Warning) report.Severity = TSeverity::Error;
  }
}

}  // namespace

std::vector<std::string> TAnalyses::InputsOf(const std::string& scriptPath) {
  return ProjectInputs(Workspace.Projects().Of(scriptPath), scriptPath);
}

void TAnalyses::ReadInput(TState& state, bool warnings, TInput& input, std::vector<TFail>& reports,
                          bool missing, bool empty, const std::string& script) {
  const std::string& path = input.Path;
  const TText* text = Workspace.Text(path, &input.Generation);
  input.VarsEnd = state.Vars.Below() + state.Vars.size();
  input.ConstantsEnd = state.Constants.Below() + state.Constants.size();
  if (!text) {
    if (!missing) {
      reports.push_back(
          AboutFile(TFail(Win1251("Указанный файл не существует! ("), path, ")."), script));
    }
    return;
  }
  if (text->Bytes().empty()) {
    if (!empty) reports.push_back(AboutFile(TFail(Win1251("Указанный файл пуст!")), path));
    return;
  }
  // The names of this file keep their places in it.
  state.Vars.BeginFile(path);
  state.Constants.BeginFile(path);
  TDiagnostics& diagnostics = state.Diagnostics;
  diagnostics.Items.clear();
  diagnostics.Warnings = warnings;
  diagnostics.CurrentFile = path;
  diagnostics.LineFeedWarned = false;
  state.PointCursorAt(text->Bytes());
  try {
    ReserveTablesFor(state, text->Bytes());
    ReadDeclarations(state.Cursor, state.Vars, state.Constants, &diagnostics);
  } catch (const TFail& fail) {
    diagnostics.Items.push_back(AboutFile(fail, path));
    input.Whole = false;
  } catch (const std::bad_alloc&) {
    input.Whole = false;
    diagnostics.Items.push_back(
        AboutFile(TFail(Win1251("Недостаточно памяти для компиляции!")), path));
  }
  state.PointCursorAt({});
  for (TFail& report : diagnostics.Items) reports.push_back(std::move(report));
  diagnostics.Items.clear();
  input.VarsEnd = state.Vars.Below() + state.Vars.size();
  input.ConstantsEnd = state.Constants.Below() + state.Constants.size();
}

std::shared_ptr<const TSharedTables> TAnalyses::SharedTables(
    const std::vector<std::string>& includes, bool warnings) {
  std::string key(1, warnings ? 'w' : '-');
  for (const std::string& path : includes) key.append(path).push_back('\0');
  std::weak_ptr<const TSharedTables>& slot = Shared[key];
  std::shared_ptr<const TSharedTables> kept = slot.lock();
  bool fresh = kept != nullptr;
  for (size_t i = 0; fresh && i < includes.size(); ++i) {
    uint64_t generation = 0;
    Workspace.Text(includes[i], &generation);
    fresh = kept->Inputs[i].Generation == generation;
  }
  if (fresh) return kept;
  auto shared = std::make_shared<TSharedTables>();
  TState reader;
  reader.Rekey(Seed);
  // Every reference asks its name's place: one read each, not a search.
  reader.Vars.KeepPlaces();
  reader.Constants.KeepPlaces();
  for (const std::string& path : includes) {
    shared->Inputs.push_back(TInput{path});
    // A missing include is the settings file's error.
    ReadInput(reader, warnings, shared->Inputs.back(), shared->Reports, true, false, {});
  }
  shared->Vars = std::move(reader.Vars);
  shared->Constants = std::move(reader.Constants);
  // Forget the includes' tables that no script reads any more.
  for (auto it = Shared.begin(); it != Shared.end();) {
    it = it->second.expired() && it->first != key ? Shared.erase(it) : std::next(it);
  }
  slot = shared;
  return shared;
}

void TAnalyses::ReadTables(TAnalysis& analysis, const std::vector<std::string>& paths,
                           size_t includes) {
  TState& state = analysis.State;
  state.Vars.Clear();
  state.Constants.Clear();
  analysis.Shared.reset();
  analysis.TableReports.clear();
  analysis.Inputs.clear();
  if (includes != 0) {
    analysis.Shared = SharedTables({paths.begin(), paths.begin() + includes}, analysis.Warnings);
    analysis.Inputs = analysis.Shared->Inputs;
    analysis.TableReports = analysis.Shared->Reports;
  }
  state.Vars.ShareNamesOf(analysis.Shared ? &analysis.Shared->Vars : nullptr);
  state.Constants.ShareNamesOf(analysis.Shared ? &analysis.Shared->Constants : nullptr);
  // With includes, a script may have no declarations of its own.
  analysis.Inputs.push_back(TInput{paths.back()});
  ReadInput(state, analysis.Warnings, analysis.Inputs.back(), analysis.TableReports, includes != 0,
            includes != 0, analysis.Path);
  if (analysis.Strict) Harden(analysis.TableReports);
  analysis.Globals = state.Vars.Below() + state.Vars.size();
  analysis.TablesRead = true;
}

namespace {

// Readies the state of an analysis for a pass over the script: no reports
// yet, warnings looked for or not, the cursor at its start.
void StartPass(TAnalysis& analysis, const TText& script, bool warnings) {
  TState& state = analysis.State;
  TDiagnostics& diagnostics = state.Diagnostics;
  diagnostics.Items.clear();
  diagnostics.Errors = 0;
  diagnostics.WarningCount = 0;
  diagnostics.LineFeedWarned = false;
  diagnostics.Warnings = warnings;
  diagnostics.MaxErrors = kMaxReportedErrors;
  diagnostics.CurrentFile = analysis.Path;
  state.KeepWhitespace = true;
  state.CompactSince = 0;
  state.Output.Clear();
  state.PointCursorAt(script.Bytes());
}

}  // namespace

void TAnalyses::Translate(TAnalysis& analysis, const TText& script, bool output) {
  TState& state = analysis.State;
  TDiagnostics& diagnostics = state.Diagnostics;
  StartPass(analysis, script, analysis.Warnings);
  // Unless it is asked for, the output is let go as it grows.
  state.OnPiece = output ? nullptr : &TVisitor::Drop;
  state.PieceContext = nullptr;
  bool whole = true;
  try {
    TranslateScript(state);
  } catch (const TFail& fail) {
    diagnostics.Items.push_back(fail);
    whole = false;
  } catch (const std::bad_alloc&) {
    whole = false;
    diagnostics.Items.push_back(
        AboutFile(TFail(Win1251("Недостаточно памяти для компиляции!")), analysis.Path));
  }
  state.OnPiece = nullptr;
  ClearLocals(state);
  analysis.Whole = whole && diagnostics.WantsMoreErrors();
  ++analysis.Passes;
  analysis.Reports = std::move(diagnostics.Items);
  diagnostics.Items.clear();
  if (analysis.Strict) Harden(analysis.Reports);
  analysis.Output.clear();
  if (output) {
    analysis.Output = std::string(state.Output.View());
    state.Output.Release();  // the whole script's room
  }
  state.Output.Clear();
  state.PointCursorAt({});
}

void TAnalyses::Visit(TAnalysis& analysis, const TText& script, const TVisit& visit,
                      const std::function<void()>& poll) {
  TState& state = analysis.State;
  TDiagnostics& diagnostics = state.Diagnostics;
  // The reports of the pass made for the analysis stay its own.
  StartPass(analysis, script, false);
  TVisitor visitor{&visit, &poll, &state.Vars, script.Bytes().data(), analysis.Globals, {}};
  state.CommonCase = false;
  state.OnSeen = &TVisitor::Keep;
  state.SeenContext = &visitor;
  state.OnPiece = &TVisitor::Drop;
  state.PieceContext = &visitor;
  // Whatever ends the pass, the state is left as it was found.
  auto restore = [&] {
    state.OnSeen = nullptr;
    state.SeenContext = nullptr;
    state.OnPiece = nullptr;
    state.PieceContext = nullptr;
    state.CommonCase = true;
    ClearLocals(state);
    diagnostics.Items.clear();
    state.Output.Clear();
    state.PointCursorAt({});
  };
  try {
    TranslateScript(state);
  } catch (const TVisitor::TStop&) {
  } catch (const TFail&) {
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

const TInput* TAnalyses::InputOf(const TAnalysis& analysis, bool constant, size_t entry) {
  for (const TInput& input : analysis.Inputs) {
    if (entry < (constant ? input.ConstantsEnd : input.VarsEnd)) return &input;
  }
  return nullptr;
}

void TAnalyses::Unread(const std::string& path) {
  for (auto& [script, analysis] : Analyses) {
    bool reads = false;
    for (const TInput& input : analysis->Inputs) reads = reads || input.Path == path;
    if (!reads) continue;
    analysis->ScriptGeneration = 0;  // the tables and the pass are made again
    analysis->State.Vars.ShareNamesOf(nullptr);
    analysis->State.Constants.ShareNamesOf(nullptr);
    analysis->State.Vars.Clear();
    analysis->State.Constants.Clear();
    analysis->Shared.reset();
  }
}

void TAnalyses::RunPass(TAnalysis& analysis, const TText& script) {
  Translate(analysis, script, false);
  analysis.ScriptGeneration = analysis.PassDue;
  analysis.PassDue = 0;
}

TAnalysis& TAnalyses::Analyse(const std::string& scriptPath, bool output, size_t passLater) {
  std::unique_ptr<TAnalysis>& slot = Analyses[scriptPath];
  if (!slot) {
    slot = std::make_unique<TAnalysis>();
    slot->Path = scriptPath;
    slot->State.Rekey(Seed);
    // Every reference asks its name's place: one read each, not a search.
    slot->State.Vars.KeepPlaces();
    slot->State.Constants.KeepPlaces();
  }
  TAnalysis& analysis = *slot;
  TServerProject* project = Workspace.Projects().Of(scriptPath);
  std::vector<std::string> paths = ProjectInputs(project, scriptPath);
  uint64_t projectGeneration = project ? project->Generation : 0;
  bool fresh = analysis.Inputs.size() == paths.size() && analysis.ScriptGeneration != 0 &&
               analysis.ProjectGeneration == projectGeneration;
  for (size_t i = 0; fresh && i < paths.size(); ++i) {
    uint64_t generation = 0;
    Workspace.Text(paths[i], &generation);
    fresh = analysis.Inputs[i].Path == paths[i] && analysis.Inputs[i].Generation == generation;
  }
  if (!fresh) {
    analysis.ProjectFile = project ? project->File : std::string();
    analysis.ProjectGeneration = projectGeneration;
    analysis.Warnings = !project || project->Warnings;
    analysis.Strict = project && project->Strict;
    ReadTables(analysis, paths, paths.size() - 1);
    analysis.ScriptGeneration = 0;
  }
  uint64_t generation = 0;
  const TText* script = Workspace.Text(scriptPath, &generation);
  if (!script) {
    analysis.Reports = {
        AboutFile(TFail(Win1251("Файл \""), scriptPath, Win1251("\" не существует!")), scriptPath)};
    analysis.ScriptGeneration = 0;
    analysis.Output.clear();
    return analysis;
  }
  analysis.PassDue = 0;
  if (analysis.ScriptGeneration != generation && !output && script->Bytes().size() >= passLater) {
    analysis.PassDue = generation;
    return analysis;
  }
  if (analysis.ScriptGeneration != generation || output) {
    Translate(analysis, *script, output);
    analysis.ScriptGeneration = generation;
  } else {
    analysis.Output.clear();
  }
  return analysis;
}

}  // namespace zunt
