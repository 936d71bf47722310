// Writing on POSIX systems, shared by the platform's parts.
#ifndef ZUNT_PLATFORM_POSIX_IO_H_
#define ZUNT_PLATFORM_POSIX_IO_H_

#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace zunt {

/// Writes all of data to fd; returns 0, or the error number of the write
/// that failed (EIO for one that wrote nothing).
inline int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

}  // namespace zunt

#endif  // ZUNT_PLATFORM_POSIX_IO_H_
