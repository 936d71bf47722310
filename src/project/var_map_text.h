// The map of the variables as a table to read, in UTF-8: a letter at a
// time, a line for each number in use (how often it is referred to, where
// first, and its names with their places and marks), then the free numbers.
//   v: номера 1–501, занято 4, свободно 497
//     номер  ссылок  первая ссылка        имена
//     v10         2  src/heroes.erm:2:35  $LEVEL$ src/heroes.txt:2, $RANK$ … [alias]
//     свободны: v2–v9, v11–v499
#ifndef ZUNT_PROJECT_VAR_MAP_TEXT_H_
#define ZUNT_PROJECT_VAR_MAP_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

#include "project/var_map.h"

namespace zunt {

/// How a front end writes a path in UTF-8 (made safe for a terminal, say).
using TShowPath = std::string (*)(std::string_view path);

/// Returns the map as a table. A name's control bytes are shown as their
/// pictures; paths as showPath writes them.
std::string VarMapText(const TVarMap& map, TShowPath showPath);

/// Returns the numbers that both maps take, with the names each gives them.
std::string SharedNumbersText(const TVarMap& ours, const TVarMap& theirs,
                              const std::vector<TSharedNumber>& shared, TShowPath showPath);

}  // namespace zunt

#endif  // ZUNT_PROJECT_VAR_MAP_TEXT_H_
