#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/async_select.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/libc.h"
#include "platform/winsock/startup.h"

namespace qsws {
namespace {

// Reported by poll() whether asked for or not: seen with nothing armed to report them, they suspend
// the watch until the application calls again, or poll() would return at once forever.
constexpr short kFailureEvents = POLLERR | POLLHUP | POLLNVAL;

// Serialises the creation and updates of watches with the taking out of registrations. Taken before
// the table lock, never while it is held; never held while a notification is posted or a watch ended.
std::mutex g_watchLock;
std::atomic<std::uint64_t> g_serial{0};

void Queue(const AsyncState &async, int fd, std::int32_t event, int error, std::vector<Notification> &out)
{
    if ((async.events & event) != 0) {
        out.push_back({async.hwnd, async.message, static_cast<WPARAM>(fd),
                       static_cast<LPARAM>(MAKELONG(static_cast<WORD>(event), static_cast<WORD>(error)))});
    }
}

void QueueClose(AsyncState &async, int fd, int error, std::vector<Notification> &out)
{
    if (!async.closeDone) {
        Queue(async, fd, ws::FD_CLOSE, error, out);
        async.closeDone = true;
    }
}

short DesiredEvents(const SocketRecord &record)
{
    if (!record.async || record.async->suspended) {
        return 0;
    }
    const AsyncState &async = *record.async;
    if (record.connect == ConnectState::Connecting) {
        return POLLOUT;  // completion; a failure comes as POLLERR/POLLHUP
    }
    if (record.listening) {
        return (async.events & ws::FD_ACCEPT) != 0 && async.acceptArmed ? POLLIN : 0;
    }
    bool stream = record.type == SOCK_STREAM;
    if (stream && (record.connect != ConnectState::Connected || async.closeDone)) {
        return 0;
    }
    bool wantsRead = (async.events & ws::FD_READ) != 0;
    short events = 0;
    if (wantsRead && async.readArmed) {
        events |= POLLIN;
    }
    // The peer's close is looked for only once the data before it has been read (or is not wanted).
    if (stream && (async.events & ws::FD_CLOSE) != 0 && (async.readArmed || !wantsRead)) {
        events |= POLLRDHUP;
    }
    if ((async.events & ws::FD_WRITE) != 0 && async.writeArmed) {
        events |= POLLOUT;
    }
    return events;
}

void EvaluateStreamInput(int fd, AsyncState &async, short revents, std::vector<Notification> &out)
{
    char byte = 0;
    ssize_t n = Libc()->recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        if ((async.events & ws::FD_READ) == 0) {
            if ((revents & (POLLRDHUP | POLLHUP)) != 0) {
                QueueClose(async, fd, 0, out);
            }
        } else if (async.readArmed) {
            Queue(async, fd, ws::FD_READ, 0, out);
            async.readArmed = false;
        }
    } else if (n == 0) {
        QueueClose(async, fd, 0, out);
    } else if (errno != EAGAIN && errno != EINTR) {
        QueueClose(async, fd, WsaFromErrno(errno), out);
    }
}

void Evaluate(int fd, SocketRecord &record, short revents, std::vector<Notification> &out)
{
    AsyncState &async = *record.async;
    if (record.connect == ConnectState::Connecting) {
        ResolveConnect(fd, record, revents, out);
        if (record.connect != ConnectState::Connected) {
            return;
        }
    }
    std::size_t before = out.size();
    if (record.listening) {
        if ((revents & POLLIN) != 0 && async.acceptArmed && (async.events & ws::FD_ACCEPT) != 0) {
            Queue(async, fd, ws::FD_ACCEPT, 0, out);
            async.acceptArmed = false;
        }
    } else {
        if ((revents & POLLOUT) != 0 && async.writeArmed && (async.events & ws::FD_WRITE) != 0 &&
            !async.closeDone) {
            Queue(async, fd, ws::FD_WRITE, 0, out);
            async.writeArmed = false;
        }
        if ((revents & (POLLIN | POLLRDHUP | kFailureEvents)) != 0) {
            if (record.type == SOCK_STREAM) {
                EvaluateStreamInput(fd, async, revents, out);
            } else if ((async.events & ws::FD_READ) != 0 && async.readArmed &&
                       (revents & (POLLIN | POLLERR)) != 0) {
                // A pending datagram error is read by recv too: it gets its FD_READ.
                Queue(async, fd, ws::FD_READ, 0, out);
                async.readArmed = false;
            }
        }
    }
    if (out.size() == before && (revents & kFailureEvents) != 0) {
        async.suspended = true;
    }
}

void OnReady(void *context, int fd, short revents)
{
    auto serial = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(context));
    std::vector<Notification> out;
    {
        std::lock_guard<std::mutex> hold(TableLock());
        SocketRecord *record = FindSocket(fd);
        if (record == nullptr || !record->async || record->async->serial != serial) {
            return;  // a watch ended or replaced while this round was already under way
        }
        Evaluate(fd, *record, revents, out);
    }
    PostNotifications(out);
    SyncWatch(fd);
}

AsyncState NewRegistration(HWND hwnd, UINT message, std::int32_t events, const SocketRecord &record)
{
    AsyncState async;
    async.hwnd = hwnd;
    async.message = message;
    async.events = events;
    async.thread = GetWindowThreadProcessId(hwnd, nullptr);
    async.serial = ++g_serial;
    // A connected socket (and any datagram socket) can be written at once: one FD_WRITE says so.
    async.writeArmed = record.type != SOCK_STREAM || record.connect == ConnectState::Connected;
    return async;
}

}  // namespace

void PostNotifications(const std::vector<Notification> &notifications)
{
    for (const Notification &n : notifications) {
        PostMessage(n.hwnd, n.message, n.socket, n.param);
    }
}

