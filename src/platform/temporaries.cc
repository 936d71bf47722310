#include "platform/temporaries.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace zunt {
namespace {

// What a slot holds: nothing, a path being written into it, a file that the
// handlers remove, or a file that a handler is removing (the run is ending).
enum : int { kFree, kClaimed, kHeld, kRemoving };

// A slot: the path lives in the slot itself, so that a handler never reads
// memory that its owner frees, and a slot held is never reused until it is
// let go of.
struct TSlot {
  std::atomic<int> State{kFree};
  char Path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);

// As many named temporary files as may exist at once; one more fails to be made.
constexpr int kSlots = 64;
TSlot gSlots[kSlots];

// The signals whose default action ends the process: each removes the files
// before it ends the run. SIGKILL and SIGSTOP cannot be caught.
constexpr int kFatalSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

// Removes the files, then ends the process by the signal's default action
// (the handler is reset on entry and the signal is not held back meanwhile).
void OnFatalSignal(int signal) {
  RemoveTemporaries();
  raise(signal);
}

// Installs OnFatalSignal, once, for each fatal signal that has its default
// action: an ignored or otherwise handled signal stays as it is.
void InstallHandlers() {
  static const bool installed = [] {
    for (int signal : kFatalSignals) {
      struct sigaction old;
      if (sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
          old.sa_handler != SIG_DFL) {
        continue;
      }
      struct sigaction action = {};
      action.sa_handler = OnFatalSignal;
      action.sa_flags = SA_RESETHAND | SA_NODEFER;
      sigemptyset(&action.sa_mask);
      sigaction(signal, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
}

}  // namespace

int TTemporaryName::Hold(const std::string& path) {
  Forget();
  if (path.size() >= PATH_MAX) return ENAMETOOLONG;
  InstallHandlers();
  for (int slot = 0; slot < kSlots; ++slot) {
    int expected = kFree;
    if (!gSlots[slot].State.compare_exchange_strong(expected, kClaimed)) continue;
    std::memcpy(gSlots[slot].Path, path.c_str(), path.size() + 1);
    gSlots[slot].State.store(kHeld);
    Slot = slot;
    Held = path;
    return 0;
  }
  return EMFILE;
}

void TTemporaryName::Forget() {
  if (Slot < 0) return;
  int expected = kHeld;
  // A handler has taken the slot: it removes the file and ends the run.
  while (!gSlots[Slot].State.compare_exchange_strong(expected, kFree)) {
    expected = kHeld;
    pause();
  }
  Slot = -1;
  Held.clear();
}

void RemoveTemporaries() {
  for (TSlot& slot : gSlots) {
    int expected = kHeld;
    if (slot.State.compare_exchange_strong(expected, kRemoving)) unlink(slot.Path);
  }
}

}  // namespace zunt
