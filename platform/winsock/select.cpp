// select() over poll(): the platform's counted socket sets, its time-out, and its reporting of a failed
// non-blocking connect in the exception set.
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <poll.h>
#include <time.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <vector>

#include "platform/winsock/async_select.h"
#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/socket_table.h"
#include "platform/winsock/startup.h"

namespace qsws {
namespace {

constexpr int kSetCount = 3;  // read, write, exception
constexpr int kMaxEntries = kSetCount * wsc::kFdSetSize;
constexpr short kAsk[kSetCount] = {POLLIN, POLLOUT, POLLPRI};  // what each set asks poll() for
constexpr short kReadEvents = POLLIN | POLLHUP | POLLERR;
// A reset connection can no longer become writable; reporting it lets send return the error.
constexpr short kWriteEvents = POLLOUT | POLLHUP | POLLERR;

struct Entry {
    int fd = -1;
    short events = 0;      // what the caller's sets ask for
    short revents = 0;
    ConnectState connect = ConnectState::Idle;
    bool dormant = false;  // showed only a lasting error or hang-up that none of its sets reports
};

std::int64_t NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool Ready(const Entry &entry, int set)
{
    switch (set) {
    case 0:
        return entry.connect != ConnectState::Failed && entry.connect != ConnectState::Connecting &&
               (entry.revents & kReadEvents) != 0;
    case 1:
        return entry.connect != ConnectState::Failed && entry.connect != ConnectState::Connecting &&
               (entry.revents & kWriteEvents) != 0;
    default:
        return entry.connect == ConnectState::Failed || (entry.revents & POLLPRI) != 0;
    }
}

bool ReadyAnywhere(const Entry &entry)
{
    for (int i = 0; i < kSetCount; ++i) {
        if ((entry.events & kAsk[i]) != 0 && Ready(entry, i)) {
            return true;
        }
    }
    return false;
}

// poll() reports an error or hang-up at once, every time. A socket showing one that its sets do not
// report (a failed connect outside the exception set, a reset socket asked only for out-of-band data)
// is left out of later rounds, or the wait would spin.
bool Pollable(const Entry &entry)
{
    return entry.connect != ConnectState::Failed && !entry.dormant;
}

}  // namespace

int Select(int, ws::fd_set *readSet, ws::fd_set *writeSet, ws::fd_set *exceptSet, const ws::timeval *timeout)
{
    if (!RequireStarted()) {
        return ws::SOCKET_ERROR;
    }
    ws::fd_set *sets[kSetCount] = {readSet, writeSet, exceptSet};
    std::uint32_t total = 0;
    for (ws::fd_set *set : sets) {
        if (set != nullptr) {
            if (set->fd_count > static_cast<std::uint32_t>(wsc::kFdSetSize)) {
                return Fail(ws::WSAEINVAL);
            }
            total += set->fd_count;
        }
    }
    if (total == 0 || (timeout != nullptr && (timeout->tv_sec < 0 || timeout->tv_usec < 0))) {
        return Fail(ws::WSAEINVAL);
    }

    std::array<Entry, kMaxEntries> entries;
    int entryCount = 0;
    auto readyIn = [&](ws::SOCKET s, int set) {
        int fd = ToFd(s);
        for (int e = 0; e < entryCount; ++e) {
            if (entries[e].fd == fd) {
                return Ready(entries[e], set);
            }
        }
        return false;
    };
    {
        std::lock_guard<std::mutex> hold(TableLock());
        for (int i = 0; i < kSetCount; ++i) {
            for (std::uint32_t k = 0; sets[i] != nullptr && k < sets[i]->fd_count; ++k) {
                int fd = ToFd(sets[i]->fd_array[k]);
                if (FindSocket(fd) == nullptr) {
                    return Fail(ws::WSAENOTSOCK);
                }
                int e = 0;
                while (e < entryCount && entries[e].fd != fd) {
                    ++e;
                }
                if (e == entryCount) {
                    entries[entryCount++].fd = fd;
                }
                entries[e].events |= kAsk[i];
            }
        }
    }

    std::int64_t deadline = -1;
    if (timeout != nullptr) {
        deadline = NowMs() + static_cast<std::int64_t>(timeout->tv_sec) * 1000 + (timeout->tv_usec + 999) / 1000;
    }
    std::vector<Notification> notifications;
    std::vector<int> settled;
    int count = 0;
    for (;;) {
        std::array<pollfd, kMaxEntries> fds;
        std::array<int, kMaxEntries> index;
        int pollCount = 0;
        {
            std::lock_guard<std::mutex> hold(TableLock());
            for (int e = 0; e < entryCount; ++e) {
                Entry &entry = entries[e];
                SocketRecord *record = FindSocket(entry.fd);
                entry.connect = record != nullptr ? record->connect : ConnectState::Idle;
                entry.revents = 0;
                if (Pollable(entry)) {
                    // A pending connect is watched for completion whatever the caller asked.
                    short events = entry.events | (entry.connect == ConnectState::Connecting ? POLLOUT : 0);
                    fds[pollCount] = pollfd{entry.fd, events, 0};
                    index[pollCount++] = e;
                }
            }
        }
        // A failed connect in the exception set is ready without waiting.
        bool readyNow = false;
        for (int e = 0; e < entryCount; ++e) {
            readyNow = readyNow || ((entries[e].events & POLLPRI) != 0 && entries[e].connect == ConnectState::Failed);
        }
        int waitMs = -1;
        if (readyNow) {
            waitMs = 0;
        } else if (deadline >= 0) {
            std::int64_t left = deadline - NowMs();
            waitMs = left <= 0 ? 0 : left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        int n = poll(fds.data(), static_cast<nfds_t>(pollCount), waitMs);
        if (n < 0 && errno != EINTR) {
            return FailErrno(errno);
        }
        {
            std::lock_guard<std::mutex> hold(TableLock());
            for (int p = 0; n > 0 && p < pollCount; ++p) {
                Entry &entry = entries[index[p]];
                entry.revents = fds[p].revents;
                SocketRecord *record = FindSocket(entry.fd);
                if (record != nullptr && record->connect == ConnectState::Connecting) {
                    ResolveConnect(entry.fd, *record, entry.revents, notifications);
                    if (record->connect != ConnectState::Connecting) {
                        settled.push_back(entry.fd);
                    }
                }
                if (record != nullptr) {
                    entry.connect = record->connect;
                }
                entry.dormant = !ReadyAnywhere(entry) && (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
            }
        }
        count = 0;
        for (int i = 0; i < kSetCount; ++i) {
            for (std::uint32_t k = 0; sets[i] != nullptr && k < sets[i]->fd_count; ++k) {
                count += readyIn(sets[i]->fd_array[k], i) ? 1 : 0;
            }
        }
        if (count > 0 || (n == 0 && waitMs == 0) || (deadline >= 0 && NowMs() >= deadline)) {
            break;
        }
    }

    // Only the ready sockets stay in each set, in their order.
    for (int i = 0; i < kSetCount; ++i) {
        ws::fd_set *set = sets[i];
        if (set == nullptr) {
            continue;
        }
        std::uint32_t kept = 0;
        for (std::uint32_t k = 0; k < set->fd_count; ++k) {
            if (readyIn(set->fd_array[k], i)) {
                set->fd_array[kept++] = set->fd_array[k];
            }
        }
        set->fd_count = kept;
    }
    PostNotifications(notifications);
    for (int fd : settled) {
        SyncWatch(fd);
    }
    return count;
}

}  // namespace qsws
