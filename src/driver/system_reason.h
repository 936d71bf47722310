// Why the system refused a file operation, in words for the user.
#ifndef ZUNT_DRIVER_SYSTEM_REASON_H_
#define ZUNT_DRIVER_SYSTEM_REASON_H_

#include <string>

namespace zunt {

/// Returns the reason for an error number (an errno value) as Windows-1251
/// text: in Russian for the common causes, else the system's own words.
std::string SystemReason(int error);

}  // namespace zunt

#endif  // ZUNT_DRIVER_SYSTEM_REASON_H_