void ResolveConnect(int fd, SocketRecord &record, short revents, std::vector<Notification> &out)
{
    if (record.connect != ConnectState::Connecting || (revents & (POLLOUT | kFailureEvents)) == 0) {
        return;
    }
    int err = 0;
    socklen_t length = sizeof(err);
    if (Libc()->getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &length) != 0) {
        err = errno;
    }
    int number = err != 0 ? WsaFromErrno(err) : (revents & POLLOUT) != 0 ? 0 : ws::WSAECONNREFUSED;
    if (number == 0) {
        record.connect = ConnectState::Connected;
        if (record.async) {
            record.async->writeArmed = true;
        }
    } else {
        record.connect = ConnectState::Failed;
        record.pendingError = number;
    }
    if (record.async) {
        Queue(*record.async, fd, ws::FD_CONNECT, number, out);
    }
}

void SettleConnect(int fd)
{
    std::vector<Notification> out;
    bool settled = false;
    {
        std::lock_guard<std::mutex> hold(TableLock());
        SocketRecord *record = FindSocket(fd);
        if (record == nullptr || record->connect != ConnectState::Connecting) {
            return;
        }
        pollfd probe{fd, POLLOUT, 0};
        if (poll(&probe, 1, 0) > 0) {
            ResolveConnect(fd, *record, probe.revents, out);
            settled = record->connect != ConnectState::Connecting;
        }
    }
    PostNotifications(out);
    if (settled) {
        SyncWatch(fd);
    }
}

void SyncWatch(int fd)
{
    std::lock_guard<std::mutex> watchHold(g_watchLock);
    QsFdWatch *watch = nullptr;
    short want = 0;
    DWORD thread = 0;
    std::uint64_t serial = 0;
    {
        std::lock_guard<std::mutex> hold(TableLock());
        SocketRecord *record = FindSocket(fd);
        if (record == nullptr || !record->async) {
            return;
        }
        AsyncState &async = *record->async;
        want = DesiredEvents(*record);
        if (want == async.watched || (want == 0 && async.watch == nullptr)) {
            return;
        }
        watch = async.watch;
        thread = async.thread;
        serial = async.serial;
    }
    // A watch is only ever paused here (events 0), never ended: ending one from another thread waits
    // for a running callback, which may itself be waiting for this lock.
    if (watch == nullptr) {
        watch = QsWatchFd(thread, fd, want, OnReady, reinterpret_cast<void *>(static_cast<std::uintptr_t>(serial)));
    } else {
        QsUpdateFdWatch(watch, want);
    }
    // The record is still there: taking it out needs the watch lock held here.
    std::lock_guard<std::mutex> hold(TableLock());
    AsyncState &async = *FindSocket(fd)->async;
    async.watch = watch;
    async.watched = watch != nullptr ? want : 0;
}

void Rearm(int fd, std::int32_t event)
{
    {
        std::lock_guard<std::mutex> hold(TableLock());
        SocketRecord *record = FindSocket(fd);
        if (record == nullptr || !record->async) {
            return;
        }
        AsyncState &async = *record->async;
        bool &armed = event == ws::FD_READ ? async.readArmed : event == ws::FD_WRITE ? async.writeArmed : async.acceptArmed;
        if (armed && !async.suspended) {
            return;
        }
        armed = true;
        async.suspended = false;
    }
    SyncWatch(fd);
}

void InheritAsync(int listenFd, int fd)
{
    {
        std::lock_guard<std::mutex> hold(TableLock());
        SocketRecord *listener = FindSocket(listenFd);
        SocketRecord *record = FindSocket(fd);
        if (listener == nullptr || !listener->async || record == nullptr) {
            return;
        }
        const AsyncState &from = *listener->async;
        record->async = NewRegistration(from.hwnd, from.message, from.events, *record);
    }
    SyncWatch(fd);
}

int AsyncSelect(ws::SOCKET s, void *window, unsigned message, std::int32_t events)
{
    if (!RequireStarted()) {
        return ws::SOCKET_ERROR;
    }
    auto hwnd = static_cast<HWND>(window);
    bool cancel = message == 0 || events == 0;
    if (!cancel && !IsWindow(hwnd)) {
        return Fail(ws::WSAEINVAL);
    }
    int fd = ToFd(s);
    QsFdWatch *old = nullptr;
    {
        std::lock_guard<std::mutex> watchHold(g_watchLock);
        {
            std::lock_guard<std::mutex> hold(TableLock());
            SocketRecord *record = FindSocket(fd);
            if (record == nullptr) {
                return Fail(ws::WSAENOTSOCK);
            }
            if (!cancel) {
                int flags = fcntl(fd, F_GETFL);
                if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
                    return FailErrno(errno);
                }
                record->nonBlocking = true;
            }
            if (record->async) {
                old = record->async->watch;
                record->async.reset();
            }
            if (!cancel) {
                record->async = NewRegistration(hwnd, message, events, *record);
            }
        }
    }
    // Once this returns, the old watch's callback is neither running nor going to run.
    if (old != nullptr) {
        QsUnwatchFd(old);
    }
    SyncWatch(fd);
    return 0;
}

bool DropSocket(int fd)
{
    QsFdWatch *watch = nullptr;
    {
        std::lock_guard<std::mutex> watchHold(g_watchLock);
        std::lock_guard<std::mutex> hold(TableLock());
        std::optional<SocketRecord> record = TakeSocket(fd);
        if (!record) {
            return false;
        }
        if (record->async) {
            watch = record->async->watch;
        }
    }
    // The descriptor is closed only after its watch has ended, so no poll() sees a reused number.
    if (watch != nullptr) {
        QsUnwatchFd(watch);
    }
    close(fd);
    return true;
}

}  // namespace qsws
