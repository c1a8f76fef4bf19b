// The asynchronous database calls answer at once: the record is written into the caller's buffer and
// the reply is posted before the call returns, so there is never a request left to cancel.
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <atomic>
#include <cstdint>

#include "platform/base/window.h"
#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/lookup.h"
#include "platform/winsock/records.h"
#include "platform/winsock/startup.h"

namespace qsws {
namespace {

std::atomic<std::uintptr_t> g_lastHandle{0};

// Posts (handle, (error << 16) | size) and returns the handle: the size used, or with 10055 the size
// the buffer would need.
template <typename Info, typename Write>
void *Reply(void *window, unsigned message, int error, const Info &info, char *buffer, int length, Write write)
{
    auto hwnd = static_cast<HWND>(window);
    std::size_t size = 0;
    if (error == 0) {
        // The record sits at the buffer's start, where the caller reads it.
        if (reinterpret_cast<std::uintptr_t>(buffer) % alignof(ws::hostent) != 0) {
            error = ws::WSAEFAULT;
        } else {
            RecordWriter writer(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
            write(info, writer);
            size = writer.size();
            error = writer.fits() ? 0 : ws::WSAENOBUFS;
        }
    }
    std::uintptr_t handle = ++g_lastHandle;
    auto replySize = static_cast<WORD>(size > 0xFFFF ? 0xFFFF : size);
    PostMessage(hwnd, message, static_cast<WPARAM>(handle),
                static_cast<LPARAM>(MAKELONG(replySize, static_cast<WORD>(error))));
    return reinterpret_cast<void *>(handle);
}

// The library is started and the reply has a window to go to.
bool Accepts(void *window)
{
    if (!RequireStarted()) {
        return false;
    }
    if (!IsWindow(static_cast<HWND>(window))) {
        Fail(ws::WSAEINVAL);
        return false;
    }
    return true;
}

}  // namespace

void *AsyncGetHostByName(void *hwnd, unsigned message, const char *name, char *buffer, int length)
{
    if (!Accepts(hwnd)) {
        return nullptr;
    }
    HostInfo info;
    int error = LookupHostByName(name, info);
    return Reply(hwnd, message, error, info, buffer, length, WriteHost);
}

void *AsyncGetHostByAddr(void *hwnd, unsigned message, const char *address, int addressLength, int type,
                         char *buffer, int length)
{
    if (!Accepts(hwnd)) {
        return nullptr;
    }
    HostInfo info;
    int error = LookupHostByAddr(address, addressLength, type, info);
    return Reply(hwnd, message, error, info, buffer, length, WriteHost);
}

void *AsyncGetServByName(void *hwnd, unsigned message, const char *name, const char *protocol, char *buffer,
                         int length)
{
    if (!Accepts(hwnd)) {
        return nullptr;
    }
    ServiceInfo info;
    int error = LookupServiceByName(name, protocol, info);
    return Reply(hwnd, message, error, info, buffer, length, WriteService);
}

void *AsyncGetServByPort(void *hwnd, unsigned message, int port, const char *protocol, char *buffer, int length)
{
    if (!Accepts(hwnd)) {
        return nullptr;
    }
    ServiceInfo info;
    int error = LookupServiceByPort(port, protocol, info);
    return Reply(hwnd, message, error, info, buffer, length, WriteService);
}

void *AsyncGetProtoByName(void *hwnd, unsigned message, const char *name, char *buffer, int length)
{
    if (!Accepts(hwnd)) {
        return nullptr;
    }
    ProtocolInfo info;
    int error = LookupProtocolByName(name, info);
    return Reply(hwnd, message, error, info, buffer, length, WriteProtocol);
}

void *AsyncGetProtoByNumber(void *hwnd, unsigned message, int number, char *buffer, int length)
{
    if (!Accepts(hwnd)) {
        return nullptr;
    }
    ProtocolInfo info;
    int error = LookupProtocolByNumber(number, info);
    return Reply(hwnd, message, error, info, buffer, length, WriteProtocol);
}

int CancelAsyncRequest(void *handle)
{
    if (!RequireStarted()) {
        return ws::SOCKET_ERROR;
    }
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value == 0 || value > g_lastHandle.load()) {
        return Fail(ws::WSAEINVAL);
    }
    return Fail(ws::WSAEALREADY);  // every request completed before its call returned
}

}  // namespace qsws
