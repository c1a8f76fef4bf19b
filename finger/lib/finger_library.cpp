#include "finger/lib/finger_library.h"

#include <cstring>

#include "core/error/last_error.h"
#include "core/net/send_whole.h"

namespace qs {
namespace {

constexpr SessionProfile kFingerProfile{
    .description = "Quillstream Finger Protocol Library",
    .serviceName = "finger",
    .defaultPort = kFingerPortDefault,
    .checkEventMessage = true,
    .unknownHostError = MakeErrorCode(qsErrorInvalidHostName),
    .releaseOnFailedConnect = true,
    .raiseWaitEvents = true,
    .negativeTimeoutIsZero = true,
};

constexpr char kLineBreak[] = "\r\n";

}  // namespace

SessionLibraryOf<ClientSession> &FingerLibrary()
{
    static SessionLibraryOf<ClientSession> library(kFingerProfile);
    return library;
}

ClientHandle FingerConnect(const char *host, int port, int timeout, std::uint32_t options, HWND window,
                           UINT message)
{
    return FingerLibrary().SessionConnect(host, port, timeout, options, window, message);
}

int FingerDisconnect(ClientHandle handle) { return FingerLibrary().SessionDisconnect(handle); }
int FingerRead(ClientHandle handle, char *buffer, int size) { return FingerLibrary().SessionRead(handle, buffer, size); }
int FingerCancel(ClientHandle handle) { return FingerLibrary().SessionCancel(handle); }
int FingerIsBlocking(ClientHandle handle) { return FingerLibrary().SessionIsBlocking(handle); }
int FingerIsReadable(ClientHandle handle, int seconds, DWORD *count)
{
    return FingerLibrary().SessionIsReadable(handle, seconds, count);
}
int FingerGetTimeout(ClientHandle handle) { return FingerLibrary().SessionGetTimeout(handle); }
int FingerSetTimeout(ClientHandle handle, int seconds) { return FingerLibrary().SessionSetTimeout(handle, seconds); }
int FingerGetStatus(ClientHandle handle) { return FingerLibrary().SessionGetStatus(handle); }

int FingerSetEventWindow(ClientHandle handle, HWND window, UINT message, std::uint32_t mask)
{
    return FingerLibrary().SetEventWindow(handle, window, message, mask);
}
int FingerClearEvents(ClientHandle handle) { return FingerLibrary().ClearEvents(handle); }
int FingerSuspendEvents(ClientHandle handle, bool suspend) { return FingerLibrary().SuspendEvents(handle, suspend); }

int FingerSendQuery(ClientHandle handle, const char *text)
{
    ClientSession *session = FingerLibrary().StartOperation(handle);
    if (session == nullptr)
        return -1;
    if (text == nullptr) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    std::size_t length = std::strlen(text);
    if (length > static_cast<std::size_t>(INT32_MAX)) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    if (SendWhole(session->socket, text, static_cast<int>(length)) != 0)
        return -1;
    return SendWhole(session->socket, kLineBreak, 2);
}

}  // namespace qs
