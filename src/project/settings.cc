// The settings file's text: TOML, read with toml++ (header-only), its
// English error texts turned into Russian messages with the place.
#define TOML_HEADER_ONLY 1  // NOLINT: the library's own switches, before its header
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/cp1251.h"
#include "project/project.h"

namespace zunt {
namespace {

// The place of a TOML node or key.
TSettingPlace PlaceOf(const toml::source_region& region) {
  return TSettingPlace{region.begin.line, region.begin.column};
}

// The Russian text for a class of toml++'s English error descriptions.
struct TSyntaxClass {
  std::string_view English;  // a piece of the description
  std::string_view Russian;
};

constexpr TSyntaxClass kSyntaxClasses[] = {
    {"cannot redefine existing", "ключ или таблица заданы дважды"},
    {"cannot insert", "ключ или таблица заданы дважды"},
    {"end-of-file", "неожиданный конец файла"},
    {"saw EOF", "неожиданный конец файла"},
    {"control character", "недопустимый управляющий символ"},
    {"escape sequence", "неизвестная escape-последовательность в строке"},
    {"expected '='", "после ключа нужен знак «=»"},
    {"closing ']'", "в массиве нужна «,» или закрывающая «]»"},
    {"closing '}'", "во встроенной таблице нужна «,» или закрывающая «}»"},
    {"expected ']'", "нет закрывающей «]» у имени таблицы"},
    {"bare key", "ожидался ключ"},
    {"expected keys, tables", "ожидался ключ"},
    {"comment or whitespace", "лишний текст после значения"},
    {"value-terminator", "лишний текст после значения"},
    {"could not determine value type", "непонятное значение: строку пишут в кавычках"},
    {"expected value", "ожидалось значение"},
    {"string", "неверная строка"},
};

// Returns the Russian message for a toml++ error description.
std::string SyntaxMessage(std::string_view description) {
  for (const TSyntaxClass& c : kSyntaxClasses) {
    if (description.find(c.English) != std::string_view::npos) {
      return "ошибка в записи TOML: " + std::string(c.Russian);
    }
  }
  return "ошибка в записи TOML";
}

// Returns the offset of the first byte that is not part of valid UTF-8, or npos.
size_t FirstNonUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || (length == 2 && b < 0xC2) || i + length > text.size()) return i;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

// What the "warnings" key takes.
constexpr std::string_view kWarningsValue =
    "у ключа «warnings» бывает true, false или список имён предупреждений";

// Reads the settings' keys, one at a time.
class TKeyReader {
 public:
  TKeyReader(std::string_view text, const std::string& path, std::string_view separators,
             TProject* project, TDiagnostics& reports)
      : Text(text), Path(path), Separators(separators), Project(*project), Reports(reports) {}

  // Reads one key and its value; returns false after an error.
  bool Read(std::string_view key, const toml::node& value, TSettingPlace keyPlace) {
    if (key == "include") return ReadPaths(key, value, &Project.Includes, &Project.IncludePlaces);
    if (key == "scripts") {
      Project.HasScripts = true;
      return ReadPaths(key, value, &Project.Scripts, &Project.ScriptPlaces);
    }
    if (key == "output") {
      const toml::value<std::string>* text = value.as_string();
      if (!text) return Error(PlaceOf(value.source()), "у ключа «output» должна быть строка");
      if (text->get().empty()) return Error(PlaceOf(value.source()), "пустое имя папки в «output»");
      std::string folder = Project.Folder + text->get();
      if (Separators.find(folder.back()) == std::string_view::npos) folder += Separators[0];
      Project.Output = folder;
      return true;
    }
    if (key == "strict") return ReadSwitch(key, value, &Project.Strict);
    if (key == "warnings") {
      if (const toml::array* names = value.as_array()) return ReadWarnings(*names);
      if (!value.is_boolean()) return Error(PlaceOf(value.source()), kWarningsValue);
      return ReadSwitch(key, value, &Project.Warnings);
    }
    return Error(keyPlace, "неизвестный ключ «" + std::string(key) +
                               "»: бывают include, scripts, output, strict и warnings");
  }

  // Adds the error at place; returns false.
  bool Error(TSettingPlace place, std::string_view text) {
    Reports.Add(ProjectError(Path, place, text, LineOf(Text, place.Line)));
    return false;
  }

 private:
  bool ReadPaths(std::string_view key, const toml::node& value, std::vector<std::string>* paths,
                 std::vector<TSettingPlace>* places) {
    const toml::array* array = value.as_array();
    std::string wanted = "у ключа «" + std::string(key) + "» должен быть список строк";
    if (!array) return Error(PlaceOf(value.source()), wanted);
    for (const toml::node& item : *array) {
      const toml::value<std::string>* text = item.as_string();
      if (!text) return Error(PlaceOf(item.source()), wanted);
      if (text->get().empty()) {
        return Error(PlaceOf(item.source()), "пустое имя файла в «" + std::string(key) + "»");
      }
      if (key == "scripts" && LeavesFolder(text->get())) {
        return Error(PlaceOf(item.source()),
                     "шаблон «" + text->get() +
                         "» ведёт за пределы папки файла zunt.toml: скрипты мода лежат в ней");
      }
      paths->push_back(key == "include" ? Project.Folder + text->get() : text->get());
      places->push_back(PlaceOf(item.source()));
    }
    return true;
  }

