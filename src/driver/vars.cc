#include "driver/vars.h"

#include <memory>

#include "base/cp1251.h"
#include "driver/safe_text.h"
#include "driver/source_lines.h"
#include "project/project.h"
#include "project/var_map_text.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// Ends a name's reading whose reports are all in place already.
struct TStop {};

// Returns whether the reports hold an error about a whole file: one that
// could not be read.
bool Unreadable(const std::vector<TFail>& reports) {
  for (const TFail& report : reports) {
    if (report.Severity == TSeverity::Error && report.Line == 0) return true;
  }
  return false;
}

// Reads a name's files and makes the pass over its script as a translation
// does, the map taking what it meets; hands the reports on. Returns false
// when a file could not be read.
bool MapName(TPlatform& platform, const TPlannedNames::TName& name, TVarMapBuilder& builder,
             TReporter& reporter) {
  const TRunOptions& options = *name.Options;
  auto run = std::make_unique<TRun>();
  TState& state = run->State;
  state.Rekey(platform.HashSeed());
  // Every reference asks its name's place: one read each, not a search.
  state.Vars.KeepPlaces();
  state.Constants.KeepPlaces();
  TDiagnostics& found = state.Diagnostics;
  found.Warnings = options.Warnings;
  found.Wanted = options.Wanted;
  found.MaxErrors = options.MaxErrors;
  state.Vars.KeepValues(found.Looks(TWarning::Alias) || found.Looks(TWarning::Overlap));
  std::string base(StripExtension(name.Name, platform.PathSeparators()));
  std::string script = base + ".erm";
  bool begun = false;
  try {
    if (!StartFrom(*name.Shared, *run)) throw TStop();
    ReadDeclarationsFile(platform, base + ".txt", *run, !name.Shared->Files.empty());
    LoadScript(platform, script, *run);
    // Every reference goes through the careful reader, which tells what it meets;
    // the output is let go as it grows.
    state.CommonCase = false;
    state.OnSeen = &TVarMapBuilder::Seen;
    state.SeenContext = &builder;
    state.PieceSize = options.PieceSize;
    state.OnPiece = [](TState& s, void*) { s.Output.Clear(); };
    builder.BeginScript(script, state.Vars, run->Loaded->Bytes());
    begun = true;
    TranslateScript(state);
  } catch (const TFail& fail) {
    found.Add(fail);
  } catch (const TStop&) {
  }
  // The names read before an error count, with no reference.
  if (!begun) builder.BeginScript(script, state.Vars, {});
  FillSourceLines(platform,
                  {{found.CurrentFile, run->Loaded ? run->Loaded->Bytes() : std::string_view()},
                   {run->DeclarationsPath, DeclarationsOf(*run)}},
                  found.Items, name.Shared);
  found.StartFile({});  // the last file's note of warnings not shown
  for (TFail& report : found.Items) {
    if (options.Strict && report.Severity == TSeverity::Warning) {
      report.Severity = TSeverity::Error;
    }
    reporter.Report(report);
  }
  return !Unreadable(found.Items);
}

// Returns the path as a terminal shows it.
std::string ShownPath(std::string_view path) { return SafePath(path); }

// Writes text to the standard output; returns false, with a message, when it could not.
bool WriteOut(TConsole& console, const std::string& text) {
  if (console.Out(text)) return true;
  console.Error(std::string(console.ProgramName()) +
                ": error: ошибка записи в стандартный вывод\n");
  return false;
}

