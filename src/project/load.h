// Loading the input files of a run: the declarations files into the name
// tables, a script under the cursor.
#ifndef ZUNT_PROJECT_LOAD_H_
#define ZUNT_PROJECT_LOAD_H_

#include <memory>
#include <string>

#include "base/fail.h"
#include "platform/platform.h"
#include "translator/state.h"

namespace zunt {

/// The loaded input files of a run and the state that reads them.
struct TRun {
  TState State;
  std::unique_ptr<TInputFile> Loaded;  // the file under the cursor
  // The declarations file read last, kept for the lines its notes quote.
  std::unique_ptr<TInputFile> Declarations;
  std::string DeclarationsPath;
};

/// Loads a whole input file of the given kind into the run's cursor and warns
/// about its encoding; throws TFail when it cannot be loaded, or is empty
/// unless emptyIsNothing (it then returns false, having loaded nothing).
bool LoadInputFile(TPlatform& platform, const std::string& path, TFileKind kind, TRun& run,
                   bool emptyIsNothing = false);

/// Loads a declarations file and reads it into the state's tables. When
/// `optional`, a missing or empty file is no error: it declares nothing.
void ReadDeclarationsFile(TPlatform& platform, const std::string& path, TRun& run,
                          bool optional = false);

/// Sizes the state's tables for the names a declarations file of these bytes holds.
void ReserveTablesFor(TState& state, std::string_view bytes);

/// Returns the failure shown when the file at path could not be loaded.
TFail LoadFailure(TLoadStatus status, const std::string& path);

/// Returns a failure about a whole file, which it names.
TFail AboutFile(TFail fail, const std::string& path);

}  // namespace zunt

#endif  // ZUNT_PROJECT_LOAD_H_
