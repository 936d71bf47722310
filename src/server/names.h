// What the features need to know of names: where a declared name stands,
// what a reference expands to, the names in scope at a place, which names
// are valid, and the reference an editor's cursor is typing.
#ifndef ZUNT_SERVER_NAMES_H_
#define ZUNT_SERVER_NAMES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/analysis.h"

namespace zunt {

/// Where a declared name stands: its file, and the bytes of the name in it
/// when the tables know them (Line 0 otherwise: the file alone).
struct TSite {
  std::string Path;
  size_t Begin = 0;
  size_t End = 0;
  uint64_t Line = 0;
};

/// Returns where an entry of the tables was declared: the bytes of its name
/// in its declarations file, as the workspace holds that file now (the file
/// alone when the tables kept no place or the name is no longer there).
TSite SiteOf(TWorkspace& workspace, const TAnalysis& analysis, bool constant, size_t entry);

/// Returns the bytes of a name written on the line of a report's place (line
/// and byte column from 1, lines counted by LF), from that place on: its
/// first and last offsets, or nothing (begin == end) when it is not there.
std::pair<size_t, size_t> NameOnLine(const TText& text, uint64_t line, uint64_t column,
                                     std::string_view name);

/// A name of a declarations file, folded, with its value.
struct TDeclaredName {
  std::string Name;
  std::string Value;
  bool Constant = false;
  TSite Site;
  size_t Entry = 0;  // its place in the tables
};

/// Returns the names that the declarations file at path gave the tables.
std::vector<TDeclaredName> DeclaredIn(TWorkspace& workspace, const TAnalysis& analysis,
                                      const std::string& path);

/// Returns the name whose declaration covers an offset of the declarations
/// file at path (the place just after the name counts), or nothing.
std::optional<TDeclaredName> DeclaredAt(TWorkspace& workspace, const TAnalysis& analysis,
                                        const std::string& path, size_t offset);

/// Returns what a reference to a variable of the given value (its letter
/// and number as written) gives: "$" the letter and number, "@" the number,
/// with the index added (wrapping around in 32 bits).
std::string ReferenceValue(std::string_view value, char mark, int32_t index);

/// The reference that a place stands in, as far as it is typed.
struct TReferenceContext {
  char Mark = 0;      // "$", "@" or "(", 0 when the place is in no reference
  size_t NameAt = 0;  // the name's first byte
};

/// Returns the reference that the place stands in, read from its line's start.
TReferenceContext ReferenceContextAt(std::string_view bytes, size_t offset);

/// Returns why a name cannot be a variable's (or a constant's) name, empty when it can.
std::string NameProblem(std::string_view name, bool constant);

/// Returns whether a folded name starts with (contains) the text in any letter case.
bool StartsWithFolded(std::string_view folded, std::string_view text);
bool ContainsFolded(std::string_view folded, std::string_view text);

/// Returns the file-name part of a path.
std::string_view FileNameOf(std::string_view path);

}  // namespace zunt

#endif  // ZUNT_SERVER_NAMES_H_
