// The arguments of a Windows command line, by the rule the Windows program
// reads its command line with, for bytes or for UTF-16 text.
#ifndef ZUNT_BASE_ARGUMENTS_H_
#define ZUNT_BASE_ARGUMENTS_H_

#include <string>
#include <string_view>

namespace zunt {

/// Returns argument `index` of a command line (0: the program's own path), or
/// an empty text when there is none. Runs of characters 1 to 32 separate
/// arguments; double quotes make a stretch with blanks and are dropped; an
/// empty argument never counts.
template <class TChar>
std::basic_string<TChar> ArgumentOf(std::basic_string_view<TChar> commandLine, int index) {
  // Characters above 127 are never separators, whatever the sign of TChar.
  auto separates = [](TChar c) { return c >= 1 && c <= 32; };
  int count = 0;  // arguments finished so far
  size_t i = 0;
  while (i < commandLine.size()) {
    while (i < commandLine.size() && separates(commandLine[i])) ++i;
    std::basic_string<TChar> argument;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !separates(commandLine[i])); ++i) {
      if (commandLine[i] == TChar{'"'}) {
        quoted = !quoted;
      } else {
        argument.push_back(commandLine[i]);
      }
    }
    if (argument.empty()) continue;
    if (count++ == index) return argument;
  }
  return {};
}

/// Returns the first argument after the program's own path.
template <class TChar>
std::basic_string<TChar> FirstArgumentOf(std::basic_string_view<TChar> commandLine) {
  return ArgumentOf(commandLine, 1);
}

/// The same for a command line of bytes.
inline std::string FirstArgument(std::string_view commandLine) {
  return FirstArgumentOf<char>(commandLine);
}

}  // namespace zunt

#endif  // ZUNT_BASE_ARGUMENTS_H_
