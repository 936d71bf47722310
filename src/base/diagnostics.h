// The reports of one run, in the order they were found.
#ifndef ZUNT_BASE_DIAGNOSTICS_H_
#define ZUNT_BASE_DIAGNOSTICS_H_

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "base/fail.h"
#include "base/warnings.h"

namespace zunt {

struct TDiagnostics {
  /// The most warnings shown for one file; the rest are only counted.
  static constexpr size_t kMaxWarningsShown = 20;

  /// Whether warnings are looked for at all.
  bool Warnings = false;
  /// The kinds looked for, when warnings are.
  TWarningSet Wanted = TWarningSet::All();
  /// How many errors in the script are reported before the pass stops; at 1
  /// the first error ends the pass at once, thrown.
  size_t MaxErrors = 1;
  /// The file that reports without a file of their own are about.
  std::string CurrentFile;

  std::vector<TFail> Items;
  size_t Errors = 0;
  size_t WarningCount = 0;      // shown and hidden
  size_t FileWarnings = 0;      // shown for the current file
  size_t HiddenWarnings = 0;    // found in the current file beyond those shown
  bool LineFeedWarned = false;  // the warning on LF line ends is given once a file

  /// Adds a report, and after it its notes; each is about the current file
  /// unless it names one.
  void Add(TFail report) {
    if (report.File.empty() && report.Line != 0) report.File = CurrentFile;
    if (report.Severity == TSeverity::Error) ++Errors;
    if (report.Severity == TSeverity::Warning) ++WarningCount, ++FileWarnings;
    std::vector<TFail> notes = std::move(report.Notes);
    report.Notes.clear();
    Items.push_back(std::move(report));
    for (TFail& note : notes) Add(std::move(note));
  }
  /// Returns whether a warning of the kind found now is to be made and
  /// added: the kind is looked for and the file has not shown its share. One
  /// beyond the share is counted here, so that its report is never made.
  bool ShowsWarning(TWarning kind) {
    if (!Looks(kind)) return false;
    if (FileWarnings < kMaxWarningsShown) return true;
    ++HiddenWarnings, ++WarningCount;
    return false;
  }
  /// Adds a warning, if it is to be shown.
  void Warn(TFail warning) {
    if (ShowsWarning(warning.Warning)) Add(std::move(warning));
  }
  /// Returns whether warnings of the kind are looked for.
  bool Looks(TWarning kind) const { return Warnings && Wanted.Has(kind); }
  /// Ends the reports about the current file (a note of the warnings not
  /// shown) and starts those about path.
  void StartFile(std::string path);
  /// Returns whether more errors may be reported.
  bool WantsMoreErrors() const { return Errors < MaxErrors; }
};

}  // namespace zunt

#endif  // ZUNT_BASE_DIAGNOSTICS_H_
