#include "server/analysis.h"

#include <algorithm>
#include <new>

#include "base/cp1251.h"
#include "symbols/declarations.h"
#include "translator/translator.h"

namespace zunt {
namespace {

TFail AboutFile(TFail fail, const std::string& path) {
  fail.File = path;
  return fail;
}

// Keeps what the pass meets, as places in the script.
struct TSeenKeeper {
  std::vector<TSeenItem>* Items;
  const TSymbolTable* Vars;
  const char* Data;
  size_t Globals;
  std::vector<size_t> LocalOfEntry;  // by entry - Globals: the TSeenItem that declared it

  static void Keep(const TSeen& seen, void* self) {
    TSeenKeeper& keeper = *static_cast<TSeenKeeper*>(self);
    TSeenItem item;
    item.Kind = seen.Kind;
    item.Begin = seen.Begin;
    item.End = seen.End;
    item.NameAt =
        seen.Name.empty() ? seen.Begin : static_cast<size_t>(seen.Name.data() - keeper.Data);
    item.NameSize = seen.Name.size();
    item.Entry = seen.Entry;
    item.Index = seen.Index;
    if (seen.Kind == TSeen::Local) {
      size_t local = seen.Entry - keeper.Globals;
      if (keeper.LocalOfEntry.size() <= local) keeper.LocalOfEntry.resize(local + 1, SIZE_MAX);
      keeper.LocalOfEntry[local] = keeper.Items->size();
      item.Local = keeper.Items->size();
      item.Value = keeper.Vars->Replacement((*keeper.Vars)[seen.Entry]);
    } else if (seen.Kind == TSeen::ClearLocals) {
      keeper.LocalOfEntry.clear();
    } else if (seen.Kind == TSeen::Variable && seen.Entry != SIZE_MAX &&
               seen.Entry >= keeper.Globals &&
               seen.Entry - keeper.Globals < keeper.LocalOfEntry.size()) {
      item.Local = keeper.LocalOfEntry[seen.Entry - keeper.Globals];
    }
    keeper.Items->push_back(item);
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

void TAnalyses::ReadTables(TAnalysis& analysis, const std::vector<std::string>& paths,
                           size_t includes) {
  TState& state = analysis.State;
  state.Vars.Clear();
  state.Constants.Clear();
  analysis.TableReports.clear();
  analysis.Inputs.clear();
  TDiagnostics& diagnostics = state.Diagnostics;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    uint64_t generation = 0;
    const TText* text = Workspace.Text(path, &generation);
    analysis.Inputs.push_back(TInput{path, generation, state.Vars.size(), state.Constants.size()});
    // A missing include is the settings file's error; with includes, a
    // script may have no declarations of its own.
    if (!text && includes != 0) continue;
    if (i == includes && includes != 0 && text->Bytes().empty()) continue;
    if (!text) {
      analysis.TableReports.push_back(
          AboutFile(TFail(Win1251("Указанный файл не существует! ("), path, ")."), analysis.Path));
      continue;
    }
    if (text->Bytes().empty()) {
      analysis.TableReports.push_back(AboutFile(TFail(Win1251("Указанный файл пуст!")), path));
      continue;
    }
    // The names of this file keep their places in it.
    state.Vars.BeginFile(path);
    state.Constants.BeginFile(path);
    diagnostics.Items.clear();
    diagnostics.Warnings = analysis.Warnings;
    diagnostics.CurrentFile = path;
    diagnostics.LineFeedWarned = false;
    state.PointCursorAt(text->Bytes());
    try {
      ReadDeclarations(state.Cursor, state.Vars, state.Constants, &diagnostics);
    } catch (const TFail& fail) {
      diagnostics.Items.push_back(AboutFile(fail, path));
      analysis.Inputs.back().Whole = false;
    } catch (const std::bad_alloc&) {
      analysis.Inputs.back().Whole = false;
      diagnostics.Items.push_back(
          AboutFile(TFail(Win1251("Недостаточно памяти для компиляции!")), path));
    }
    for (TFail& report : diagnostics.Items) analysis.TableReports.push_back(std::move(report));
    diagnostics.Items.clear();
    analysis.Inputs.back().VarsEnd = state.Vars.size();
    analysis.Inputs.back().ConstantsEnd = state.Constants.size();
  }
  state.PointCursorAt({});
  if (analysis.Strict) Harden(analysis.TableReports);
  analysis.Globals = state.Vars.size();
  analysis.TablesRead = true;
}

void TAnalyses::Translate(TAnalysis& analysis, const TText& script, bool seen) {
  TState& state = analysis.State;
  TDiagnostics& diagnostics = state.Diagnostics;
  diagnostics.Items.clear();
  diagnostics.Errors = 0;
  diagnostics.WarningCount = 0;
  diagnostics.LineFeedWarned = false;
  diagnostics.Warnings = analysis.Warnings;
  diagnostics.MaxErrors = kMaxReportedErrors;
  diagnostics.CurrentFile = analysis.Path;
  state.KeepWhitespace = true;
  state.CompactSince = 0;
  state.Output.Clear();
  state.PointCursorAt(script.Bytes());
  TSeenKeeper keeper{&analysis.Seen, &state.Vars, script.Bytes().data(), analysis.Globals, {}};
  analysis.Seen.clear();
  state.CommonCase = !seen;
  state.OnSeen = seen ? &TSeenKeeper::Keep : nullptr;
  state.SeenContext = &keeper;
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
  state.OnSeen = nullptr;
  state.CommonCase = true;
  ClearLocals(state);
  analysis.Whole = whole && diagnostics.WantsMoreErrors();
  analysis.Reports = std::move(diagnostics.Items);
  diagnostics.Items.clear();
  if (analysis.Strict) Harden(analysis.Reports);
  analysis.SeenKept = seen;
  state.PointCursorAt({});
}

const TInput* TAnalyses::InputOf(const TAnalysis& analysis, bool constant, size_t entry) {
  for (const TInput& input : analysis.Inputs) {
    if (entry < (constant ? input.ConstantsEnd : input.VarsEnd)) return &input;
  }
  return nullptr;
}

TAnalysis& TAnalyses::Analyse(const std::string& scriptPath, bool seen, bool output) {
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
    analysis.Seen.clear();
    analysis.Output.clear();
    return analysis;
  }
  if (analysis.ScriptGeneration != generation || (seen && !analysis.SeenKept) || output) {
    Translate(analysis, *script, seen);
    analysis.ScriptGeneration = generation;
    if (output) analysis.Output = std::string(analysis.State.Output.View());
  }
  return analysis;
}

}  // namespace zunt
