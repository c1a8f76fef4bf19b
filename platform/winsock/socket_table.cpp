#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/socket_table.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/winsock/async_select.h"  // DropSocket
#include "platform/winsock/errors.h"
#include "platform/winsock/startup.h"

namespace qsws {
namespace {

std::map<int, SocketRecord> &Table()
{
    static std::map<int, SocketRecord> table;
    return table;
}

}  // namespace

int ToFd(ws::SOCKET s)
{
    return s <= static_cast<ws::SOCKET>(INT_MAX) ? static_cast<int>(s) : -1;
}

std::mutex &TableLock()
{
    static std::mutex lock;
    return lock;
}

SocketRecord *FindSocket(int fd)
{
    auto it = Table().find(fd);
    return it == Table().end() ? nullptr : &it->second;
}

void AddSocket(int fd, const SocketRecord &record)
{
    Table()[fd] = record;
}

std::optional<SocketRecord> TakeSocket(int fd)
{
    auto it = Table().find(fd);
    if (it == Table().end()) {
        return std::nullopt;
    }
    SocketRecord record = std::move(it->second);
    Table().erase(it);
    return record;
}

std::optional<SocketView> Begin(ws::SOCKET s)
{
    if (!RequireStarted()) {
        return std::nullopt;
    }
    int fd = ToFd(s);
    std::lock_guard<std::mutex> hold(TableLock());
    SocketRecord *record = FindSocket(fd);
    if (record == nullptr) {
        SetLastWsaError(ws::WSAENOTSOCK);
        return std::nullopt;
    }
    return SocketView{fd, record->type, record->nonBlocking, record->listening, record->connect};
}

void CloseAllSockets()
{
    std::vector<int> fds;
    {
        std::lock_guard<std::mutex> hold(TableLock());
        for (const auto &entry : Table()) {
            fds.push_back(entry.first);
        }
    }
    for (int fd : fds) {
        DropSocket(fd);
    }
}

}  // namespace qsws
