// A script read the way the command line reads it: its declarations files
// into the tables, then the pass over the script, with every report kept.
// The tables are kept between passes and read again only when one of their
// files changed. What a pass meets (references, locals) is kept nowhere: a
// feature that needs it makes a pass of its own and looks at each in turn.
#ifndef ZUNT_SERVER_ANALYSIS_H_
#define ZUNT_SERVER_ANALYSIS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/fail.h"
#include "server/workspace.h"
#include "translator/state.h"

namespace zunt {

/// The most errors reported for a script.
inline constexpr size_t kMaxReportedErrors = 300;

/// A reference or local declaration of the script, as places in its bytes.
struct TSeenItem {
  TSeen::TKind Kind = TSeen::Variable;
  size_t Begin = 0;
  size_t End = 0;
  size_t NameAt = 0;
  size_t NameSize = 0;
  size_t Entry = SIZE_MAX;  // in the tables; a local's entry stands for the latest local seen
  size_t Local = SIZE_MAX;  // a local's declaration, or a reference to one: where it begins
  int32_t Index = 0;
  std::string Value;  // a local's value, as written
};

/// Looks at each item a pass meets, in order, with the declaration of the
/// local it is or refers to (nullptr for none); returns false to stop the pass.
using TVisit = std::function<bool(const TSeenItem& item, const TSeenItem* local)>;

/// One declarations file read into the tables.
struct TInput {
  std::string Path;
  uint64_t Generation = 0;  // 0: missing
  size_t VarsEnd = 0;       // the entries of the tables read up to the end of this file
  size_t ConstantsEnd = 0;
  bool Whole = true;  // read to its end: no error stopped the reader
};

/// The project's includes read once into tables that the analyses of its
/// scripts share: their names are found below each script's own.
struct TSharedTables {
  std::vector<TInput> Inputs;
  TSymbolTable Vars;
  TSymbolTable Constants;
  std::vector<TFail> Reports;  // as read, before strict settings harden them
};

struct TAnalysis {
  std::string Path;
  std::string ProjectFile;         // the settings file of its mod; empty: none
  uint64_t ProjectGeneration = 0;  // of the settings the tables were read with
  bool Warnings = true;            // the settings of the pass
  bool Strict = false;
  std::vector<TInput> Inputs;                   // the includes' and then the script's own
  std::shared_ptr<const TSharedTables> Shared;  // the includes' tables, or nullptr
  TState State;        // the tables of the script's own declarations, and the last pass
  size_t Globals = 0;  // the places of the declared variables; locals follow them
  std::vector<TFail> TableReports;  // from the declarations files (File says which)
  bool TablesRead = false;          // the tables were read again since this was last cleared
  uint64_t ScriptGeneration = 0;    // of the last pass; 0: none yet
  uint64_t PassDue = 0;             // the script's generation, when its pass was left to RunPass
  std::vector<TFail> Reports;       // of the script
  bool Whole = true;                // the last pass went to the script's end
  std::string Output;               // the translated script, when asked for
  uint64_t Passes = 0;              // the passes made so far
  uint64_t UsedPass = 0;            // the pass that UsedVars and UsedConstants are of
  std::vector<bool> UsedVars;       // by entry: a reference names it (not a local's)
  std::vector<bool> UsedConstants;
};

/// The analyses of the scripts the server has looked at.
class TAnalyses {
 public:
  TAnalyses(TWorkspace& workspace, const THashSeed& seed) : Workspace(workspace), Seed(seed) {}
  /// Returns the script's analysis, brought up to date; with `output` it
  /// keeps the translated script. The pass over a script of at least
  /// `passLater` bytes is left to RunPass (PassDue says so).
  TAnalysis& Analyse(const std::string& scriptPath, bool output = false,
                     size_t passLater = SIZE_MAX);
  /// Makes a pass over the script of an analysis brought up to date, for
  /// what it meets alone: the analysis stays as it was. `poll` is called now
  /// and then, and may throw to stop the pass.
  void Visit(TAnalysis& analysis, const TText& script, const TVisit& visit,
             const std::function<void()>& poll);
  /// Makes the pass that Analyse left; it reads the analysis and the script's
  /// text alone, so it may run on another thread while neither changes.
  void RunPass(TAnalysis& analysis, const TText& script);
  /// Returns the paths of the declarations files that a script reads, in order.
  std::vector<std::string> InputsOf(const std::string& scriptPath);
  /// Returns the analyses made so far.
  std::map<std::string, std::unique_ptr<TAnalysis>>& All() { return Analyses; }
  /// Returns the declarations file an entry of the tables came from, or nullptr.
  static const TInput* InputOf(const TAnalysis& analysis, bool constant, size_t entry);
  /// Forgets a script's analysis.
  void Forget(const std::string& scriptPath) { Analyses.erase(scriptPath); }
  /// Lets go of the tables of the scripts that read the declarations file at
  /// path, which changed: each is read again when next analysed, and the
  /// includes' tables, read by no script then, are freed before that. Only
  /// while no analysis is in use.
  void Unread(const std::string& path);

 private:
  // Reads the declarations files into fresh tables: the first `includes`
  // are the project's, after which the script's own may be missing or empty.
  void ReadTables(TAnalysis& analysis, const std::vector<std::string>& paths, size_t includes);
  // Returns the tables of the includes, read again only when one of them changed.
  std::shared_ptr<const TSharedTables> SharedTables(const std::vector<std::string>& includes,
                                                    bool warnings);
  // Reads a declarations file into the state's tables; a missing one is
  // reported unless `missing` allows it, an empty one unless `empty` does.
  void ReadInput(TState& state, bool warnings, TInput& input, std::vector<TFail>& reports,
                 bool missing, bool empty, const std::string& script);
  // Makes the pass over the script, keeping its output when asked.
  void Translate(TAnalysis& analysis, const TText& script, bool output);

  TWorkspace& Workspace;
  THashSeed Seed;  // the name tables' key
  std::map<std::string, std::unique_ptr<TAnalysis>> Analyses;
  // The includes' tables by the settings and the files, while a script reads them.
  std::map<std::string, std::weak_ptr<const TSharedTables>> Shared;
};

}  // namespace zunt

#endif  // ZUNT_SERVER_ANALYSIS_H_
