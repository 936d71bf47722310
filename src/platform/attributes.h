// Who may use a file that the output replaces: its owner and group, its mode
// and its extended attributes, POSIX ACLs among them, given to the new file
// before it takes the old one's place.
#ifndef ZUNT_PLATFORM_ATTRIBUTES_H_
#define ZUNT_PLATFORM_ATTRIBUTES_H_

#include <sys/stat.h>

#include <string>

namespace zunt {

/// Gives the open new file fd the owner and group of the old file (described
/// by old, at path) where the run may set them, then its mode, then its
/// extended attributes. The set-user-ID and set-group-ID bits, and file
/// capabilities, are kept only when both owner and group are. An attribute
/// that the file system or the user may not set is left out, except the
/// access ACL, without which the group's bits would grant what the ACL's mask
/// did. Returns 0, or the error number that stops the old file being replaced.
int CopyAccess(const std::string& path, const struct stat& old, int fd);

}  // namespace zunt

#endif  // ZUNT_PLATFORM_ATTRIBUTES_H_