  // Returns whether a path leads out of the settings file's folder: from a
  // root or a drive, or through "..".
  bool LeavesFolder(std::string_view path) const {
    if (Separators.find(path.front()) != std::string_view::npos) return true;
    // Where ":" separates, it names a drive ("c:x" is on drive C).
    if (Separators.find(':') != std::string_view::npos &&
        path.find(':') != std::string_view::npos) {
      return true;
    }
    for (size_t at = 0; at <= path.size();) {
      size_t end = path.find_first_of(Separators, at);
      if (end == std::string_view::npos) end = path.size();
      if (path.substr(at, end - at) == "..") return true;
      at = end + 1;
    }
    return false;
  }

  // Reads a list of warnings' names, each "NAME" or "no-NAME".
  bool ReadWarnings(const toml::array& names) {
    TWarningSet given = TWarningSet::None();
    for (const toml::node& item : names) {
      const toml::value<std::string>* name = item.as_string();
      if (!name) return Error(PlaceOf(item.source()), kWarningsValue);
      if (!ReadWarningSwitch(name->get(), &Project.Wanted, &given)) {
        return Error(PlaceOf(item.source()), "неизвестное предупреждение «" + name->get() +
                                                 "»: их имена называет zunt --help");
      }
    }
    return true;
  }

  bool ReadSwitch(std::string_view key, const toml::node& value, std::optional<bool>* to) {
    const toml::value<bool>* flag = value.as_boolean();
    if (!flag) {
      return Error(PlaceOf(value.source()),
                   "у ключа «" + std::string(key) + "» бывает значение true или false");
    }
    *to = flag->get();
    return true;
  }

  std::string_view Text;
  const std::string& Path;
  std::string_view Separators;
  TProject& Project;
  TDiagnostics& Reports;
};

}  // namespace

std::string_view LineOf(std::string_view text, uint64_t line) {
  size_t at = 0;
  for (uint64_t i = 1; i < line && at != std::string_view::npos; ++i) {
    at = text.find('\n', at);
    if (at != std::string_view::npos) ++at;
  }
  if (at == std::string_view::npos || at > text.size()) return {};
  std::string_view rest = text.substr(at);
  rest = rest.substr(0, rest.find('\n'));
  if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
  return rest;
}

TFail ProjectError(const std::string& path, TSettingPlace place, std::string_view utf8Text,
                   std::string_view sourceLine) {
  TFail fail(TSeverity::Error, TBoxPrefix::Project, Win1251(utf8Text), place.Line);
  fail.File = path;
  fail.Column = place.Column;
  fail.SourceLine = Win1251(sourceLine);
  return fail;
}

bool ParseProject(std::string_view text, const std::string& path, std::string_view separators,
                  TProject* project, TDiagnostics& reports) {
  project->File = path;
  project->Text = text;
  size_t folderEnd = path.find_last_of(separators);
  project->Folder = folderEnd == std::string::npos ? "" : path.substr(0, folderEnd + 1);
  size_t bad = FirstNonUtf8(text);
  if (bad != std::string_view::npos) {
    // Lines and columns in bytes: the text cannot be read as characters.
    size_t lineStart = text.rfind('\n', bad == 0 ? 0 : bad - 1);
    lineStart = lineStart == std::string_view::npos || bad == 0 ? 0 : lineStart + 1;
    uint64_t line = 1;
    for (size_t i = 0; i < lineStart; ++i) line += text[i] == '\n';
    TFail fail(TSeverity::Error, TBoxPrefix::Project,
               Win1251("файл не в кодировке UTF-8, которой требует TOML (сохранён в "
                       "Windows-1251?): пересохраните его в UTF-8"),
               line);
    fail.File = path;
    fail.Column = bad - lineStart + 1;
    std::string_view source = text.substr(lineStart);
    source = source.substr(0, source.find('\n'));
    if (!source.empty() && source.back() == '\r') source.remove_suffix(1);
    fail.SourceLine = std::string(source);  // most likely Windows-1251 already
    reports.Add(fail);
    return false;
  }
  toml::parse_result parsed = toml::parse(text, path);
  TKeyReader reader(text, path, separators, project, reports);
  if (!parsed) {
    const toml::parse_error& error = parsed.error();
    return reader.Error(PlaceOf(error.source()), SyntaxMessage(error.description()));
  }
  // The table keeps its keys sorted: they are read in the file's order, so
  // that the first wrong one is the one reported.
  std::vector<std::pair<const toml::key*, const toml::node*>> keys;
  for (auto&& [key, value] : parsed.table()) keys.emplace_back(&key, &value);
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    const toml::source_position& x = a.first->source().begin;
    const toml::source_position& y = b.first->source().begin;
    return x.line != y.line ? x.line < y.line : x.column < y.column;
  });
  for (const auto& [key, value] : keys) {
    if (!reader.Read(key->str(), *value, PlaceOf(key->source()))) return false;
  }
  return true;
}

}  // namespace zunt
