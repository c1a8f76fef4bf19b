// The core of one deliverable: started once per process (error slot, core lock, handle base), stopped
// when the last reference goes. Each deliverable links its own copy, so each has its own core.
#pragma once
#include <cstdint>

#include "platform/base/types.h"

namespace qs {

// Called with the deliverable's module handle when it is loaded, and with 0 by a library initialisation
// that finds no module handle. Counted: each start needs one stop.
void CoreStart(HMODULE module);
void CoreStop();
bool CoreRunning();
// The core lock guards the session and subclass tables and the start counters; it is recursive and
// never held across a wait or a window message. Both calls do nothing while the core is stopped.
void CoreLock();
void CoreUnlock();
// 0x400 plus the low byte of the tick count at core start; handles are HandleBase() + table index.
std::int32_t HandleBase();
// The module given to CoreStart, 0 when the core was started by a library initialisation.
HMODULE CoreModule();

// Holds the core lock for a scope.
class CoreLockGuard {
  public:
    CoreLockGuard() { CoreLock(); }
    ~CoreLockGuard() { CoreUnlock(); }
    CoreLockGuard(const CoreLockGuard &) = delete;
    CoreLockGuard &operator=(const CoreLockGuard &) = delete;
};

}  // namespace qs
