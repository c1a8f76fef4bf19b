// closesocket: a stream that is not listening is shut down for sending first, so the peer sees an
// orderly end; closing on a thread that waits cancels that wait.
#include "core/net/blocking_flags.h"
#include "core/net/network_library.h"
#include "core/net/socket_api.h"
#include "core/trace/trace_library.h"

namespace qs::sock {

int closesocket(ws::SOCKET s)
{
    NetworkLibrary &lib = Network();
    if (lib.closesocket == nullptr)
        return -1;
    if (!BlockingSlotExists()) {
        WSASetLastError(ws::WSANOTINITIALISED);
        return -1;
    }
    std::uint32_t flags = GetBlockingFlags();
    if ((flags & kBlockingWait) != 0)
        SetBlockingFlags(flags | kBlockingCancel);
    if (lib.getsockopt != nullptr) {
        int listening = 0;
        int length = sizeof listening;
        if (lib.getsockopt(s, ws::SOL_SOCKET, ws::SO_ACCEPTCONN, reinterpret_cast<char *>(&listening), &length) ==
                0 &&
            listening == 0)
            shutdown(s, ws::SD_SEND);
    }
    int result = lib.closesocket(s);
    return Trace().TX_closesocket != nullptr ? Trace().TX_closesocket(result, s) : result;
}

}  // namespace qs::sock
