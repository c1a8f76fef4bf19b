#include "core/net/blocking_flags.h"

#include "core/net/socket_api.h"
#include "platform/base/thread.h"

namespace qs {
namespace {

// Lives from the first bind to the end of the process.
DWORD g_blockingSlot = TLS_OUT_OF_INDEXES;

}  // namespace

bool BlockingSlotExists() { return g_blockingSlot != TLS_OUT_OF_INDEXES; }

bool AllocateBlockingSlot()
{
    if (g_blockingSlot == TLS_OUT_OF_INDEXES)
        g_blockingSlot = TlsAlloc();
    return BlockingSlotExists();
}

std::uint32_t GetBlockingFlags()
{
    if (!BlockingSlotExists())
        return 0;
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(TlsGetValue(g_blockingSlot)));
}

void SetBlockingFlags(std::uint32_t flags)
{
    if (BlockingSlotExists())
        TlsSetValue(g_blockingSlot, reinterpret_cast<void *>(static_cast<std::uintptr_t>(flags)));
}

int IsBlockingCall() { return (GetBlockingFlags() & kBlockingWait) != 0 ? 1 : 0; }

int CancelBlockingCall()
{
    if (!BlockingSlotExists()) {
        sock::WSASetLastError(ws::WSANOTINITIALISED);
        return -1;
    }
    std::uint32_t flags = GetBlockingFlags();
    if ((flags & kBlockingWait) == 0) {
        sock::WSASetLastError(ws::WSAEINVAL);
        return -1;
    }
    SetBlockingFlags(flags | kBlockingCancel);
    return 0;
}

bool SetBlockingPumpDisabled(bool disabled)
{
    std::uint32_t flags = GetBlockingFlags();
    SetBlockingFlags(disabled ? flags | kBlockingNoPump : flags & ~kBlockingNoPump);
    return (flags & kBlockingNoPump) != 0;
}

}  // namespace qs
