#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/startup.h"

#include <cstring>
#include <mutex>

#include "platform/winsock/errors.h"
#include "platform/winsock/libc.h"
#include "platform/winsock/socket_table.h"

namespace qsws {
namespace {

constexpr ws::WORD kHighestVersion = 0x0202;  // 2.2: low byte major, high byte minor
constexpr ws::WORD kLowestVersion = 0x0101;   // 1.1
constexpr char kDescription[] = "Quillstream Sockets 2.2";
constexpr char kStatus[] = "Running";
constexpr std::uint16_t kVersion1MaxSockets = 32767;
constexpr std::uint16_t kVersion1MaxDatagram = 65467;

std::mutex g_lock;
int g_starts = 0;

// Versions compare major first: 0x0201 is 1.2, 0x0102 is 2.1.
int VersionRank(ws::WORD version)
{
    return (version & 0xFF) * 256 + (version >> 8);
}

}  // namespace

int Startup(ws::WORD version, ws::WSADATA *data)
{
    if (data == nullptr) {
        return ws::WSAEFAULT;
    }
    std::memset(data, 0, sizeof(*data));
    data->wHighVersion = kHighestVersion;
    std::memcpy(data->szDescription, kDescription, sizeof(kDescription));
    std::memcpy(data->szSystemStatus, kStatus, sizeof(kStatus));
    if (VersionRank(version) < VersionRank(kLowestVersion)) {
        data->wVersion = kHighestVersion;
        return ws::WSAVERNOTSUPPORTED;
    }
    if (Libc() == nullptr) {
        return ws::WSASYSNOTREADY;
    }
    // A request above what we offer gets our highest version; lower ones are granted as asked.
    data->wVersion = VersionRank(version) >= VersionRank(kHighestVersion) ? kHighestVersion : version;
    if ((data->wVersion & 0xFF) < 2) {
        data->iMaxSockets = kVersion1MaxSockets;
        data->iMaxUdpDg = kVersion1MaxDatagram;
    }
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_starts;
    return 0;
}

int Cleanup()
{
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_starts == 0) {
            return Fail(ws::WSANOTINITIALISED);
        }
        if (--g_starts > 0) {
            return 0;
        }
    }
    // The last clean-up ends the library's use in this process: its sockets go with it.
    CloseAllSockets();
    return 0;
}

bool RequireStarted()
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_starts == 0) {
        SetLastWsaError(ws::WSANOTINITIALISED);
        return false;
    }
    return true;
}

}  // namespace qsws
