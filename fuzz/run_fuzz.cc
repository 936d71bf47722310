// Fuzz target: a whole run on the in-memory platform. The input is split at
// its first zero byte (or in the middle when it has none) into the
// declarations file and the script. A run ends with exactly one of an output
// and a message; a message is the first error of the declarations, an empty
// file, or an error in the script on one of its lines; a script with no
// reference, local declaration or back-quote is copied byte for byte; and
// plain lines put before a script change nothing but the line of an error.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/cp1251.h"
#include "base/fail.h"
#include "driver/driver.h"
#include "fuzz_check.h"
#include "platform/fake.h"
#include "symbols/declarations.h"

namespace zunt {
namespace {

// Returns the message of the first error in the declarations, if any.
std::optional<std::string> DeclarationsError(const std::string& declarations) {
  if (declarations.empty()) return EmptyFileMessage();
  TState state;
  state.LoadIntoCursor(declarations);
  try {
    ReadDeclarations(state.Cursor, state.Vars, state.Constants);
  } catch (const TFail& fail) {
    return fail.Text();
  }
  return std::nullopt;
}

// The output of a script whose only special bytes are back-quotes: each
// back-quote is dropped and switches between copying every byte and leaving
// out blanks and line feeds. Returns nothing for any other script.
std::optional<std::string> PlainOutput(std::string_view script) {
  if (script.find_first_of("$@(~") != std::string_view::npos) return std::nullopt;
  std::string output;
  bool keepWhitespace = true;
  for (char c : script) {
    if (c == '`') {
      keepWhitespace = !keepWhitespace;
    } else if (keepWhitespace || (c != ' ' && c != '\n')) {
      output.push_back(c);
    }
  }
  return output;
}

// Plain text of 1 to 4400 bytes with a line feed every 1 to 8 bytes, chosen
// by the input's hash: long enough to cross hundreds of sixteen-byte blocks,
// and with a period of 1, 2, 4 or 8 the line feeds fall on the same places of
// every block.
std::string PlainLines(std::string_view input) {
  uint32_t hash = 2166136261u;
  for (char c : input) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  size_t length = 1 + hash % 4400;
  size_t period = 1 + (hash >> 16) % 8;
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    text.push_back(i % period == period - 1 ? '\n' : static_cast<char>('a' + i % 26));
  }
  return text;
}

// Returns the message with the line of its line suffix moved down by lines.
std::string MovedDown(const std::string& message, uint64_t lines) {
  static const std::string kSuffix = Win1251("\r\nОшибка в строке №");
  size_t at = message.rfind(kSuffix) + kSuffix.size();
  return message.substr(0, at) + std::to_string(std::stoull(message.substr(at)) + lines);
}

// Runs the script after the plain lines and compares with the first run.
void CheckMovedDown(const std::string& declarations, const std::string& script,
                    const TFakePlatform& first) {
  std::string lines = PlainLines(script);
  TFakePlatform platform;
  platform.AddFile("quest.txt", declarations);
  platform.AddFile("quest.erm", lines + script);
  Run(platform, "quest");
  if (first.Shown) {
    Require(platform.Shown == MovedDown(*first.Shown, CountLineFeeds(lines)),
            "plain lines before a script move its error down by as many lines");
  } else {
    auto output = platform.Files.find("../quest.erm");
    Require(output != platform.Files.end() &&
                output->second.Data == lines + first.Files.at("../quest.erm").Data,
            "plain lines before a script come out before its output");
  }
}

// Collects every report of a run.
struct TCollected final : TReporter {
  std::vector<TFail> Reports;
  void Report(const TFail& report) override { Reports.push_back(report); }
};

// Runs as the command-line program does (warnings, up to twenty errors) and
// compares with the run that showed one message: the same outcome, the same
// first error, warnings that change nothing, and every place inside its file.
void CheckEveryError(const std::string& declarations, const std::string& script,
                     const TFakePlatform& first) {
  TFakePlatform platform;
  platform.AddFile("quest.txt", declarations);
  platform.AddFile("quest.erm", script);
  TRunOptions options = TRunOptions::CommandLine();
  TCollected collected;
  int status = Run(platform, "quest", options, collected);
  Require((status == 0) == !first.Shown.has_value(), "warnings never change the outcome");
  size_t errors = 0;
  for (const TFail& report : collected.Reports) {
    if (report.Severity != TSeverity::Error) continue;
    if (errors++ == 0) Require(report.Text() == first.Shown, "the first error is the one shown");
    Require(report.Column == 0 || report.Column > report.SourceLineFrom,
            "a column stands in the quoted part of its line");
    Require(report.Column <= report.SourceLineFrom + report.SourceLine.size() + 1,
            "a column stands on its line");
    Require(report.Line == 0 || report.File == "quest.txt" || report.File == "quest.erm",
            "an error inside a file names the file");
  }
  Require(errors <= 20, "at most twenty errors");
  if (status == 0) {
    Require(platform.Files.at("../quest.erm").Data == first.Files.at("../quest.erm").Data,
            "warnings never change the output");
  }
}

}  // namespace
}  // namespace zunt

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zunt;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  size_t scriptStart = split == std::string_view::npos ? size / 2 : split + 1;
  if (split == std::string_view::npos) split = size / 2;
  std::string declarations(input.substr(0, split));
  std::string script(input.substr(scriptStart));

  TFakePlatform platform;
  platform.AddFile("quest.txt", declarations);
  platform.AddFile("quest.erm", script);
  int status = Run(platform, "quest");

  auto output = platform.Files.find("../quest.erm");
  bool wrote = output != platform.Files.end();
  Require(status == 0 || status == 1, "the status is 0 or 1");
  Require((status == 0) == wrote, "status 0 exactly when the output is written");
  Require(wrote != platform.Shown.has_value(), "a message exactly when no output is written");
  Require(wrote == platform.SoundPlayed, "the sound exactly when the output is written");
  CheckEveryError(declarations, script, platform);

  if (std::optional<std::string> error = DeclarationsError(declarations)) {
    Require(platform.Shown == error, "the first error of the declarations stops the run");
    return 0;
  }
  if (script.empty()) {
    Require(platform.Shown == EmptyFileMessage(), "an empty script stops the run");
    return 0;
  }
  if (platform.Shown) {
    Require(IsErrorInFile(*platform.Shown, TErrorFile::Script, CountLineFeeds(script)),
            "an error after the declarations is a script error with a line of the script");
  }
  if (std::optional<std::string> expected = PlainOutput(script)) {
    Require(wrote && output->second.Data == *expected,
            "a script without references and local declarations is copied, less the "
            "whitespace between back-quotes");
  }
  CheckMovedDown(declarations, script, platform);
  return 0;
}
