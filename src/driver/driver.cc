#include "driver/driver.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "base/cp1251.h"
#include "base/fail.h"
#include "driver/source_lines.h"
#include "driver/system_reason.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// Ends a run whose reports are all in place already.
struct TStop {};

// Shows the first error through the platform.
class TFirstErrorShown final : public TReporter {
 public:
  explicit TFirstErrorShown(TPlatform& platform) : Platform(platform) {}
  void Report(const TFail& report) override {
    if (report.Severity != TSeverity::Error || Shown) return;
    Shown = true;
    Platform.ShowFailure(report);
  }

 private:
  TPlatform& Platform;
  bool Shown = false;
};

}  // namespace

std::string_view StripExtension(std::string_view path, std::string_view separators) {
  size_t dot = path.rfind('.');
  size_t separator = path.find_last_of(separators);
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) {
    return path;
  }
  return path.substr(0, dot);
}

std::string_view FileNamePart(std::string_view path, std::string_view separators) {
  size_t separator = path.find_last_of(separators);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

void LoadScript(TPlatform& platform, const std::string& path, TRun& run) {
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing) {
    throw AboutFile(TFail(Win1251("Файл \""), path, Win1251("\" не существует!")), path);
  }
  LoadInputFile(platform, path, kind, run);
  run.State.Vars.BeginFile(path);  // the local variables'
  run.State.Output.Clear();
  size_t size = run.Loaded->Bytes().size();
  // Room for the whole output, or for a piece and a little when it is written in pieces.
  run.State.Output.Reserve(std::min(size + size / 4, 2 * run.State.PieceSize) + 64);
}

std::string OutputPath(const TPlatform& platform, std::string_view basePath,
                       const TRunOptions& options) {
  if (!options.Output.empty()) return options.Output;
  if (options.OutputFolder.empty()) return DefaultOutputPath(platform, basePath);
  return options.OutputFolder + std::string(FileNamePart(basePath, platform.PathSeparators())) +
         ".erm";
}

std::string DefaultOutputPath(const TPlatform& platform, std::string_view basePath) {
  std::string path(platform.ParentPrefix());
  path += FileNamePart(basePath, platform.PathSeparators());
  path += ".erm";
  return path;
}

TRunOutput::TRunOutput(TPlatform& platform, const std::string& path,
                       const std::vector<std::string>& inputs, TRun& run)
    : Platform(platform), Path(path), Run(run) {
  if (path == kStandardOutput) return;
  Stream = platform.OpenOutput(path, inputs, run.Loaded->Bytes().size(), &Status);
  run.State.OnPiece = &TRunOutput::OnPiece;
  run.State.PieceContext = this;
}

void TRunOutput::OnPiece(TState& state, void* self) {
  TRunOutput& output = *static_cast<TRunOutput*>(self);
  // After an error the output is never put in place: its pieces are dropped.
  if (output.Stream && state.Diagnostics.Errors == 0) output.Stream->Write(state.Output.View());
  state.Output.Clear();
  output.Run.Loaded->Release(output.Released, state.Cursor.Pos);
  output.Released = state.Cursor.Pos;
}

bool TRunOutput::Finish() {
  std::string_view rest = Run.State.Output.View();
  TWriteStatus status = Status;
  int error = 0;
  if (Path == kStandardOutput) {
    status = Platform.WriteStandardOutput(rest, &error);
  } else if (Stream) {
    Stream->Write(rest);
    status = Stream->Finish();
    error = Stream->ErrorNumber();
  }
  if (status == TWriteStatus::Ok) return true;
  TDiagnostics& diagnostics = Run.State.Diagnostics;
  diagnostics.Add(WriteFailure(status, Path));
  if (error != 0) {
    TFail reason(SystemReason(error));
    reason.Severity = TSeverity::Note;
    diagnostics.Add(AboutFile(std::move(reason), Path));
  }
  return false;
}

void CheckWritten(TWriteStatus status, const std::string& path) {
  if (status != TWriteStatus::Ok) throw WriteFailure(status, path);
}

TFail WriteFailure(TWriteStatus status, const std::string& path) {
  std::string_view body;
  switch (status) {
    case TWriteStatus::Ok:
    case TWriteStatus::CannotCreate:
      body = "Не могу создать выходной ЕРМ файл скрипта!";
      break;
    case TWriteStatus::CannotWrite:
      body = "Не могу записать выходной ЕРМ файл скрипта!";
      break;
    case TWriteStatus::SameAsInput:
      body = "Выходной ЕРМ файл совпадает с исходным файлом!";
      break;
  }
  return AboutFile(TFail(Win1251(body)), path);
}

namespace {

// The script and the output path of a run that succeeded.
using TTranslated = std::optional<std::pair<std::string, std::string>>;

// The reports of a run, each handed to the reporter once, in order.
struct TReports {
  TDiagnostics Found;  // once the run's memory has gone back
  size_t Reported = 0;

