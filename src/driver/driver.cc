#include "driver/driver.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "base/cp1251.h"
#include "base/fail.h"
#include "cursor/encoding.h"
#include "cursor/wide.h"
#include "driver/system_reason.h"
#include "symbols/declarations.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// The most names the tables are sized for ahead of a declarations file.
constexpr size_t kReservedNames = size_t{1} << 20;

// Returns a failure about a whole file, which it names.
TFail AboutFile(TFail fail, const std::string& path) {
  fail.File = path;
  return fail;
}

// Warns when the loaded file starts with a byte-order mark or reads as UTF-8;
// lets go of the file's memory as far as the check has read it.
void WarnOnEncoding(const TCursor& cursor, TInputFile& file, TDiagnostics& diagnostics) {
  if (!diagnostics.Warnings) return;
  if (ByteOrderMarkLength(cursor.Data) != 0) {
    diagnostics.Warn(cursor.WarningAt(
        Win1251("файл начинается с метки порядка байтов (BOM), а читается в кодировке "
                "Windows-1251: метка останется в тексте"),
        0));
    return;
  }
  size_t released = 0;
  size_t at = FirstUtf8Sequence(cursor.Data, [&](size_t passed) {
    file.Release(released, passed);
    released = passed;
  });
  if (at == std::string_view::npos) return;
  TCursor upTo = cursor;  // lines are counted from the start up to the sequence
  upTo.Pos = at;
  diagnostics.Warn(upTo.WarningAt(
      Win1251("файл похож на текст в UTF-8, а читается в кодировке Windows-1251"), at));
}

// Loads a whole input file that exists into the run's cursor; throws TFail
// when it cannot. Anything but an ordinary file is never opened.
void LoadFile(TPlatform& platform, const std::string& path, TFileKind kind, TRun& run) {
  std::unique_ptr<TInputFile> file;
  TLoadStatus status =
      kind == TFileKind::Regular ? platform.Load(path, &file) : TLoadStatus::CannotOpen;
  if (status == TLoadStatus::TooLarge) {
    run.State.Diagnostics.Add(LoadFailure(status, path));
    throw AboutFile(TFail(TSeverity::Note, TBoxPrefix::None,
                          Win1251("файл больше предела в ") + std::to_string(kMaxInputSize >> 30) +
                              Win1251(" ГиБ (") + std::to_string(kMaxInputSize) +
                              Win1251(" байт): такие файлы не читаются"),
                          0),
                    path);
  }
  if (status != TLoadStatus::Ok) throw LoadFailure(status, path);
  if (file->Bytes().empty()) throw AboutFile(TFail(Win1251("Указанный файл пуст!")), path);
  run.Loaded = std::move(file);
  run.State.PointCursorAt(run.Loaded->Bytes());
  run.State.Diagnostics.StartFile(path);
  WarnOnEncoding(run.State.Cursor, *run.Loaded, run.State.Diagnostics);
}

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

TFail LoadFailure(TLoadStatus status, const std::string& path) {
  if (status == TLoadStatus::CannotOpen) {
    return AboutFile(TFail(Win1251("Не удалось открыть указанный файл ("), path,
                           Win1251(").\r\nФайл заблокирован или уже используется")),
                     path);
  }
  return AboutFile(TFail(Win1251("Возникла ошибка при загрузке файла ("), path, Win1251(").")),
                   path);
}

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

void ReadDeclarationsFile(TPlatform& platform, const std::string& path, TRun& run) {
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing) {
    throw AboutFile(TFail(Win1251("Указанный файл не существует! ("), path, ")."), path);
  }
  LoadFile(platform, path, kind, run);
  TState& state = run.State;
  // Most files hold a name per line: the tables are sized for that many
  // (within reason for a file of blank lines), so that they never grow.
  std::string_view bytes = run.Loaded->Bytes();
  size_t lines = 1 + fast::Count(bytes.data(), bytes.data() + bytes.size(), '\n');
  size_t names = std::min<size_t>(lines, kReservedNames);
  state.Vars.Reserve(names);
  state.Constants.Reserve(names);
  ReadDeclarations(state.Cursor, state.Vars, state.Constants, &state.Diagnostics);
  // The tables hold copies: the file's bytes are not needed any more.
  state.PointCursorAt({});
  run.Loaded.reset();
}

void LoadScript(TPlatform& platform, const std::string& path, TRun& run) {
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing) {
    throw AboutFile(TFail(Win1251("Файл \""), path, Win1251("\" не существует!")), path);
  }
  LoadFile(platform, path, kind, run);
  run.State.Output.Clear();
  size_t size = run.Loaded->Bytes().size();
  // Room for the whole output, or for a piece and a little when it is written in pieces.
  run.State.Output.Reserve(std::min(size + size / 4, 2 * run.State.PieceSize) + 64);
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
    status = Platform.WriteStandardOutput(rest);
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
                      TReporter& reporter, TReports* reports) {
  auto run = std::make_unique<TRun>();
  run->State.Rekey(platform.HashSeed());
  TDiagnostics& found = run->State.Diagnostics;
  found.Warnings = options.Warnings;
  found.MaxErrors = options.MaxErrors;
  run->State.PieceSize = options.PieceSize;
  TTranslated translated;
  bool outOfMemory = false;
  try {
    if (argument.empty()) Fail(Win1251("Не указан файл для компиляции!"));
    std::string basePath(StripExtension(argument, platform.PathSeparators()));
    std::vector<std::string> inputs = options.Includes;
    inputs.push_back(basePath + ".txt");
    inputs.push_back(basePath + ".erm");
    for (const std::string& path : inputs) {
      if (&path == &inputs.back()) break;
      ReadDeclarationsFile(platform, path, *run);
    }
    LoadScript(platform, inputs.back(), *run);
    std::string path =
        options.Output.empty() ? DefaultOutputPath(platform, basePath) : options.Output;
    TRunOutput output(platform, path, inputs, *run);
    TranslateScript(run->State);
    if (found.Errors == 0 && !(options.Strict && found.WarningCount != 0)) {
      // Out of memory while the warnings are shown leaves the old output as it was.
      found.StartFile({});
      reports->Flush(found, options.Strict, reporter);
      if (output.Finish()) translated = std::make_pair(inputs.back(), path);
    }
  } catch (const TFail& fail) {
    found.Add(fail);
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  reports->Found = std::move(found);
  run.reset();
  if (outOfMemory) throw std::bad_alloc();
  return translated;
}

}  // namespace

int Run(TPlatform& platform, std::string_view argument, const TRunOptions& options,
        TReporter& reporter) {
  // Made while memory is plenty, for when it is not.
  static const TFail outOfMemory(Win1251("Недостаточно памяти для компиляции!"));
  TReports reports;
  TTranslated translated;
  bool outOfMemoryHit = false;
  try {
    translated = Translate(platform, argument, options, reporter, &reports);
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
    platform.PlaySuccessSound();
  } catch (const std::bad_alloc&) {
    // The output is in place: a line or a sound that finds no memory does not undo that.
  }
  return 0;
}

int Run(TPlatform& platform, std::string_view argument) {
  TFirstErrorShown reporter(platform);
  return Run(platform, argument, TRunOptions(), reporter);
}

}  // namespace zunt
