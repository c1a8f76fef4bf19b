#include "core/error/last_error.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/base/thread.h"

namespace qs {
namespace {

DWORD g_slot = TLS_OUT_OF_INDEXES;
std::atomic<ErrorCode> g_processCopy{0};

constexpr int kScratchSize = 512;

}  // namespace

bool AllocateErrorSlot()
{
    if (g_slot == TLS_OUT_OF_INDEXES)
        g_slot = TlsAlloc();
    return g_slot != TLS_OUT_OF_INDEXES;
}

void FreeErrorSlot()
{
    DWORD slot = g_slot;
    g_slot = TLS_OUT_OF_INDEXES;
    if (slot != TLS_OUT_OF_INDEXES)
        TlsFree(slot);
}

void SetErrorCode(std::uint32_t code)
{
    if (code != 0 && (code >> 16) == 0)
        code |= kErrorCodeBase;
    if (g_slot != TLS_OUT_OF_INDEXES)
        TlsSetValue(g_slot, reinterpret_cast<void *>(static_cast<std::uintptr_t>(code)));
    g_processCopy.exchange(code);
    SetLastError(code);
}

ErrorCode GetErrorCode()
{
    if (g_slot == TLS_OUT_OF_INDEXES)
        return g_processCopy.load(std::memory_order_relaxed);
    return static_cast<ErrorCode>(reinterpret_cast<std::uintptr_t>(TlsGetValue(g_slot)));
}

int GetErrorText(ErrorCode code, char *buffer, int size)
{
    char scratch[kScratchSize];
    if (buffer == nullptr) {
        buffer = scratch;
        size = kScratchSize;
    }
    if (size <= 0)
        return 0;
    buffer[0] = '\0';
    if (code == 0)
        code = GetErrorCode();
    if (code == 0 || (code & 0xFFFF0000u) != kErrorCodeBase)
        return 0;
    const char *text = FindMessage(ErrorNumber(code));
    if (text == nullptr)
        return 0;
    // The platform's formatter finds nothing when the text does not fit; callers substitute their own.
    std::size_t length = std::strlen(text);
    if (length + 1 > static_cast<std::size_t>(size))
        return 0;
    std::memcpy(buffer, text, length + 1);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' '))
        buffer[--length] = '\0';
    return static_cast<int>(length);
}

}  // namespace qs
