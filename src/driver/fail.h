// The one way the tool fails: an exception that carries the exact message bytes.
#ifndef ZUNT_DRIVER_FAIL_H_
#define ZUNT_DRIVER_FAIL_H_

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace zunt {

/// The caption of every message the tool shows.
inline constexpr std::string_view kCaption = "ZUNT 2B  version 1.0";

/// A fatal error: the message in Windows-1251 bytes. A driver message may hold
/// a file path, which is the system's own bytes and not Windows-1251 text; its
/// place in the message is kept so that a front end can show it as it is.
class TFail : public std::exception {
 public:
  explicit TFail(std::string message)
      : Message(std::move(message)), PathBegin(Message.size()), PathEnd(Message.size()) {}
  TFail(std::string_view before, std::string_view path, std::string_view after);

  /// The message bytes (Windows-1251 text, plus the path bytes if any).
  const std::string& Text() const { return Message; }
  /// Returns the bytes before the path (all of them when there is no path).
  std::string_view BeforePath() const { return std::string_view(Message).substr(0, PathBegin); }
  /// Returns the path bytes, empty when the message holds no path.
  std::string_view Path() const {
    return std::string_view(Message).substr(PathBegin, PathEnd - PathBegin);
  }
  /// Returns the bytes after the path.
  std::string_view AfterPath() const { return std::string_view(Message).substr(PathEnd); }

  const char* what() const noexcept override { return Message.c_str(); }

 private:
  std::string Message;
  size_t PathBegin = 0;
  size_t PathEnd = 0;
};

/// Stops the run with a message; never returns.
[[noreturn]] void Fail(std::string message);

/// Returns the suffix of every error found inside a file: a line break and
/// "Ошибка в строке №" with the line number.
std::string LineSuffix(uint64_t line);

}  // namespace zunt

#endif  // ZUNT_DRIVER_FAIL_H_
