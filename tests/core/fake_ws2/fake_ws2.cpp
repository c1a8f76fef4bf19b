#include "tests/core/fake_ws2/fake_ws2.h"

#include <cstring>

#include "platform/winsock/ws2.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
// Exports that share a name with a C library call are defined under another name and given the
// export's name as their symbol, so they do not collide with the C library's declarations.
FAKE_EXPORT int FakeSelect(int, ws::fd_set *, ws::fd_set *, ws::fd_set *, const ws::timeval *) __asm__("select");
FAKE_EXPORT int FakeGetsockopt(ws::SOCKET, int, int, char *, int *) __asm__("getsockopt");
FAKE_EXPORT int FakeShutdown(ws::SOCKET, int) __asm__("shutdown");

namespace {

FakeWs2State g_state;
thread_local int g_lastError = 0;

void Log(const std::string &text) { g_state.calls.push_back(text); }

std::uint32_t Count(const ws::fd_set *set) { return set != nullptr ? set->fd_count : 0; }

}  // namespace

FAKE_EXPORT FakeWs2State *FakeWs2() { return &g_state; }

FAKE_EXPORT int WSAStartup(ws::WORD version, ws::WSADATA *data)
{
    ++g_state.startups;
    if (g_state.startupResult != 0)
        return g_state.startupResult;
    if (data != nullptr) {
        *data = ws::WSADATA{};
        data->wVersion = version;
        data->wHighVersion = 0x0202;
        std::strcpy(data->szDescription, "Fake sockets");
    }
    return 0;
}

FAKE_EXPORT int WSACleanup()
{
    ++g_state.cleanups;
    return 0;
}

FAKE_EXPORT int WSAGetLastError() { return g_lastError; }
FAKE_EXPORT void WSASetLastError(int error) { g_lastError = error; }

int FakeSelect(int, ws::fd_set *r, ws::fd_set *w, ws::fd_set *e, const ws::timeval *timeout)
{
    g_state.selects.push_back({Count(r), Count(w), Count(e), timeout != nullptr, timeout ? timeout->tv_sec : 0,
                               timeout ? timeout->tv_usec : 0});
    if (g_state.selectResult == 0) {
        for (ws::fd_set *set : {r, w, e}) {
            if (set != nullptr)
                set->fd_count = 0;
        }
    } else if (g_state.selectResult < 0) {
        g_lastError = g_state.selectError;
    }
    return g_state.selectResult;
}

int FakeGetsockopt(ws::SOCKET s, int level, int option, char *value, int *length)
{
    Log("getsockopt " + std::to_string(s) + " " + std::to_string(option));
    if (value == nullptr || length == nullptr || *length < static_cast<int>(sizeof(int)))
        return -1;
    std::memset(value, 0, sizeof(int));
    return 0;
}

int FakeShutdown(ws::SOCKET s, int how)
{
    Log("shutdown " + std::to_string(s) + " " + std::to_string(how));
    return 0;
}

FAKE_EXPORT int closesocket(ws::SOCKET s)
{
    Log("closesocket " + std::to_string(s));
    return 0;
}

FAKE_EXPORT int ioctlsocket(ws::SOCKET s, std::int32_t command, ws::u_long *argument)
{
    Log("ioctlsocket " + std::to_string(s) + " " + std::to_string(argument != nullptr ? *argument : 0));
    return 0;
}

FAKE_EXPORT int WSAAsyncSelect(ws::SOCKET s, void *, unsigned msg, std::int32_t events)
{
    Log("WSAAsyncSelect " + std::to_string(s) + " " + std::to_string(msg) + " " + std::to_string(events));
    return 0;
}
