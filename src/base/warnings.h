// The kinds of warning, each with a short name that never changes: shown at
// the end of its message on a terminal ("[-Walias]"), given to an editor as
// the diagnostic's code, and turned off or on again by that name
// ("-Wno-alias", "-Walias", warnings = ["no-alias"] in zunt.toml).
#ifndef ZUNT_BASE_WARNINGS_H_
#define ZUNT_BASE_WARNINGS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace zunt {

enum class TWarning : uint8_t {
  None,               // not a warning
  ByteOrderMark,      // byte-order-mark: a file starts with a byte-order mark
  Utf8Text,           // utf8-text: a file reads as UTF-8
  OpenBackQuote,      // open-back-quote: the script ends between back-quotes
  NonLatinLetter,     // non-latin-letter: a value's letter is not a Latin one
  TextAfterIndex,     // text-after-index: text between "]" and the closing mark
  IndexOverflow,      // index-overflow: the number plus the index wraps around
  LfLineEnd,          // lf-line-end: a variable's line ends in LF without CR
  TextAfterConstant,  // text-after-constant: text after a constant's closing quote
  MultiLineConstant,  // multi-line-constant: a constant runs over declarations
  Alias,              // alias: two names for one variable
  Overlap,            // overlap: an index lands on another name's variable
  ProjectSettings,    // project-settings: a zunt.toml that is not read
};

/// The number of kinds, None among them.
inline constexpr size_t kWarningKinds = static_cast<size_t>(TWarning::ProjectSettings) + 1;

/// A set of kinds of warning.
class TWarningSet {
 public:
  /// Returns the set of every kind.
  static constexpr TWarningSet All() { return TWarningSet(~uint32_t{0}); }
  /// Returns the empty set.
  static constexpr TWarningSet None() { return TWarningSet(0); }

  /// Returns whether the set holds the kind.
  constexpr bool Has(TWarning kind) const { return (Bits >> static_cast<unsigned>(kind)) & 1u; }
  /// Puts the kind in the set, or takes it out.
  constexpr void Set(TWarning kind, bool in) {
    uint32_t bit = uint32_t{1} << static_cast<unsigned>(kind);
    Bits = in ? Bits | bit : Bits & ~bit;
  }
  /// Returns this set with the kinds of `given` as they are in `from`.
  constexpr TWarningSet With(TWarningSet from, TWarningSet given) const {
    return TWarningSet((Bits & ~given.Bits) | (from.Bits & given.Bits));
  }
  constexpr bool operator==(const TWarningSet&) const = default;

 private:
  constexpr explicit TWarningSet(uint32_t bits) : Bits(bits) {}
  uint32_t Bits;
};

/// Returns the name of a kind of warning ("alias"); empty for None.
std::string_view WarningName(TWarning kind);

/// Returns the kind of warning of a name, or None when no kind has it.
TWarning WarningNamed(std::string_view name);

/// Returns every name, in the order of the kinds, separated by ", ".
std::string WarningNames();

/// Reads a switch of one warning: "NAME" turns it on, "no-NAME" off. Sets
/// the kind in `on` and marks it in `given`; returns false for an unknown name.
bool ReadWarningSwitch(std::string_view word, TWarningSet* on, TWarningSet* given);

}  // namespace zunt

#endif  // ZUNT_BASE_WARNINGS_H_
