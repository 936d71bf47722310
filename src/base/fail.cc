#include "base/fail.h"

#include <algorithm>

#include "base/cp1251.h"

namespace zunt {

TFail::TFail(std::string body)
    : Message(std::move(body)),
      BodyEnd(Message.size()),
      PathBegin(Message.size()),
      PathEnd(Message.size()) {}

TFail::TFail(std::string_view before, std::string_view path, std::string_view after) {
  Message.reserve(before.size() + path.size() + after.size());
  Message.append(before);
  PathBegin = Message.size();
  Message.append(path);
  PathEnd = Message.size();
  Message.append(after);
  BodyEnd = Message.size();
}

TFail::TFail(TSeverity severity, TBoxPrefix prefix, std::string_view body, uint64_t line)
    : Severity(severity), Line(line) {
  static const std::string kDeclarations = Win1251("| Ошибка в *.TXT файле |\r\n");
  static const std::string kScript = Win1251("| Ошибка в *.ERM файле |\r\n");
  static const std::string kProject = Win1251("| Ошибка в файле zunt.toml |\r\n");
  if (prefix == TBoxPrefix::Declarations) Message = kDeclarations;
  if (prefix == TBoxPrefix::Script) Message = kScript;
  if (prefix == TBoxPrefix::Project) Message = kProject;
  BodyBegin = Message.size();
  Message.append(body);
  BodyEnd = PathBegin = PathEnd = Message.size();
  Message += LineSuffix(line);
}

void TFail::Quote(std::string_view line, uint64_t column) {
  Column = column;
  size_t from = 0;
  if (line.size() > kQuotedBytes) {
    // The column at a third of the window: the text after it tells more.
    uint64_t at = column - 1;
    from = at > kQuotedBytes / 3
               ? std::min<uint64_t>(at - kQuotedBytes / 3, line.size() - kQuotedBytes)
               : 0;
  }
  std::string_view shown = line.substr(from, kQuotedBytes);
  SourceLine.assign(shown);
  SourceLineFrom = from;
  SourceLineCut = from + shown.size() < line.size();
}

void Fail(std::string message) { throw TFail(std::move(message)); }

std::string LineSuffix(uint64_t line) {
  static const std::string kText = Win1251("\r\nОшибка в строке №");
  return kText + std::to_string(line);
}

}  // namespace zunt
