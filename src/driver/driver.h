// The run: from the command-line argument to the output file.
#ifndef ZUNT_DRIVER_DRIVER_H_
#define ZUNT_DRIVER_DRIVER_H_

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/arguments.h"
#include "base/fail.h"
#include "base/warnings.h"
#include "platform/platform.h"
#include "project/load.h"
#include "project/shared.h"
#include "translator/state.h"

namespace zunt {

/// What a run looks for and how far it goes.
struct TRunOptions {
  bool Warnings = false;                    // look for the silent mistakes
  TWarningSet Wanted = TWarningSet::All();  // the kinds looked for, when Warnings
  TWarningSet WantedGiven =
      TWarningSet::None();  // the kinds the user named: settings keep off them
  bool Strict = false;      // warnings count as errors
  size_t MaxErrors = 1;     // errors in the script reported before the pass stops
  std::string Output;       // the output path instead of the parent's NAME.erm; "-": stdout
  std::vector<std::string> Includes;   // declarations files read before NAME.txt
  std::string OutputFolder;            // a prefix: the folder of NAME.erm instead of the parent
  std::string Project;                 // the settings file to read; empty: the one nearest to NAME
  bool NoProject = false;              // read no settings file
  bool WarningsGiven = false;          // Warnings was set by the user: settings do not change it
  bool StrictGiven = false;            // likewise Strict
  bool ScriptsWithoutName = false;     // with no NAME, translate the project's scripts
  std::string ScriptsFolder;           // a prefix: where a project without patterns has its scripts
  bool Sound = true;                   // each translated name plays the success sound
  size_t Jobs = 1;                     // names translated at once
  size_t PieceSize = size_t{1} << 20;  // the output is written in pieces of about this size
  bool EveryReference = false;         // a pass looks at every reference: tables keep places

  /// Returns what the command-line programs look for: warnings, and up to
  /// twenty errors in a script.
  static TRunOptions CommandLine() {
    TRunOptions options;
    options.Warnings = true;
    options.MaxErrors = 20;
    return options;
  }
};

/// The output path that means the standard output.
inline constexpr std::string_view kStandardOutput = "-";

/// Receives the reports of a run, in the order they were found.
class TReporter {
 public:
  virtual ~TReporter() = default;
  /// Takes one report: an error, a warning or a note.
  virtual void Report(const TFail& report) = 0;
  /// Learns that the script was translated into the output.
  virtual void Translated(const std::string& script, const std::string& output) {
    (void)script;
    (void)output;
  }
};

/// Runs the whole translation for the argument (empty when there is none):
/// reads BASE.txt and BASE.erm and writes the parent folder's NAME.erm.
/// The run starts from the shared declarations when given, else reads the
/// options' Includes. Hands every report to the reporter; returns the exit
/// status, 0 or 1. Reads no settings file.
int RunName(TPlatform& platform, std::string_view argument, const TRunOptions& options,
            const TSharedDeclarations* shared, TReporter& reporter);

/// The names of a run, each with the options of its mod and that mod's
/// shared declarations, which it keeps: each settings file read once, each
/// mod's includes too.
struct TPlannedNames {
  struct TName {
    std::string Name;
    const TRunOptions* Options;
    const TSharedDeclarations* Shared;
  };
  std::vector<TName> Names;
  std::map<std::string, TRunOptions> Options;  // by the settings file's path
  std::map<std::string, std::unique_ptr<TSharedDeclarations>> Shared;
};

/// Finds the settings of each name (with no name, the mod's scripts when
/// the options take them) and reads each mod's shared declarations; hands
/// on what reading the settings reported. Returns false when a settings
/// file is wrong (nothing is to run then).
bool PlanNames(TPlatform& platform, const std::vector<std::string>& names,
               const TRunOptions& options, TReporter& reporter, TPlannedNames* plan);

/// Runs the translation of each name, with the settings of the mod it
/// belongs to unless the options say otherwise, Jobs names at a time; the
/// reports come in the order of the names, as if each ran alone. Returns 0
/// when every name was translated, else 1. Sets *withoutName, when given,
/// when there was nothing to translate: no name and no project's scripts.
int RunNames(TPlatform& platform, const std::vector<std::string>& names, const TRunOptions& options,
             TReporter& reporter, bool* withoutName = nullptr);

/// Runs one name with the options alone: no settings file, the options'
/// Includes read for it.
inline int Run(TPlatform& platform, std::string_view argument, const TRunOptions& options,
               TReporter& reporter) {
  return RunName(platform, argument, options, nullptr, reporter);
}

/// The same for one name or none, with the default options, showing the
/// first error through the platform.
int Run(TPlatform& platform, std::string_view argument);

/// Runs the names with the options, as RunNames does, showing the first
/// error through the platform.
int RunShowingFirstError(TPlatform& platform, const std::vector<std::string>& names,
                         const TRunOptions& options);

/// Loads the script file at path into the state and prepares the output.
void LoadScript(TPlatform& platform, const std::string& path, TRun& run);

/// Returns the output path of a base path: the options' output, else
/// NAME.erm in their output folder, else the default.
std::string OutputPath(const TPlatform& platform, std::string_view basePath,
                       const TRunOptions& options);

/// Returns the default output path: the parent folder and the base path's file name.
std::string DefaultOutputPath(const TPlatform& platform, std::string_view basePath);

/// The output of a run: written in pieces to the output file as the script
/// is translated, or kept whole for the standard output (a pipe must not get
/// half a script). A run that fails leaves any old output file as it was.
class TRunOutput {
 public:
  /// Opens the output at path (kStandardOutput: the standard output), never
  /// one of the inputs, and hands the run's output over to it in pieces. A
  /// failure to open is kept for Finish, after the script's own errors.
  TRunOutput(TPlatform& platform, const std::string& path, const std::vector<std::string>& inputs,
             TRun& run);
  ~TRunOutput() { Run.State.OnPiece = nullptr; }
  TRunOutput(const TRunOutput&) = delete;
  TRunOutput& operator=(const TRunOutput&) = delete;
  /// Writes the rest and puts the output in place; returns false, with the
  /// error and a note of the system's reason among the run's reports, when
  /// that fails.
  bool Finish();

 private:
  static void OnPiece(TState& state, void* self);

  TPlatform& Platform;
  std::string Path;
  TRun& Run;
  std::unique_ptr<TOutputStream> Stream;
  TWriteStatus Status = TWriteStatus::Ok;
  size_t Released = 0;  // the script's bytes let go of so far
};

/// Throws the failure for a write status other than Ok, about the output at path.
void CheckWritten(TWriteStatus status, const std::string& path);

/// Returns the failure for a write status other than Ok, about the output at path.
TFail WriteFailure(TWriteStatus status, const std::string& path);

/// Returns the path without its extension: the text from the last "." that
/// follows every separator.
std::string_view StripExtension(std::string_view path, std::string_view separators);

/// Returns the file-name part of a path: the text after its last separator.
std::string_view FileNamePart(std::string_view path, std::string_view separators);

}  // namespace zunt

#endif  // ZUNT_DRIVER_DRIVER_H_
