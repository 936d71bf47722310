// Fuzz target: a whole run on the in-memory platform. The input is split at
// its first zero byte (or in the middle when it has none) into the
// declarations file and the script. A run ends with exactly one of an output
// and a message; a message is the first error of the declarations, an empty
// file, or an error in the script on one of its lines; a script with no
// reference, local declaration or back-quote is copied byte for byte.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/driver.h"
#include "driver/fail.h"
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
    ReadDeclarations(state.Cursor, state.GlobalVars, state.Constants);
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
  return 0;
}
