// The reports of one run, in the order they were found.
#ifndef ZUNT_BASE_DIAGNOSTICS_H_
#define ZUNT_BASE_DIAGNOSTICS_H_

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "base/fail.h"

namespace zunt {

struct TDiagnostics {
  /// Whether warnings are looked for at all.
  bool Warnings = false;
  /// How many errors in the script are reported before the pass stops; at 1
  /// the first error ends the pass at once, thrown.
  size_t MaxErrors = 1;
  /// The file that reports without a file of their own are about.
  std::string CurrentFile;

  std::vector<TFail> Items;
  size_t Errors = 0;
  size_t WarningCount = 0;
  bool LineFeedWarned = false;  // the warning on LF line ends is given once a file

  /// Adds a report; it is about the current file unless it names one.
  void Add(TFail report) {
    if (report.File.empty() && report.Line != 0) report.File = CurrentFile;
    if (report.Severity == TSeverity::Error) ++Errors;
    if (report.Severity == TSeverity::Warning) ++WarningCount;
    Items.push_back(std::move(report));
  }
  /// Adds a warning, if warnings are wanted.
  void Warn(TFail warning) {
    if (Warnings) Add(std::move(warning));
  }
  /// Returns whether more errors may be reported.
  bool WantsMoreErrors() const { return Errors < MaxErrors; }
};

}  // namespace zunt

#endif  // ZUNT_BASE_DIAGNOSTICS_H_
