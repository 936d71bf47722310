#include "driver/terminal.h"

#include <cstdint>

#include "base/cp1251.h"
#include "driver/safe_text.h"

namespace zunt {
namespace {

constexpr std::string_view kReset = "\033[m\033[K";

// Appends a source line as UTF-8, one character a byte so that the caret
// lines up: control bytes other than the tab become their pictures.
void AppendSourceLine(std::string* out, std::string_view line) {
  for (char c : line) {
    unsigned char b = static_cast<unsigned char>(c);
    if ((b < 32 && b != '\t') || b == 0x7F) {
      AppendPicture(out, b);
    } else {
      *out += Utf8FromWin1251(std::string_view(&c, 1));
    }
  }
}

// How each severity is written: its word, and its colour as gcc shows it.
struct TSeverityStyle {
  std::string_view Word;
  std::string_view Color;
};

TSeverityStyle StyleOf(TSeverity severity) {
  switch (severity) {
    case TSeverity::Error:
      return {"error: ", "\033[01;31m\033[K"};
    case TSeverity::Warning:
      return {"warning: ", "\033[01;35m\033[K"};
    case TSeverity::Note:
      break;
  }
  return {"note: ", "\033[01;36m\033[K"};
}

// "   13 | text" and "      |     ^" below the message.
void AppendQuote(std::string* out, const TFail& report, bool color) {
  std::string number = std::to_string(report.Line);
  std::string gutter(number.size() < 5 ? 5 - number.size() : 0, ' ');
  *out += gutter + number + " | ";
  if (report.SourceLineFrom != 0) *out += "…";
  AppendSourceLine(out, report.SourceLine);
  if (report.SourceLineCut) *out += "…";
  *out += '\n';
  *out += std::string(gutter.size() + number.size(), ' ') + " | ";
  if (report.SourceLineFrom != 0) *out += ' ';
  // The column within the quoted bytes; a caret past them stands after them.
  uint64_t column = report.Column - 1 - std::min(report.SourceLineFrom, report.Column - 1);
  std::string_view before = std::string_view(report.SourceLine)
                                .substr(0, std::min<uint64_t>(column, report.SourceLine.size()));
  for (char c : before) *out += c == '\t' ? '\t' : ' ';
  if (column > report.SourceLine.size())
    *out += std::string(column - report.SourceLine.size(), ' ');
  *out += color ? "\033[01;32m\033[K^" + std::string(kReset) : "^";
  *out += '\n';
}

}  // namespace

std::string OneLineBody(const TFail& report) {
  std::string_view body = report.Body();
  std::string out;
  AppendOneLineCut(&out, body.substr(0, report.BodyPathBegin()));
  AppendPath(&out,
             body.substr(report.BodyPathBegin(), report.BodyPathEnd() - report.BodyPathBegin()));
  AppendOneLineCut(&out, body.substr(report.BodyPathEnd()));
  return out;
}

std::string TerminalText(const TFail& report, bool color) {
  std::string locus = report.File.empty() ? std::string(kProgramName) : SafePath(report.File);
  if (report.Line != 0) {
    locus += ':' + std::to_string(report.Line);
    if (report.Column != 0) locus += ':' + std::to_string(report.Column);
  }
  locus += ':';
  std::string out;
  if (color) out += "\033[01m\033[K";
  out += locus;
  if (color) out += kReset;
  out += ' ';
  TSeverityStyle style = StyleOf(report.Severity);
  if (color) out += style.Color;
  out += style.Word;
  if (color) out += kReset;
  out += OneLineBody(report);
  if (report.Warning != TWarning::None) {
    // The name that turns it off, as gcc shows it: " [-Walias]".
    out += " [";
    if (color) out += style.Color;
    out += "-W";
    out += WarningName(report.Warning);
    if (color) out += kReset;
    out += ']';
  }
  out += '\n';
  if (report.Line != 0 && report.Column != 0) AppendQuote(&out, report, color);
  return out;
}

bool AutoColor(bool terminal, const char* noColor, const char* term) {
  bool noColorSet = noColor != nullptr && noColor[0] != '\0';
  return terminal && !noColorSet && term != nullptr && std::string_view(term) != "dumb";
}

}  // namespace zunt
