// What the tool reports: an error, a warning or a note, with the file it is
// about and the place in that file. The core only reports; each front end
// formats a report its own way (a message box, or lines on a terminal).
#ifndef ZUNT_BASE_FAIL_H_
#define ZUNT_BASE_FAIL_H_

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "base/warnings.h"

namespace zunt {

/// The most bytes of a source line that a report quotes.
inline constexpr size_t kQuotedBytes = 200;

/// The caption of every message the tool shows.
inline constexpr std::string_view kCaption = "ZUNT 2B  version 1.0";

enum class TSeverity { Error, Warning, Note };

/// The kind of file that a message box names in its first line.
enum class TBoxPrefix {
  None,
  Declarations,  // "| Ошибка в *.TXT файле |"
  Script,        // "| Ошибка в *.ERM файле |"
  Project,       // "| Ошибка в файле zunt.toml |"
};

/// A report. Its message box text is the prefix line, the body and, for a
/// place inside a file, a line break and "Ошибка в строке №" with the line.
/// The body is Windows-1251 text, except that a driver message may hold a
/// file path, which is the system's own bytes; its place is kept so that a
/// front end can show it as it is. Thrown as the exception that ends a run.
class TFail : public std::exception {
 public:
  /// A message about no place in a file: body bytes only.
  explicit TFail(std::string body);
  /// A message about no place in a file, with a path between two texts.
  TFail(std::string_view before, std::string_view path, std::string_view after);
  /// A message about a place in a file: line is counted from 1.
  TFail(TSeverity severity, TBoxPrefix prefix, std::string_view body, uint64_t line);

  /// Returns the message box text.
  const std::string& Text() const { return Message; }
  /// Returns the box text before the path (all of it when there is no path).
  std::string_view BeforePath() const { return std::string_view(Message).substr(0, PathBegin); }
  /// Returns the path bytes, empty when the message holds no path.
  std::string_view Path() const {
    return std::string_view(Message).substr(PathBegin, PathEnd - PathBegin);
  }
  /// Returns the box text after the path.
  std::string_view AfterPath() const { return std::string_view(Message).substr(PathEnd); }
  /// Returns the message alone: no prefix line, no line suffix.
  std::string_view Body() const {
    return std::string_view(Message).substr(BodyBegin, BodyEnd - BodyBegin);
  }
  /// Returns the place of the path within Body().
  size_t BodyPathBegin() const { return PathBegin - BodyBegin; }
  size_t BodyPathEnd() const { return PathEnd - BodyBegin; }

  const char* what() const noexcept override { return Message.c_str(); }

  TSeverity Severity = TSeverity::Error;
  TWarning Warning = TWarning::None;  // the kind of a warning (kept when strict makes it an error)
  std::string File;                   // the file the message is about; empty: the program itself
  uint64_t Line = 0;                  // from 1; 0 when the message is about no place in a file
  uint64_t Column = 0;                // from 1, in bytes; 0 when there is none
  std::string SourceLine;             // the bytes of that line around the column, no line end
  uint64_t SourceLineFrom = 0;        // how many bytes of the line come before SourceLine
  bool SourceLineCut = false;         // whether the line goes on after SourceLine
  std::vector<TFail> Notes;           // what explains this report, shown after it

  /// Quotes the line the column is on: the whole of it, or when it is longer
  /// than kQuotedBytes only that many bytes around the column.
  void Quote(std::string_view line, uint64_t column);

 private:
  std::string Message;
  size_t BodyBegin = 0;
  size_t BodyEnd = 0;
  size_t PathBegin = 0;
  size_t PathEnd = 0;
};

/// Stops the run with a message about no place in a file; never returns.
[[noreturn]] void Fail(std::string message);

/// Returns the suffix of every error found inside a file: a line break and
/// "Ошибка в строке №" with the line number.
std::string LineSuffix(uint64_t line);

}  // namespace zunt

#endif  // ZUNT_BASE_FAIL_H_
