#include "project/shared.h"

#include <new>

#include "base/cp1251.h"

namespace zunt {

std::unique_ptr<TSharedDeclarations> ReadShared(TPlatform& platform,
                                                const std::vector<std::string>& files,
                                                bool warnings, TWarningSet wanted) {
  auto shared = std::make_unique<TSharedDeclarations>();
  shared->Files = files;
  TRun run;
  run.State.Rekey(platform.HashSeed());
  TDiagnostics& diagnostics = run.State.Diagnostics;
  diagnostics.Warnings = warnings;
  diagnostics.Wanted = wanted;
  try {
    for (const std::string& path : files) ReadDeclarationsFile(platform, path, run);
  } catch (const TFail& fail) {
    diagnostics.Add(fail);
    shared->Failed = true;
  } catch (const std::bad_alloc&) {
    diagnostics.Items.emplace_back(Win1251("Недостаточно памяти для компиляции!"));
    shared->Failed = true;
  }
  diagnostics.StartFile({});  // the last file's note of warnings not shown
  shared->Reports = std::move(diagnostics.Items);
  shared->Errors = diagnostics.Errors;
  shared->Warnings = diagnostics.WarningCount;
  shared->Vars = std::move(run.State.Vars);
  shared->Constants = std::move(run.State.Constants);
  return shared;
}

bool StartFrom(const TSharedDeclarations& shared, TRun& run) {
  TDiagnostics& diagnostics = run.State.Diagnostics;
  diagnostics.Items = shared.Reports;
  diagnostics.Errors = shared.Errors;
  diagnostics.WarningCount = shared.Warnings;
  if (!shared.Files.empty()) {
    run.State.Vars.ShareNamesOf(&shared.Vars);
    run.State.Constants.ShareNamesOf(&shared.Constants);
  }
  return !shared.Failed;
}

}  // namespace zunt
