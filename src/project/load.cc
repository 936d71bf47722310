#include "project/load.h"

#include <algorithm>
#include <utility>

#include "base/cp1251.h"
#include "cursor/encoding.h"
#include "cursor/wide.h"
#include "symbols/declarations.h"

namespace zunt {
namespace {

// The most names the tables are sized for ahead of a declarations file.
constexpr size_t kReservedNames = size_t{1} << 20;

// Warns when the loaded file starts with a byte-order mark or reads as UTF-8;
// lets go of the file's memory as far as the check has read it.
void WarnOnEncoding(const TCursor& cursor, TInputFile& file, TDiagnostics& diagnostics) {
  if (!diagnostics.Looks(TWarning::ByteOrderMark) && !diagnostics.Looks(TWarning::Utf8Text)) {
    return;
  }
  size_t mark = ByteOrderMarkLength(cursor.Data);
  if (mark != 0) {
    diagnostics.Warn(cursor.WarningAt(
        TWarning::ByteOrderMark,
        Win1251("файл начинается с метки порядка байтов (BOM), а читается в кодировке "
                "Windows-1251: метка останется в тексте"),
        0));
  }
  // A UTF-8 mark is followed by UTF-8 text, more often than not: the text after it is looked at.
  if ((mark != 0 && mark != 3) || !diagnostics.Looks(TWarning::Utf8Text)) return;
  size_t released = 0;
  size_t at = FirstUtf8Sequence(cursor.Data.substr(mark), [&](size_t passed) {
    file.Release(released, mark + passed);
    released = mark + passed;
  });
  if (at == std::string_view::npos) return;
  at += mark;
  TCursor upTo = cursor;  // lines are counted from the start up to the sequence
  upTo.Pos = at;
  diagnostics.Warn(upTo.WarningAt(
      TWarning::Utf8Text,
      Win1251("файл похож на текст в UTF-8, а читается в кодировке Windows-1251"), at));
}

}  // namespace

void ReserveTablesFor(TState& state, std::string_view bytes) {
  // Most files hold a name per line: the tables are sized for that many
  // (within reason for a file of blank lines), so that they never grow.
  size_t lines = 1 + fast::Count(bytes.data(), bytes.data() + bytes.size(), '\n');
  size_t names = std::min<size_t>(lines, kReservedNames);
  // A constant's line holds a "(".
  size_t constants = fast::Count(bytes.data(), bytes.data() + bytes.size(), '(');
  state.Vars.Reserve(names);
  state.Vars.ReserveValues(names - std::min(names, constants));
  state.Constants.Reserve(std::min(names, constants));
}

TFail AboutFile(TFail fail, const std::string& path) {
  fail.File = path;
  return fail;
}

TFail LoadFailure(TLoadStatus status, const std::string& path) {
  if (status == TLoadStatus::CannotOpen) {
    return AboutFile(TFail(Win1251("Не удалось открыть указанный файл ("), path,
                           Win1251(").\r\nФайл заблокирован или уже используется")),
                     path);
  }
  return AboutFile(TFail(Win1251("Возникла ошибка при загрузке файла ("), path, Win1251(").")),
                   path);
}

bool LoadInputFile(TPlatform& platform, const std::string& path, TFileKind kind, TRun& run,
                   bool emptyIsNothing) {
  // Anything but an ordinary file is never opened.
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
  if (file->Bytes().empty()) {
    if (emptyIsNothing) return false;
    throw AboutFile(TFail(Win1251("Указанный файл пуст!")), path);
  }
  run.Loaded = std::move(file);
  run.State.PointCursorAt(run.Loaded->Bytes());
  run.State.Diagnostics.StartFile(path);
  WarnOnEncoding(run.State.Cursor, *run.Loaded, run.State.Diagnostics);
  return true;
}

void ReadDeclarationsFile(TPlatform& platform, const std::string& path, TRun& run, bool optional) {
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing) {
    if (optional) return;
    throw AboutFile(TFail(Win1251("Указанный файл не существует! ("), path, ")."), path);
  }
  if (!LoadInputFile(platform, path, kind, run, optional)) return;
  TState& state = run.State;
  state.Vars.BeginFile(path);
  state.Constants.BeginFile(path);
  ReserveTablesFor(state, run.Loaded->Bytes());
  ReadDeclarations(state.Cursor, state.Vars, state.Constants, &state.Diagnostics);
  // The tables hold copies: the file's bytes are needed only for the lines
  // that notes about its names quote.
  state.PointCursorAt({});
  run.Declarations = std::move(run.Loaded);
  run.DeclarationsPath = path;
}

}  // namespace zunt
