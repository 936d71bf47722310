// The named temporary files that outputs are being written to, kept where a
// signal handler can find them: a run ended by a signal removes each of them
// before it ends. Several outputs may be written at once, from any threads.
#ifndef ZUNT_PLATFORM_TEMPORARIES_H_
#define ZUNT_PLATFORM_TEMPORARIES_H_

#include <string>

namespace zunt {

/// One named temporary file, known to the signal handlers for as long as the
/// object holds it. Claim it before the file is made, so that it never
/// exists unknown to them.
class TTemporaryName {
 public:
  TTemporaryName() = default;
  ~TTemporaryName() { Forget(); }
  TTemporaryName(const TTemporaryName&) = delete;
  TTemporaryName& operator=(const TTemporaryName&) = delete;

  /// Makes path known to the handlers (installing them first); returns 0, or
  /// the error number when it cannot: ENAMETOOLONG for a path too long,
  /// EMFILE when too many are held at once.
  int Hold(const std::string& path);
  /// Stops holding the path: call it once the file is removed or renamed.
  void Forget();
  /// Returns the path held, or "" when there is none.
  const std::string& Path() const { return Held; }

 private:
  int Slot = -1;
  std::string Held;
};

/// Removes every temporary file held, from a signal handler (async-signal-safe).
void RemoveTemporaries();

}  // namespace zunt

#endif  // ZUNT_PLATFORM_TEMPORARIES_H_
