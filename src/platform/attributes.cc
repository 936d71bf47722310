#include "platform/attributes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace zunt {
namespace {

// The attribute that holds a file's access ACL.
constexpr std::string_view kAccessAcl = "system.posix_acl_access";
// The attribute that grants a file capabilities when it is run: like the
// set-user-ID bit, kept only for the same owner.
constexpr std::string_view kCapabilities = "security.capability";

// Reads what get(size) fills into *out, growing the buffer while it is too
// small; returns 0 or the error number.
template <typename TGet>
int ReadGrowing(TGet get, std::string* out) {
  for (;;) {
    ssize_t size = get(nullptr, 0);
    if (size < 0) return errno;
    out->resize(static_cast<size_t>(size));
    if (size == 0) return 0;
    ssize_t got = get(out->data(), out->size());
    if (got >= 0) {
      out->resize(static_cast<size_t>(got));
      return 0;
    }
    if (errno != ERANGE) return errno;  // ERANGE: it grew meanwhile
  }
}

// Returns whether a failure to set the attribute name may be passed over:
// the file system keeps no such attributes, or only a privileged user may
// set them.
bool MayLeaveOut(std::string_view name, int error) {
  if (error == ENOTSUP || error == EOPNOTSUPP) return true;
  bool privileged = name.starts_with("security.") || name.starts_with("trusted.");
  return privileged && (error == EPERM || error == EACCES);
}

// Copies the extended attributes of the file at path to the open file fd;
// with sameOwner false, file capabilities are not. Returns 0 or the error
// number that stops the copy.
int CopyAttributes(const std::string& path, int fd, bool sameOwner) {
  std::string names;
  int error =
      ReadGrowing([&](char* to, size_t size) { return listxattr(path.c_str(), to, size); }, &names);
  if (error == ENOTSUP || error == EOPNOTSUPP) return 0;
  if (error != 0) return error;
  bool aclCopied = false;
  std::string value;
  for (size_t at = 0; at < names.size();) {
    std::string_view name(names.c_str() + at);
    at += name.size() + 1;
    if (name.empty() || (name == kCapabilities && !sameOwner)) continue;
    error = ReadGrowing(
        [&](char* to, size_t size) { return getxattr(path.c_str(), name.data(), to, size); },
        &value);
    if (error == ENODATA) continue;  // removed meanwhile
    if (error != 0) return error;
    if (fsetxattr(fd, name.data(), value.data(), value.size(), 0) == 0) {
      aclCopied = aclCopied || name == kAccessAcl;
      continue;
    }
    error = errno;
    if (name == kAccessAcl || !MayLeaveOut(name, error)) return error;
  }
  // The old file had no ACL: none inherited from the folder's default one either.
  if (!aclCopied) fremovexattr(fd, kAccessAcl.data());
  return 0;
}

}  // namespace

int CopyAccess(const std::string& path, const struct stat& old, int fd) {
  struct stat now;
  if (fstat(fd, &now) != 0) return errno;
  bool ownerKept = now.st_uid == old.st_uid;
  bool groupKept = now.st_gid == old.st_gid;
  // Owner first: a change of owner clears the set-user-ID bits that the mode sets.
  if (!ownerKept || !groupKept) {
    if (fchown(fd, old.st_uid, old.st_gid) == 0) {
      ownerKept = groupKept = true;
    } else if (!groupKept && fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) {
      groupKept = true;  // a member of the group may give the file to it
    }
  }
  bool sameOwner = ownerKept && groupKept;
  mode_t mode = old.st_mode & 07777;
  if (!sameOwner) mode &= ~mode_t{S_ISUID | S_ISGID};
  if (fchmod(fd, mode) != 0) return errno;
  return CopyAttributes(path, fd, sameOwner);
}

}  // namespace zunt
