// The source lines of notes about places in files that are no longer loaded,
// such as the first declaration of a name in a file read before.
#ifndef ZUNT_DRIVER_SOURCE_LINES_H_
#define ZUNT_DRIVER_SOURCE_LINES_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/fail.h"
#include "platform/platform.h"
#include "project/shared.h"

namespace zunt {

/// Returns the bytes of the line-th line (from 1) of data, without its line
/// end (LF, or CR LF); empty when data has fewer lines.
std::string_view LineOfText(std::string_view data, uint64_t line);

/// A file's bytes in memory.
struct TLoadedText {
  std::string Path;
  std::string_view Bytes;
};

/// Returns the bytes of the run's declarations file, kept after it was read.
inline std::string_view DeclarationsOf(const TRun& run) {
  return run.Declarations ? run.Declarations->Bytes() : std::string_view();
}

/// Gives each note that points at a place but has no source line the line
/// from its file: the bytes in memory when it is one of `loaded`, else the
/// file read again (once for all the names that share it when it is one of
/// the shared declarations' files). A file that cannot be read leaves the
/// note without a line.
void FillSourceLines(TPlatform& platform, const std::vector<TLoadedText>& loaded,
                     std::vector<TFail>& reports, const TSharedDeclarations* shared = nullptr);

}  // namespace zunt

#endif  // ZUNT_DRIVER_SOURCE_LINES_H_
