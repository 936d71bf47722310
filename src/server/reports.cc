#include "server/reports.h"

#include <cstdio>

#include "base/cp1251.h"

namespace zunt {
namespace {

// Message fragments and their codes, the more particular first.
struct TCode {
  std::string_view Fragment;
  std::string_view Also;  // a second fragment the message must hold, or empty
  std::string_view Code;
};
constexpr TCode kCodes[] = {
    {"Переменной $", "не существует", "undeclared-variable"},
    {"Константы (", "не существует", "undeclared-constant"},
    {"Переменная $", "уже была объявлена", "duplicate-variable"},
    {"Константа (", "уже была объявлена", "duplicate-constant"},
    {"Неожиданный конец переменной", "", "unterminated-variable"},
    {"Пустые переменные", "", "empty-variable"},
    {"прервал переменную", "", "unclosed-variable"},
    {"закрывающая скобка индекса", "", "unclosed-index"},
    {"Некорректный индекс", "", "invalid-index"},
    {"Неожиданный конец константы", "", "unterminated-constant"},
    {"Пустые константы", "", "empty-constant"},
    {"прервал константу", "", "unclosed-constant"},
    {"Неожиданный конец объявления константы", "", "unterminated-constant-declaration"},
    {"прервал описание константы", "", "invalid-constant-declaration"},
    {"Неожиданный конец объявления переменной", "", "unterminated-variable-declaration"},
    {"прервал описание переменной", "", "invalid-variable-declaration"},
    {"Некорректное значение переменной", "", "invalid-value"},
    {"Указанный файл не существует", "", "missing-declarations"},
    {"Файл \"", "не существует", "missing-script"},
    {"Не удалось открыть", "", "cannot-open"},
    {"Указанный файл пуст", "", "empty-file"},
    {"ошибка при загрузке", "", "cannot-read"},
    {"Недостаточно памяти", "", "out-of-memory"},
    {"проверка скрипта остановлена", "", "too-many-errors"},
    {"нельзя записать в Windows-1251", "", "unwritable-character"},
    {"открыт как Latin-1", "", "latin1-text"},
};

// The most characters without a byte reported for one text.
constexpr size_t kMaxReportedErrorsInText = 300;

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

int SeverityOf(TSeverity severity) {
  switch (severity) {
    case TSeverity::Error:
      return 1;
    case TSeverity::Warning:
      return 2;
    case TSeverity::Note:
      return 3;
  }
  return 1;
}

TJson Diagnostic(const TRange& range, int severity, std::string_view code,
                 const std::string& message) {
  return TJson{{"range", ToJson(range)},
               {"severity", severity},
               {"source", "zunt"},
               {"code", std::string(code)},
               {"message", message}};
}

}  // namespace

std::string_view CodeOf(std::string_view message) {
  for (const TCode& code : kCodes) {
    if (message.find(code.Fragment) != std::string_view::npos &&
        (code.Also.empty() || message.find(code.Also) != std::string_view::npos)) {
      return code.Code;
    }
  }
  return "zunt";
}

std::string MessageOf(const TFail& report) {
  std::string_view body = report.Body();
  size_t pathBegin = report.BodyPathBegin();
  size_t pathEnd = report.BodyPathEnd();
  std::string message = Utf8FromWin1251(body.substr(0, pathBegin));
  message += body.substr(pathBegin, pathEnd - pathBegin);
  message += Utf8FromWin1251(body.substr(pathEnd));
  // A line break inside a message is one blank.
  std::string flat;
  for (size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    flat.push_back(message[i] == '\n' || message[i] == '\r' ? ' ' : message[i]);
  }
  return flat;
}

size_t TokenEnd(std::string_view bytes, size_t at) {
  if (at >= bytes.size() || IsLineEnd(bytes[at])) return at;
  char first = bytes[at];
  char close = first == '(' ? ')' : first == '[' ? ']' : first;
  if (first == '$' || first == '@' || first == '(' || first == '[') {
    for (size_t i = at + 1; i < bytes.size() && !IsLineEnd(bytes[i]); ++i) {
      if (bytes[i] == close) return i + 1;
    }
  }
  if (first == '$' || first == '@' || first == '(' || first == '~' || first == '\'') {
    size_t i = at + 1;
    while (i < bytes.size() && !IsLineEnd(bytes[i]) && (first != '~' || bytes[i] != ';')) ++i;
    return i;
  }
  size_t i = at;
  while (i < bytes.size() && !IsLineEnd(bytes[i]) && bytes[i] != ' ' && bytes[i] != '\t' &&
         bytes[i] != '=' && bytes[i] != ';') {
    ++i;
  }
  return i == at ? at + 1 : i;
}

TRange RangeOf(const TFail& report, const TText& text) {
  if (report.Line == 0) return TRange{};
  size_t at = text.OffsetOfReport(report.Line, report.Column);
  size_t end = TokenEnd(text.Bytes(), at);
  return TRange{text.PositionOf(at), text.PositionOf(end)};
}

TJson DiagnosticsOf(const std::vector<const TFail*>& reports, const std::string& path,
                    const TText& text, TWorkspace& workspace) {
  // A note explains the report before it (where a name was declared, say),
  // in its own file or, without one, in the report's.
  auto related = [&](const TFail& note) {
    std::string file = note.File.empty() ? path : note.File;
    uint64_t generation = 0;
    const TText* noteText = file == path ? &text : workspace.Text(file, &generation);
    TRange range = noteText ? RangeOf(note, *noteText) : TRange{};
    return TJson{{"location", {{"uri", workspace.UriOf(file)}, {"range", ToJson(range)}}},
                 {"message", MessageOf(note)}};
  };
  TJson list = TJson::array();
  for (const TFail* report : reports) {
    if (report->Severity == TSeverity::Note && !list.empty()) {
      list.back()["relatedInformation"].push_back(related(*report));
      continue;
    }
    std::string message = MessageOf(*report);
    // A warning has its kind's name, the one the command line shows.
    std::string_view code =
        report->Warning != TWarning::None ? WarningName(report->Warning) : CodeOf(message);
    TJson diagnostic =
        Diagnostic(RangeOf(*report, text), SeverityOf(report->Severity), code, message);
    for (const TFail& note : report->Notes) {
      diagnostic["relatedInformation"].push_back(related(note));
    }
    list.push_back(std::move(diagnostic));
  }
  return list;
}

TJson TextDiagnostics(const TText& text, bool latin1) {
  TJson list = TJson::array();
  const std::vector<TForeign>& foreign = text.Foreign();
  if (latin1 && !foreign.empty()) {
    size_t at = foreign.front().At;
    list.push_back(Diagnostic(
        TRange{text.PositionOf(at), text.PositionOf(at + 1)}, 2, "latin1-text",
        "текст похож на Windows-1251, открытый как Latin-1: откройте файл заново в кодировке "
        "Windows-1251 (в neovim: :e ++enc=cp1251)"));
  }
  size_t count = 0;
  for (const TForeign& character : foreign) {
    if (character.Kept) continue;
    if (++count > kMaxReportedErrorsInText) break;
    std::string shown;
    AppendUtf8(&shown, character.CodePoint);
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(character.CodePoint));
    list.push_back(
        Diagnostic(TRange{text.PositionOf(character.At), text.PositionOf(character.At + 1)}, 1,
                   "unwritable-character",
                   "символ «" + shown + "» (" + number + ") нельзя записать в Windows-1251"));
  }
  return list;
}

}  // namespace zunt
