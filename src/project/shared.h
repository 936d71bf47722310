// The declarations every name of a run starts from: the include files, read
// once into tables that each name's own tables share.
#ifndef ZUNT_PROJECT_SHARED_H_
#define ZUNT_PROJECT_SHARED_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/fail.h"
#include "platform/platform.h"
#include "project/load.h"
#include "symbols/table.h"

namespace zunt {

/// Files read again for the lines that notes quote, each loaded once and
/// its lines found as far as they are asked for. Safe from several threads
/// at once.
class TQuotedFiles {
 public:
  /// Takes the bytes of the file at path, loaded already and kept by the
  /// caller while this lives, instead of loading it.
  void Keep(const std::string& path, std::string_view bytes);
  /// Returns line `line` (from 1) of the file at path without its line end
  /// (LF, or CR LF); empty when the file cannot be read or has fewer lines.
  std::string Line(TPlatform& platform, const std::string& path, uint64_t line);

 private:
  // A line's first byte and its number.
  struct TMark {
    size_t At;
    uint64_t Line;
  };
  struct TFile {
    std::unique_ptr<TInputFile> Loaded;  // when loaded here
    std::string_view Bytes;
    bool Read = false;                 // whether Bytes holds the file
    std::vector<TMark> Marks{{0, 1}};  // a line's start every kMarkEvery bytes or so, so far
  };
  static constexpr size_t kMarkEvery = size_t{4} << 10;
  std::mutex Mutex;
  std::map<std::string, TFile> Files;
};

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
  /// The include files, loaded again for every name's notes that quote them.
  mutable TQuotedFiles Quoted;
};

/// Reads the include files in order into one pair of tables, looking for
/// the wanted kinds of warning when asked; an error ends the reading, as in
/// a run of one name. With `places`, the tables keep each name's place, for
/// passes that look at every reference (TSymbolTable::KeepPlaces).
std::unique_ptr<TSharedDeclarations> ReadShared(TPlatform& platform,
                                                const std::vector<std::string>& files,
                                                bool warnings,
                                                TWarningSet wanted = TWarningSet::All(),
                                                bool places = false);

/// Returns whether path names one of the shared files: the same name in the
/// same folder, however the folder is written.
bool IsShared(TPlatform& platform, const TSharedDeclarations& shared, const std::string& path);

/// Starts a name's run from the shared declarations, exactly where reading
/// them would have left it: their reports, and their names below its own.
/// Returns false when reading them failed (the run then ends).
bool StartFrom(const TSharedDeclarations& shared, TRun& run);

}  // namespace zunt

#endif  // ZUNT_PROJECT_SHARED_H_
