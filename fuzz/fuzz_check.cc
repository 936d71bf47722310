#include "fuzz_check.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "base/cp1251.h"
#include "base/fail.h"
#include "cursor/fold.h"
#include "symbols/declarations.h"
#include "translator/state.h"
#include "translator/translator.h"

namespace zunt {
namespace {

// What stands between the head and the tail of a message body.
enum class TMiddle {
  None,         // nothing: the body is the head alone
  Byte,         // one byte that is not a blank
  Constant,     // a constant's name: folded, not empty, no ")" and no line end
  DeclaredVar,  // a declared name: folded, no leading blank, no "[", "=", "$", "@" or line end
  ReferredVar,  // a referred name: folded, no "[" and no line end
};

struct TShape {
  std::string Head;
  TMiddle Middle = TMiddle::None;
  std::string Tail;
};

TShape Shape(std::string_view head, TMiddle middle = TMiddle::None, std::string_view tail = "") {
  return TShape{Win1251(head), middle, Win1251(tail)};
}

// The errors of a variable declaration, in the declarations file or local in the script.
void AddVariableDeclarationShapes(std::vector<TShape>& shapes) {
  shapes.push_back(Shape("Неожиданный конец объявления переменной!"));
  shapes.push_back(Shape("Некорректный символ \"Конец строки\" прервал описание переменной!"));
  shapes.push_back(Shape("Некорректный символ \"$\" прервал описание переменной!"));
  shapes.push_back(Shape("Некорректный символ \"@\" прервал описание переменной!"));
  shapes.push_back(Shape("Переменная $", TMiddle::DeclaredVar, "$ уже была объявлена ранее!"));
  shapes.push_back(Shape("Неожиданный конец объявления переменной $", TMiddle::DeclaredVar, "$ !"));
  shapes.push_back(Shape("Некорректное значение переменной $", TMiddle::DeclaredVar, "$ !"));
}

const std::vector<TShape>& DeclarationsShapes() {
  static const std::vector<TShape> shapes = [] {
    std::vector<TShape> s = {
        Shape("Неожиданный конец объявления константы!"),
        Shape("Пустые константы запрещены!"),
        Shape("Некорректный символ \"Конец строки\" прервал описание константы!"),
        Shape("Константа (", TMiddle::Constant, ") уже была объявлена ранее!"),
        Shape("Некорректный символ {", TMiddle::Byte, "} прервал описание константы!"),
        Shape("Неожиданный конец объявления константы (", TMiddle::Constant, ") !"),
        Shape("Неожиданный конец объявления константы (", TMiddle::Constant,
              ") !\r\nНе указано её значение!"),
    };
    AddVariableDeclarationShapes(s);
    return s;
  }();
  return shapes;
}

const std::vector<TShape>& ScriptShapes() {
  static const std::vector<TShape> shapes = [] {
    std::vector<TShape> s = {
        Shape("Неожиданный конец переменной!"),
        Shape("Пустые переменные запрещены!"),
        Shape("Некорректный символ \"Конец строки\" прервал переменную!"),
        Shape("Отсутствует закрывающая скобка индекса переменной!"),
        Shape("Некорректный индекс переменной!"),
        Shape("Переменной $", TMiddle::ReferredVar, "$ не существует!"),
        Shape("Неожиданный конец константы!"),
        Shape("Пустые константы запрещены!"),
        Shape("Некорректный символ \"Конец строки\" прервал константу!"),
    };
    AddVariableDeclarationShapes(s);
    return s;
  }();
  return shapes;
}

bool IsFolded(std::string_view name) {
  std::string folded(name);
  UpperCaseName(folded);
  return folded == name;
}

bool Lacks(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) == std::string_view::npos;
}

bool PlausibleMiddle(std::string_view middle, TMiddle kind, char lineEnd) {
  const char constantBreaks[] = {')', lineEnd, '\0'};
  const char declaredBreaks[] = {'[', '=', '$', '@', lineEnd, '\0'};
  const char referredBreaks[] = {'[', lineEnd, '\0'};
  switch (kind) {
    case TMiddle::None:
      return middle.empty();
    case TMiddle::Byte:
      return middle.size() == 1 && middle[0] != ' ';
    case TMiddle::Constant:
      return !middle.empty() && IsFolded(middle) && Lacks(middle, constantBreaks);
    case TMiddle::DeclaredVar:
      return IsFolded(middle) && Lacks(middle, declaredBreaks) &&
             (middle.empty() || static_cast<unsigned char>(middle[0]) > 32);
    case TMiddle::ReferredVar:
      return IsFolded(middle) && Lacks(middle, referredBreaks);
  }
  return false;
}

bool MatchesShape(std::string_view body, const TShape& shape, char lineEnd) {
  if (shape.Middle == TMiddle::None) return body == shape.Head;
  if (body.size() < shape.Head.size() + shape.Tail.size()) return false;
  if (!body.starts_with(shape.Head) || !body.ends_with(shape.Tail)) return false;
  std::string_view middle =
      body.substr(shape.Head.size(), body.size() - shape.Head.size() - shape.Tail.size());
  return PlausibleMiddle(middle, shape.Middle, lineEnd);
}

bool MatchesAny(std::string_view body, const std::vector<TShape>& shapes, char lineEnd) {
  return std::any_of(shapes.begin(), shapes.end(),
                     [&](const TShape& shape) { return MatchesShape(body, shape, lineEnd); });
}

// Removes the line suffix from the message; returns false unless it is there
// with a line from 1 to lineFeeds + 1, written without leading zeros.
bool CutLineSuffix(std::string_view& message, uint64_t lineFeeds) {
  static const std::string kSuffix = Win1251("\r\nОшибка в строке №");
  size_t at = message.rfind(kSuffix);
  if (at == std::string_view::npos) return false;
  std::string_view digits = message.substr(at + kSuffix.size());
  if (digits.empty() || digits.size() > 19 || digits[0] == '0') return false;
  uint64_t line = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    line = line * 10 + static_cast<uint64_t>(c - '0');
  }
  if (line > lineFeeds + 1) return false;
  message = message.substr(0, at);
  return true;
}

