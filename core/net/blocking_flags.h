// Per-thread state of the blocking wait (BlockingSelect), kept in one thread-local slot that the first
// bind allocates. A thread that never waited reads 0.
#pragma once
#include <cstdint>

namespace qs {

enum BlockingFlag : std::uint32_t {
    kBlockingWait = 1,      // a BlockingSelect wait is in progress on this thread
    kBlockingCancel = 2,    // cancellation of that wait has been requested
    kBlockingNoPump = 4,    // this thread does not pump messages: BlockingSelect is a plain select
};

bool BlockingSlotExists();
bool AllocateBlockingSlot();
std::uint32_t GetBlockingFlags();
void SetBlockingFlags(std::uint32_t flags);

// 1 while the calling thread waits in BlockingSelect, else 0.
int IsBlockingCall();
// Requests the end of the calling thread's wait (10004 at its next round): 0, or -1 with 10093 (no slot)
// or 10022 (no wait).
int CancelBlockingCall();
// Switches message pumping off (or on again) for the calling thread's waits; returns the previous
// setting. Used where a library must run an exchange without dispatching the thread's messages.
bool SetBlockingPumpDisabled(bool disabled);

}  // namespace qs
