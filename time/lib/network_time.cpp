// The RFC 868 query over UDP. The wait sleeps in the thread's queue wait, on the socket and the queue
// together, and dispatches the thread's messages whenever the socket has nothing yet.
#include <poll.h>

#include <algorithm>
#include <cstring>

#include "core/error/last_error.h"
#include "core/net/dotted_address.h"
#include "core/net/socket_api.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"
#include "time/lib/time_library.h"

namespace qs {
namespace {

constexpr int kAnswerSize = 4;
constexpr std::int64_t kMillisPerSecond = 1000;
constexpr std::int64_t kLongestWaitMs = 0x7FFFFFFF;

// The socket library's error, or `fallback` when it reports none.
void StoreNetworkError(std::uint32_t fallback)
{
    if (SetErrorFromNetwork() == 0)
        SetErrorCode(fallback);
}

// A quit message taken while the query pumps is kept aside and posted again when the query returns, so
// a query running inside the application's loop never swallows the request to end it. Once it has been
// seen, the query waits on its socket alone.
class QuitKeeper {
public:
    ~QuitKeeper()
    {
        if (seen_)
            PostQuitMessage(exitCode_);
    }
    bool Seen() const { return seen_; }

    void PumpMessages()
    {
        MSG msg;
        while (!seen_ && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                seen_ = true;
                exitCode_ = static_cast<int>(msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }

private:
    bool seen_ = false;
    int exitCode_ = 0;
};

bool ResolveServer(const char *host, int port, ws::sockaddr_in *address)
{
    *address = ws::sockaddr_in{};
    address->sin_family = ws::AF_INET;
    if (port != 0) {
        address->sin_port = sock::htons(static_cast<ws::u_short>(port));
    } else {
        ws::servent *service = sock::getservbyname("time", "udp");
        address->sin_port = service != nullptr ? static_cast<std::uint16_t>(service->s_port)
                                               : sock::htons(kTimePortDefault);
    }
    address->sin_addr.s_addr = ParseDottedAddress(host);
    if (address->sin_addr.s_addr != ws::INADDR_NONE)
        return true;
    ws::hostent *entry = sock::gethostbyname(host);
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
        entry->h_length != sizeof address->sin_addr.s_addr)
        return false;
    std::memcpy(&address->sin_addr.s_addr, entry->h_addr_list[0], sizeof address->sin_addr.s_addr);
    return true;
}

NetworkTime Close(ws::SOCKET socket, NetworkTime result)
{
    sock::closesocket(socket);
    return result;
}

}  // namespace

NetworkTime GetNetworkTime(const char *host, int port, int timeout)
{
    if (port < 0 || port > 0xFFFF) {
        SetErrorCode(qsErrorInvalidServicePort);
        return 0;
    }
    ws::sockaddr_in server;
    if (host == nullptr || *host == '\0' || !ResolveServer(host, port, &server)) {
        StoreNetworkError(qsErrorInvalidHostName);
        return 0;
    }
    ws::SOCKET socket = sock::socket(ws::AF_INET, ws::SOCK_DGRAM, 0);
    if (socket == ws::INVALID_SOCKET) {
        StoreNetworkError(ws::WSANOTINITIALISED);
        return 0;
    }
    const char query[kAnswerSize] = {};
    if (sock::sendto(socket, query, sizeof query, 0, reinterpret_cast<const ws::sockaddr *>(&server), sizeof server) !=
        sizeof query) {
        StoreNetworkError(ws::WSAENOTCONN);
        return Close(socket, 0);
    }
    const std::int64_t waitMs = (timeout != 0 ? timeout : kTimeQueryDefaultWait) * kMillisPerSecond;
    const DWORD start = GetTickCount();
    ws::u_long nonBlocking = 1;
    sock::ioctlsocket(socket, ws::FIONBIO, &nonBlocking);
    QuitKeeper quit;

    for (;;) {
        unsigned char answer[kAnswerSize];
        ws::sockaddr_in from{};
        int fromLength = sizeof from;
        int received = sock::recvfrom(socket, reinterpret_cast<char *>(answer), sizeof answer, 0,
                                      reinterpret_cast<ws::sockaddr *>(&from), &fromLength);
        if (received == kAnswerSize) {
            NetworkTime value = (NetworkTime{answer[0]} << 24) | (NetworkTime{answer[1]} << 16) |
                                (NetworkTime{answer[2]} << 8) | NetworkTime{answer[3]};
            return Close(socket, value);
        }
        bool wouldBlock = false;
        if (received < 0) {
            int error = sock::WSAGetLastError();
            if (error != ws::WSAEWOULDBLOCK) {
                SetErrorCode(error != 0 ? static_cast<std::uint32_t>(error) : ws::WSAENOTSOCK);
                return Close(socket, 0);
            }
            wouldBlock = true;
            quit.PumpMessages();
        }
        // Elapsed time, not tick values, so the wrap of the tick count does not end the wait early.
        const std::int64_t elapsed = static_cast<DWORD>(GetTickCount() - start);
        if (elapsed >= waitMs)
            break;
        if (wouldBlock) {
            pollfd watch{static_cast<int>(socket), POLLIN, 0};
            const int remaining = static_cast<int>(std::min<std::int64_t>(waitMs - elapsed, kLongestWaitMs));
            if (quit.Seen())
                poll(&watch, 1, remaining);
            else
                QsWaitForMessages(&watch, 1, remaining);
        }
    }
    SetErrorCode(qsErrorOperationTimeout);
    return Close(socket, 0);
}

}  // namespace qs