// Maps the mod in a folder: its scripts, by its zunt.toml (the nearest, as
// for a script there) or, without one, the .erm files in it.
bool MapFolder(TPlatform& platform, const std::string& folder, const TRunOptions& options,
               TReporter& reporter, TVarMap* map) {
  TDiagnostics settings;
  std::string file = FindProjectFile(platform, folder, settings);
  TProject project;
  std::vector<std::string> names;
  bool read = file.empty() || ReadProject(platform, file, &project, settings);
  read = read && ListScripts(platform, project, folder, &names, settings);
  for (const TFail& report : settings.Items) reporter.Report(report);
  if (!read) return false;
  if (names.empty()) return true;  // nothing to map: an empty map
  TRunOptions other = options;     // the command line's own includes are not that mod's
  other.Includes.clear();
  other.Project.clear();
  other.NoProject = file.empty();
  bool withoutName = false;
  return MapNames(platform, names, other, reporter, map, &withoutName);
}

// Reads the map of another mod: its folder mapped, or a map saved as JSON.
// Returns false when there is none; *whole says whether every file could be read.
bool ReadOtherMap(TPlatform& platform, const std::string& path, const TRunOptions& options,
                  TReporter& reporter, TVarMap* map, bool* whole) {
  *whole = false;
  TFolderId id;
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing && platform.IdentifyFolder(path, &id)) {
    std::string folder = path;
    if (platform.PathSeparators().find(folder.back()) == std::string_view::npos) {
      folder += platform.PathSeparators()[0];
    }
    *whole = MapFolder(platform, folder, options, reporter, map);
    return true;
  }
  std::unique_ptr<TInputFile> file;
  TLoadStatus status =
      kind == TFileKind::Regular ? platform.Load(path, &file) : TLoadStatus::CannotOpen;
  if (kind == TFileKind::Missing) {
    reporter.Report(AboutFile(
        TFail(Win1251("Нет ни папки мода, ни карты переменных "), path, Win1251(" для --against")),
        path));
    return false;
  }
  if (status != TLoadStatus::Ok) {
    reporter.Report(LoadFailure(status, path));
    return false;
  }
  std::string error;
  if (ReadVarMapJson(file->Bytes(), map, &error)) return *whole = true;
  reporter.Report(
      AboutFile(TFail(Win1251("Файл не похож на карту, записанную --vars=json: " + error)), path));
  return false;
}

}  // namespace

bool MapNames(TPlatform& platform, const std::vector<std::string>& names,
              const TRunOptions& options, TReporter& reporter, TVarMap* map, bool* withoutName) {
  TPlannedNames plan;
  TRunOptions every = options;
  every.EveryReference = true;
  if (!PlanNames(platform, names, every, reporter, &plan)) return false;
  if (plan.Names.empty()) {
    *withoutName = true;
    RunName(platform, "", options, nullptr, reporter);
    return false;
  }
  TVarMapBuilder builder(platform.HashSeed());
  bool read = true;
  for (const TPlannedNames::TName& name : plan.Names) {
    read = MapName(platform, name, builder, reporter) && read;
  }
  *map = builder.Finish();
  return read;
}

int RunVars(TPlatform& platform, TConsole& console, const std::vector<std::string>& names,
            const TRunOptions& options, TVarsFormat format, const std::string& against,
            TReporter& reporter) {
  TVarMap ours;
  bool withoutName = false;
  bool read = MapNames(platform, names, options, reporter, &ours, &withoutName);
  if (withoutName) {
    console.Error("Подробнее: " + std::string(console.ProgramName()) + " --help\n");
    return 1;
  }
  if (against.empty()) {
    std::string text = format == TVarsFormat::Json ? VarMapJson(ours) : VarMapText(ours, ShownPath);
    return WriteOut(console, text) && read ? 0 : 1;
  }
  TVarMap theirs;
  bool whole = false;
  if (!ReadOtherMap(platform, against, options, reporter, &theirs, &whole)) return 1;
  read = read && whole;
  std::vector<TSharedNumber> shared = SharedNumbers(ours, theirs);
  std::string text = format == TVarsFormat::Json
                         ? SharedNumbersJson(ours, theirs, shared)
                         : SharedNumbersText(ours, theirs, shared, ShownPath);
  return WriteOut(console, text) && read ? 0 : 1;
}

}  // namespace zunt