  // Hands over the reports not handed over yet (warnings as errors with strict).
  void Flush(TDiagnostics& found, bool strict, TReporter& reporter) {
    for (; Reported < found.Items.size(); ++Reported) {
      TFail& report = found.Items[Reported];
      if (strict && report.Severity == TSeverity::Warning) report.Severity = TSeverity::Error;
      reporter.Report(report);
    }
  }
};

// Translates; the reports go to the reporter, those of a run that succeeds
// before its output is put in place. Returns what was translated when the
// run succeeded. Out of memory is thrown again once the run's memory has gone
// back, the reports not yet handed over left in *reports.
TTranslated Translate(TPlatform& platform, std::string_view argument, const TRunOptions& options,
                      const TSharedDeclarations* shared, TReporter& reporter, TReports* reports) {
  std::unique_ptr<TSharedDeclarations> own;
  if (!shared) {
    own = ReadShared(platform, options.Includes, options.Warnings, options.Wanted);
    shared = own.get();
  }
  auto run = std::make_unique<TRun>();
  run->State.Rekey(platform.HashSeed());
  TDiagnostics& found = run->State.Diagnostics;
  found.Warnings = options.Warnings;
  found.Wanted = options.Wanted;
  found.MaxErrors = options.MaxErrors;
  run->State.PieceSize = options.PieceSize;
  run->State.Vars.KeepValues(found.Looks(TWarning::Alias) || found.Looks(TWarning::Overlap));
  TTranslated translated;
  bool outOfMemory = false;
  try {
    if (argument.empty()) Fail(Win1251("Не указан файл для компиляции!"));
    std::string basePath(StripExtension(argument, platform.PathSeparators()));
    std::vector<std::string> inputs = shared->Files;
    inputs.push_back(basePath + ".txt");
    inputs.push_back(basePath + ".erm");
    // With shared declarations a script may have none of its own.
    if (!StartFrom(*shared, *run)) throw TStop();
    // NAME.txt that is one of the shared files was read with them.
    const std::string& own = inputs[inputs.size() - 2];
    if (!IsShared(platform, *shared, own)) {
      ReadDeclarationsFile(platform, own, *run, !shared->Files.empty());
    }
    LoadScript(platform, inputs.back(), *run);
    std::string path = OutputPath(platform, basePath, options);
    // A mod's output folder is made when missing: git keeps no empty folder.
    if (options.Output.empty() && !options.OutputFolder.empty()) {
      platform.MakeFolders(options.OutputFolder);
    }
    TRunOutput output(platform, path, inputs, *run);
    TranslateScript(run->State);
    if (found.Errors == 0 && !(options.Strict && found.WarningCount != 0)) {
      // Out of memory while the warnings are shown leaves the old output as it was.
      found.StartFile({});
      // The notes of its warnings quote other files (the script's own part
      // may have been let go of as it was written; its notes are quoted).
      FillSourceLines(platform, {{run->DeclarationsPath, DeclarationsOf(*run)}}, found.Items,
                      shared);
      reports->Flush(found, options.Strict, reporter);
      if (output.Finish()) translated = std::make_pair(inputs.back(), path);
    }
  } catch (const TFail& fail) {
    found.Add(fail);
  } catch (const TStop&) {
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  try {
    FillSourceLines(platform,
                    {{found.CurrentFile, run->Loaded ? run->Loaded->Bytes() : std::string_view()},
                     {run->DeclarationsPath, DeclarationsOf(*run)}},
                    found.Items, shared);
  } catch (const std::bad_alloc&) {
    // The notes are shown without their source lines.
  }
  reports->Found = std::move(found);
  run.reset();
  if (outOfMemory) throw std::bad_alloc();
  return translated;
}

}  // namespace

int RunName(TPlatform& platform, std::string_view argument, const TRunOptions& options,
            const TSharedDeclarations* shared, TReporter& reporter) {
  // Made while memory is plenty, for when it is not.
  static const TFail outOfMemory(Win1251("Недостаточно памяти для компиляции!"));
  TReports reports;
  TTranslated translated;
  bool outOfMemoryHit = false;
  try {
    translated = Translate(platform, argument, options, shared, reporter, &reports);
    reports.Found.StartFile({});  // the last file's note of warnings not shown
  } catch (const std::bad_alloc&) {
    outOfMemoryHit = true;
  }
  try {
    reports.Flush(reports.Found, options.Strict, reporter);
  } catch (const std::bad_alloc&) {
    outOfMemoryHit = true;
  }
  if (outOfMemoryHit) {
    reporter.Report(outOfMemory);
    return 1;
  }
  if (!translated) return 1;
  try {
    reporter.Translated(translated->first, translated->second);
    if (options.Sound) platform.PlaySuccessSound();
  } catch (const std::bad_alloc&) {
    // The output is in place: a line or a sound that finds no memory does not undo that.
  }
  return 0;
}

int Run(TPlatform& platform, std::string_view argument) {
  std::vector<std::string> names;
  if (!argument.empty()) names.emplace_back(argument);
  return RunShowingFirstError(platform, names, TRunOptions());
}

int RunShowingFirstError(TPlatform& platform, const std::vector<std::string>& names,
                         const TRunOptions& options) {
  TFirstErrorShown reporter(platform);
  return RunNames(platform, names, options, reporter);
}

}  // namespace zunt