// A report as text: its kind, place, message and source line.
std::string ReportText(const TFail& report) {
  static const char* const kKinds[] = {"error ", "warning ", "note "};
  return kKinds[static_cast<int>(report.Severity)] + report.Text() + " @" +
         std::to_string(report.Line) + ":" + std::to_string(report.Column) + " [" +
         report.SourceLine + "]\n";
}

}  // namespace

uint64_t CountLineFeeds(std::string_view text) {
  return static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n'));
}

bool IsErrorInFile(std::string_view message, TErrorFile file, uint64_t lineFeeds) {
  static const std::string kTxtPrefix = Win1251("| Ошибка в *.TXT файле |\r\n");
  static const std::string kErmPrefix = Win1251("| Ошибка в *.ERM файле |\r\n");
  static const TShape kUnknownConstant =
      Shape("Константы (", TMiddle::Constant, ") не существует!");
  if (!CutLineSuffix(message, lineFeeds)) return false;
  if (file == TErrorFile::Declarations) {
    return message.starts_with(kTxtPrefix) &&
           MatchesAny(message.substr(kTxtPrefix.size()), DeclarationsShapes(), '\r');
  }
  if (message.starts_with(kErmPrefix)) {
    return MatchesAny(message.substr(kErmPrefix.size()), ScriptShapes(), '\n');
  }
  return MatchesShape(message, kUnknownConstant, '\n');
}

const std::string& EmptyFileMessage() {
  static const std::string kMessage = Win1251("Указанный файл пуст!");
  return kMessage;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF)) {
      c = static_cast<char>(b + 32);
    } else if (b == 0xA8) {
      c = static_cast<char>(0xB8);
    }
  }
  return lower;
}

std::string DeclarationsOutcome(std::string_view declarations, bool quick) {
  TState state;
  state.LoadIntoCursor(std::string(declarations));
  state.Diagnostics.Warnings = true;
  std::string outcome;
  try {
    if (quick) {
      ReadDeclarations(state.Cursor, state.Vars, state.Constants, &state.Diagnostics);
    } else {
      ReadDeclarationsCarefully(state.Cursor, state.Vars, state.Constants, &state.Diagnostics);
    }
  } catch (const TFail& fail) {
    outcome += "thrown " + ReportText(fail);
  }
  for (const TFail& warning : state.Diagnostics.Items) outcome += ReportText(warning);
  outcome += "cursor " + std::to_string(state.Cursor.Pos) + " line " +
             std::to_string(state.Cursor.CurrentLine()) + "\n";
  for (const TSymbolTable* table : {&state.Vars, &state.Constants}) {
    for (size_t i = 0; i < table->size(); ++i) {
      const TSymbolTable::TEntry& entry = (*table)[i];
      outcome += std::string(table->Name(entry)) + " = " + std::string(table->Replacement(entry)) +
                 " " + std::to_string(table == &state.Vars ? entry.Number() : 0) + "\n";
    }
    outcome += "--\n";
  }
  return outcome;
}

std::string ScriptOutcome(std::string_view declarations, std::string_view script,
                          const TScriptReading& reading) {
  TState state;
  state.LoadIntoCursor(std::string(declarations));
  ReadDeclarations(state.Cursor, state.Vars, state.Constants);
  std::unique_ptr<char[]> bytes(new char[script.size()]);
  if (!script.empty()) std::memcpy(bytes.get(), script.data(), script.size());
  state.PointCursorAt(std::string_view(bytes.get(), script.size()));
  state.CommonCase = reading.CommonCase;
  state.PieceSize = reading.PieceSize;
  state.Diagnostics.MaxErrors = reading.MaxErrors;
  state.Diagnostics.Warnings = reading.Warnings;
  std::string written;
  state.PieceContext = &written;
  state.OnPiece = [](TState& s, void* context) {
    static_cast<std::string*>(context)->append(s.Output.View());
    s.Output.Clear();
  };
  std::string thrown;
  try {
    TranslateScript(state);
  } catch (const TFail& fail) {
    thrown = "thrown " + ReportText(fail);
  }
  written.append(state.Output.View());
  written += "\n";
  for (const TFail& report : state.Diagnostics.Items) written += ReportText(report);
  return written + thrown;
}

}  // namespace zunt
