// The declarations every name of a run starts from: the include files, read
// once into tables that each name's own tables share.
#ifndef ZUNT_PROJECT_SHARED_H_
#define ZUNT_PROJECT_SHARED_H_

#include <memory>
#include <string>
#include <vector>

#include "base/fail.h"
#include "platform/platform.h"
#include "project/load.h"
#include "symbols/table.h"

namespace zunt {

/// The include files' names and what reading them reported. Only read once
/// made, so that runs on several threads may share it.
struct TSharedDeclarations {
  std::vector<std::string> Files;  // the include files, in the order they were read
  TSymbolTable Vars;
  TSymbolTable Constants;
  std::vector<TFail> Reports;  // in the order found: warnings, then the error that ended it
  size_t Errors = 0;
  size_t Warnings = 0;  // shown and hidden
  bool Failed = false;
};

/// Reads the include files in order into one pair of tables, looking for
/// the wanted kinds of warning when asked; an error ends the reading, as in
/// a run of one name.
std::unique_ptr<TSharedDeclarations> ReadShared(TPlatform& platform,
                                                const std::vector<std::string>& files,
                                                bool warnings,
                                                TWarningSet wanted = TWarningSet::All());

/// Starts a name's run from the shared declarations, exactly where reading
/// them would have left it: their reports, and their names below its own.
/// Returns false when reading them failed (the run then ends).
bool StartFrom(const TSharedDeclarations& shared, TRun& run);

}  // namespace zunt

#endif  // ZUNT_PROJECT_SHARED_H_
