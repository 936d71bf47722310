// Checks shared by the fuzz targets and the generated comparisons among the
// tests: a broken property stops the fuzzer, every error message found inside
// a file must have one of the known shapes, and a reading is summed up as text
// so that two ways of reading the same bytes can be compared.
#ifndef ZUNT_FUZZ_FUZZ_CHECK_H_
#define ZUNT_FUZZ_FUZZ_CHECK_H_

#include <cstddef>
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

/// Returns everything a reading of the declarations leaves, as text: the
/// error and the warnings with their places, the cursor, and both tables in
/// order; read by the quick reader of plain lines, or by the careful one alone.
std::string DeclarationsOutcome(std::string_view declarations, bool quick);

/// How a script is translated for ScriptOutcome.
struct TScriptReading {
  bool CommonCase = true;              // the tight loop, or the careful reader alone
  size_t PieceSize = size_t{1} << 20;  // the output is taken away in pieces of this size
  size_t MaxErrors = 20;               // 1: the first error is thrown
  bool Warnings = true;
};

/// Translates the script after the declarations, the script in a buffer of
/// exactly its size (so that the sanitizers see any read past it); returns
/// the output and every report with its place, one per line, and the error
/// thrown, if any. The declarations must read without an error.
std::string ScriptOutcome(std::string_view declarations, std::string_view script,
                          const TScriptReading& reading);

}  // namespace zunt

#endif  // ZUNT_FUZZ_FUZZ_CHECK_H_
