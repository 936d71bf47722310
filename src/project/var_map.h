// The map of the variables that scripts take: for each letter the numbers
// in use, the names bound to each number, how often each is referred to, and
// the numbers left free between the lowest and the highest. Made from the
// tables and the passes that a translation makes anyway, with no file read
// here: the command line and the language server feed it alike.
#ifndef ZUNT_PROJECT_VAR_MAP_H_
#define ZUNT_PROJECT_VAR_MAP_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "symbols/table.h"
#include "translator/state.h"

namespace zunt {

/// A place in a file of the map: Line 0 when there is none.
struct TMapPlace {
  static constexpr uint32_t kNoFile = UINT32_MAX;
  uint32_t File = kNoFile;  // in TVarMap::Files
  uint64_t Line = 0;
  uint64_t Column = 0;  // in bytes, from 1
  bool Known() const { return Line != 0; }
};

/// Where a name is known: every script that reads its file, the script
/// that its own declarations file belongs to, or a stretch of one script.
enum class TNameScope { Shared, Script, Local };

/// A name bound to a variable. A local declared again after "~~" with the
/// same value is the same name.
struct TMapName {
  std::string Name;  // folded, Windows-1251
  char Letter = 0;
  int32_t Number = 0;
  TNameScope Scope = TNameScope::Shared;
  uint32_t Script = TMapPlace::kNoFile;  // for Script and Local: the script, in Files
  TMapPlace Declared;                    // its first byte ("~" for a local)
  size_t Refs = 0;                       // the references by this name, with any index
  TMapPlace First;                       // the first of them
  bool Unused() const { return Refs == 0; }
};

/// A number in use under a letter: bound to a name, or reached by an index.
struct TMapNumber {
  char Letter = 0;
  int32_t Number = 0;
  std::vector<size_t> Names;  // in TVarMap::Names, in the order they were met
  size_t Refs = 0;       // the references that land here: an index counts here, not on its name
  TMapPlace First;       // the first of them
  bool Alias = false;    // bound to two names or more
  bool Overlap = false;  // reached by an index of another name than its own
};

/// The free numbers from From to To, both in.
struct TMapRange {
  int32_t From = 0;
  int32_t To = 0;
};

/// A letter's numbers in use, Numbers[Begin, End) of the map, and the free ones between.
struct TMapLetter {
  char Letter = 0;
  size_t Begin = 0;
  size_t End = 0;
  std::vector<TMapRange> Free;
};

struct TVarMap {
  std::vector<std::string> Files;  // the paths the places name
  std::vector<uint32_t> Scripts;   // the scripts mapped, in Files
  std::vector<TMapName> Names;
  std::vector<TMapNumber> Numbers;  // by letter (as bytes from 0 to 255), then number
  std::vector<TMapLetter> Letters;
};

/// Makes the map of one or more scripts, a script at a time: its tables
/// before its pass, then what the pass meets.
class TVarMapBuilder {
 public:
  /// Makes an empty map whose hash of numbers is keyed by seed.
  explicit TVarMapBuilder(const THashSeed& seed = kFixedHashSeed) : Seed(seed) {}
  /// Starts a script at path, whose tables (its own names, the shared
  /// ones below them) are read and whose pass over text is to come; the
  /// shared names are taken once for all the scripts that share them.
  void BeginScript(const std::string& path, const TSymbolTable& vars, std::string_view text);
  /// Takes what the pass met; set as the state's OnSeen, with the builder as context.
  static void Seen(const TSeen& seen, void* builder);
  /// Returns the map of the scripts so far.
  TVarMap Finish();

 private:
  // Returns the file's place in the map's files.
  uint32_t FileOf(std::string_view path);
  // Adds a name bound to the variable at a place of the table, declared at `declared`.
  size_t AddName(const TSymbolTable& vars, size_t place, TNameScope scope, TMapPlace declared);
  // Returns the number record of a letter and number, made when new.
  size_t NumberOf(char letter, int32_t number);
  // Returns the hash of a number's key.
  size_t SlotOf(uint64_t key) const {
    uint64_t high;
    return static_cast<size_t>(MultiplyWide(key ^ Seed.A, Seed.B | 1, &high) ^ high);
  }
  // Returns the place in the script of the byte at offset, which is not before the last one asked.
  TMapPlace PlaceIn(size_t offset);
  // Counts a reference at `at` on the record of a name or of a number.
  static void Count(size_t* refs, TMapPlace* first, const TMapPlace& at);
  // Counts a reference to a declared variable: on its name, and on the
  // number it lands on.
  void Referred(const TSeen& seen);

  // The numbers' records by ValueKey: open addressing over a power-of-two
  // number of slots, at most half in use; a slot's key 0 marks it empty.
  struct TNumberSlot {
    uint64_t Key = 0;
    size_t Record = 0;
  };

  THashSeed Seed;
  TVarMap Map;
  std::unordered_map<std::string, uint32_t> Files;
  std::vector<TNumberSlot> NumberAt{16};
  std::map<const TSymbolTable*, std::vector<size_t>> SharedNames;  // each entry's name
  std::map<std::string, size_t> LocalNames;                        // by script, value and name
  std::vector<size_t> NameNumber;                                  // by name: its number
  std::vector<size_t> IndexedBy;    // by number: the first name whose index reached it
  std::vector<bool> IndexedByMore;  // and whether another name's did too

  // The script under way.
  const TSymbolTable* Vars = nullptr;
  const std::vector<size_t>* Shared = nullptr;  // the names of the entries below its own
  std::vector<size_t> Own;                      // the names of its own entries
  std::vector<size_t> Locals;                   // by place from LocalsFrom: the live locals' names
  size_t OwnFrom = 0;                           // the place of its first own entry
  size_t LocalsFrom = 0;
  uint32_t Script = 0;
  std::string_view Text;
  size_t LineAt = 0;  // the offset up to which lines are counted
  uint64_t Line = 1;
  size_t LineStart = 0;
};

/// A number that two maps both take, with its record in each.
struct TSharedNumber {
  const TMapNumber* Ours = nullptr;
  const TMapNumber* Theirs = nullptr;
};

/// Returns the numbers that both maps take, by letter and number.
std::vector<TSharedNumber> SharedNumbers(const TVarMap& ours, const TVarMap& theirs);

/// Sorts a map's numbers by letter and number and makes its letters, with
/// the free numbers between each letter's lowest and highest.
void SortNumbers(TVarMap& map);

}  // namespace zunt

#endif  // ZUNT_PROJECT_VAR_MAP_H_
