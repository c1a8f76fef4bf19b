// Thread-local slots. Each slot carries a generation that changes whenever it is allocated or freed, so
// a value a thread stored under an earlier owner of the index reads as 0 for the new owner, as the
// platform guarantees for freshly allocated slots.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/base/errors.h"
#include "platform/base/thread.h"

namespace {

// The platform's 64 basic plus 1024 expansion slots.
constexpr DWORD kTlsSlotCount = 1088;

struct SlotValue {
    void *value;
    std::uint32_t generation;
};

std::mutex g_allocLock;
bool g_allocated[kTlsSlotCount];                     // guarded by g_allocLock
std::atomic<std::uint32_t> g_generation[kTlsSlotCount];  // odd while allocated

thread_local SlotValue t_slots[kTlsSlotCount];

bool IsAllocated(DWORD index, std::uint32_t *generation)
{
    if (index >= kTlsSlotCount)
        return false;
    *generation = g_generation[index].load(std::memory_order_acquire);
    return (*generation & 1u) != 0;
}

}  // namespace

DWORD TlsAlloc(void)
{
    std::lock_guard<std::mutex> hold(g_allocLock);
    for (DWORD i = 0; i < kTlsSlotCount; ++i) {
        if (!g_allocated[i]) {
            g_allocated[i] = true;
            g_generation[i].fetch_add(1, std::memory_order_acq_rel);
            return i;
        }
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index)
{
    std::lock_guard<std::mutex> hold(g_allocLock);
    if (index >= kTlsSlotCount || !g_allocated[index]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    g_allocated[index] = false;
    g_generation[index].fetch_add(1, std::memory_order_acq_rel);
    return TRUE;
}

void *TlsGetValue(DWORD index)
{
    std::uint32_t generation = 0;
    if (!IsAllocated(index, &generation)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const SlotValue &slot = t_slots[index];
    void *value = slot.generation == generation ? slot.value : nullptr;
    // Only a 0 result needs the cleared error to be told apart from a failure; a stored value
    // leaves the thread's last error alone, so reading a slot never disturbs an error being reported.
    if (value == nullptr)
        SetLastError(0);
    return value;
}

BOOL TlsSetValue(DWORD index, void *value)
{
    std::uint32_t generation = 0;
    if (!IsAllocated(index, &generation)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t_slots[index] = SlotValue{value, generation};
    return TRUE;
}
