// The source lines of notes about places in files that are no longer loaded,
// such as the first declaration of a name in a file read before.
#ifndef ZUNT_DRIVER_SOURCE_LINES_H_
#define ZUNT_DRIVER_SOURCE_LINES_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/fail.h"
#include "platform/platform.h"

namespace zunt {

/// Returns the bytes of the line-th line (from 1) of data, without its line
/// end (LF, or CR LF); empty when data has fewer lines.
std::string_view LineOfText(std::string_view data, uint64_t line);

/// Gives each note that points at a place but has no source line the line
/// from its file: the loaded bytes when the note is about the file at
/// loadedPath, else the file read again. A file that cannot be read leaves
/// the note without a line.
void FillSourceLines(TPlatform& platform, std::string_view loadedPath, std::string_view loaded,
                     std::vector<TFail>& reports);

}  // namespace zunt

#endif  // ZUNT_DRIVER_SOURCE_LINES_H_
