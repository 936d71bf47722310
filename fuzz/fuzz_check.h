// Checks shared by the fuzz targets: a broken property stops the fuzzer, and
// every error message found inside a file must have one of the known shapes.
#ifndef ZUNT_FUZZ_FUZZ_CHECK_H_
#define ZUNT_FUZZ_FUZZ_CHECK_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace zunt {

/// Reports a broken property on stderr and aborts, so that libFuzzer keeps the input.
[[noreturn]] inline void Broken(const char* property) {
  std::fprintf(stderr, "broken property: %s\n", property);
  std::abort();
}

/// Aborts with the property's description unless it holds.
inline void Require(bool holds, const char* property) {
  if (!holds) Broken(property);
}

/// The kind of file an error was found in.
enum class TErrorFile { Declarations, Script };

/// Returns the number of line feeds in the text.
uint64_t CountLineFeeds(std::string_view text);

/// Returns whether the message is an error found inside a file of that kind:
/// the file's prefix (none for an unknown constant in the script), one of the
/// bodies of that file with a plausible name in it, and the line suffix with a
/// line from 1 to lineFeeds + 1.
bool IsErrorInFile(std::string_view message, TErrorFile file, uint64_t lineFeeds);

/// Returns the message of a file that is empty.
const std::string& EmptyFileMessage();

/// Returns the text with every Windows-1251 capital letter made small, the
/// inverse of the folding of names for a-z, а-я and ё.
std::string LowerCase(std::string_view text);

}  // namespace zunt

#endif  // ZUNT_FUZZ_FUZZ_CHECK_H_
