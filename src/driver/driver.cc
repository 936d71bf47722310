#include "driver/driver.h"

#include <new>

#include "driver/cp1251.h"
#include "driver/fail.h"
#include "symbols/declarations.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// Loads a whole input file that exists into the state's cursor; throws TFail
// when it cannot. Anything but an ordinary file is never opened.
void LoadFile(TPlatform& platform, const std::string& path, TFileKind kind, TState& state) {
  std::unique_ptr<TInputFile> file;
  TLoadStatus status =
      kind == TFileKind::Regular ? platform.Load(path, &file) : TLoadStatus::CannotOpen;
  if (status != TLoadStatus::Ok) throw LoadFailure(status, path);
  if (file->Bytes().empty()) Fail(Win1251("Указанный файл пуст!"));
  state.LoadIntoCursor(std::move(file));
}

}  // namespace

TFail LoadFailure(TLoadStatus status, const std::string& path) {
  if (status == TLoadStatus::CannotOpen) {
    return TFail(Win1251("Не удалось открыть указанный файл ("), path,
                 Win1251(").\r\nФайл заблокирован или уже используется"));
  }
  return TFail(Win1251("Возникла ошибка при загрузке файла ("), path, Win1251(")."));
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

std::string FirstArgument(std::string_view commandLine) {
  int count = 0;  // arguments finished so far
  size_t i = 0;
  while (i < commandLine.size()) {
    auto separates = [](char c) { return c >= 1 && c <= 32; };
    while (i < commandLine.size() && separates(commandLine[i])) ++i;
    std::string argument;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !separates(commandLine[i])); ++i) {
      if (commandLine[i] == '"') {
        quoted = !quoted;
      } else {
        argument.push_back(commandLine[i]);
      }
    }
    if (argument.empty()) continue;
    if (count++ == 1) return argument;
  }
  return {};
}

std::string LoadDeclarations(TPlatform& platform, std::string_view argument, TState& state) {
  if (argument.empty()) Fail(Win1251("Не указан файл для компиляции!"));
  std::string basePath(StripExtension(argument, platform.PathSeparators()));
  std::string path = basePath + ".txt";
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing) {
    throw TFail(Win1251("Указанный файл не существует! ("), path, ").");
  }
  LoadFile(platform, path, kind, state);
  ReadDeclarations(state.Cursor, state.GlobalVars, state.Constants);
  return basePath;
}

void LoadScript(TPlatform& platform, const std::string& basePath, TState& state) {
  std::string path = basePath + ".erm";
  TFileKind kind = platform.Probe(path);
  if (kind == TFileKind::Missing) {
    throw TFail(Win1251("Файл \""), path, Win1251("\" не существует!"));
  }
  state.Unload();  // the declarations are read: their bytes are not needed any more
  LoadFile(platform, path, kind, state);
  state.Output.Clear();
  size_t size = state.Loaded->Bytes().size();
  state.Output.Reserve(size + size / 4 + 64);
}

void WriteOutput(TPlatform& platform, const std::string& basePath, const TState& state) {
  std::string outPath(platform.ParentPrefix());
  outPath += FileNamePart(basePath, platform.PathSeparators());
  outPath += ".erm";
  switch (
      platform.WriteOutput(outPath, state.Output.View(), {basePath + ".txt", basePath + ".erm"})) {
    case TWriteStatus::Ok:
      return;
    case TWriteStatus::CannotCreate:
      Fail(Win1251("Не могу создать выходной ЕРМ файл скрипта!"));
    case TWriteStatus::CannotWrite:
      Fail(Win1251("Не могу записать выходной ЕРМ файл скрипта!"));
    case TWriteStatus::SameAsInput:
      Fail(Win1251("Выходной ЕРМ файл совпадает с исходным файлом!"));
  }
}

int Run(TPlatform& platform, std::string_view argument) {
  try {
    TState state;
    std::string basePath = LoadDeclarations(platform, argument, state);
    LoadScript(platform, basePath, state);
    TranslateScript(state);
    WriteOutput(platform, basePath, state);
  } catch (const TFail& fail) {
    platform.ShowFailure(fail);
    return 1;
  } catch (const std::bad_alloc&) {
    platform.ShowFailure(TFail(Win1251("Недостаточно памяти для компиляции!")));
    return 1;
  }
  platform.PlaySuccessSound();
  return 0;
}

}  // namespace zunt
