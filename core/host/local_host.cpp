// The local host: its name with the domain, and the local end of a connection.
#include <cstring>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/socket_api.h"
#include "core/session/session_library.h"
#include "platform/base/registry.h"
#include "platform/base/sysinfo.h"

namespace qs {
namespace {

constexpr const char *kDomainKeys[] = {
    "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Transient",
    "System\\CurrentControlSet\\Services\\Tcpip\\Parameters",
};
constexpr DWORD kDomainValueCap = 512;   // bytes read of the "Domain" value

bool IsNtPlatform()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The domain from the first registry location that holds a "Domain" string; empty when none does, or
// when that one is empty.
void ReadDomain(char (&domain)[kDomainCap])
{
    domain[0] = '\0';
    for (const char *path : kDomainKeys) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char value[kDomainValueCap] = {};
        DWORD type = REG_NONE;
        DWORD size = sizeof value - 1;
        LONG status = RegQueryValueExA(key, "Domain", nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        value[sizeof value - 1] = '\0';
        std::strncpy(domain, value, kDomainCap - 1);
        domain[kDomainCap - 1] = '\0';
        return;
    }
}

bool ReadHostName(char (&name)[kHostNameCap])
{
    if (sock::gethostname(name, kHostNameCap) != 0)
        return false;
    name[kHostNameCap - 1] = '\0';
    return true;
}

int CopyOut(const char *text, char *buffer, int size)
{
    std::size_t length = std::strlen(text);
    if (length >= static_cast<std::size_t>(size))
        length = static_cast<std::size_t>(size) - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace

int GetLocalHostName(char *buffer, int size)
{
    if (buffer == nullptr || size < 1) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    char name[kHostNameCap];
    if (!ReadHostName(name)) {
        SetErrorCode(qsErrorUnknownLocalhost);
        return -1;
    }
    if (std::strchr(name, '.') != nullptr || !IsNtPlatform())
        return CopyOut(name, buffer, size);
    char domain[kDomainCap];
    ReadDomain(domain);
    char full[kHostNameCap + 1 + kDomainCap];
    std::strcpy(full, name);
    if (domain[0] != '\0') {
        std::strcat(full, ".");
        std::strcat(full, domain);
    }
    return CopyOut(full, buffer, size);
}

int GetLocalEndpoint(SessionLibrary &library, ClientHandle handle, std::uint32_t *address, int *port)
{
    if (address != nullptr)
        *address = kNoAddress;
    if (port != nullptr)
        *port = 0;
    if (handle == kNoHandle) {
        char name[kHostNameCap];
        ws::hostent *entry = ReadHostName(name) ? sock::gethostbyname(name) : nullptr;
        if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
            entry->h_length != sizeof(std::uint32_t)) {
            SetErrorCode(qsErrorUnknownLocalhost);
            return -1;
        }
        if (address != nullptr)
            std::memcpy(address, entry->h_addr_list[0], sizeof *address);
        return 0;
    }
    ClientSession *session = library.LookupSession(handle);
    if (session == nullptr)
        return -1;
    ws::sockaddr_in local{};
    int length = sizeof local;
    if (sock::getsockname(session->socket, reinterpret_cast<ws::sockaddr *>(&local), &length) != 0) {
        SetErrorFromNetwork();
        return 0;
    }
    if (address != nullptr)
        *address = local.sin_addr.s_addr;
    if (port != nullptr)
        *port = sock::ntohs(local.sin_port);
    return 0;
}

}  // namespace qs
