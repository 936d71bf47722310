// The output to an ordinary file, written to a temporary file beside it and
// moved into its place once complete: the old file stays whole until then.
#ifndef ZUNT_PLATFORM_TEMPORARY_OUTPUT_H_
#define ZUNT_PLATFORM_TEMPORARY_OUTPUT_H_

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace zunt {

/// An ordinary file that the output replaces or creates.
struct TReplacedFile {
  std::string Target;    // not a symbolic link
  std::string Folder;    // the target's folder with its final "/", or "" for the working folder
  bool Exists = false;   // there is an old file
  struct stat Old = {};  // the old file
};

/// Opens the output to file: an unnamed temporary file (O_TMPFILE) where
/// unnamed is true and the file system has them, else a named one, which the
/// fatal signals remove. The new file gets the old one's owner, mode and
/// attributes, or for a new file the folder's defaults and the umask.
/// Returns a failed output, with the system's reason, when it cannot.
std::unique_ptr<TOutputStream> OpenTemporaryOutput(const TReplacedFile& file, bool unnamed,
                                                   uint64_t sizeHint, TWriteStatus* status);

}  // namespace zunt

#endif  // ZUNT_PLATFORM_TEMPORARY_OUTPUT_H_
