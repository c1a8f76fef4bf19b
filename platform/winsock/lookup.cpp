#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/winsock/errors.h"

namespace qsws {
namespace {

// The reentrant database calls need a scratch buffer; it grows on ERANGE up to this.
constexpr std::size_t kScratchStart = 4096;
constexpr std::size_t kScratchMax = 64 * 1024;

std::string Capped(const char *text)
{
    return std::string(text, strnlen(text, kMaxNameLength));
}

std::vector<std::string> Aliases(char **list)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; list != nullptr && list[i] != nullptr && out.size() < kMaxAliases; ++i) {
        out.push_back(Capped(list[i]));
    }
    return out;
}

// Runs a reentrant lookup `call(entry, scratch, size, &result) -> errno-style code`, growing the scratch
// buffer, and hands the entry (whose texts live in the scratch buffer) to `take`. Returns 0 when an
// entry was found, else the platform's error number.
template <typename Entry, typename Call, typename Take>
int Reentrant(Call call, Take take)
{
    std::vector<char> scratch(kScratchStart);
    for (;;) {
        Entry entry{};
        Entry *result = nullptr;
        int rc = call(&entry, scratch.data(), scratch.size(), &result);
        if (rc == ERANGE && scratch.size() < kScratchMax) {
            scratch.resize(scratch.size() * 2);
            continue;
        }
        if (rc == 0 && result != nullptr) {
            take(entry);
            return 0;
        }
        return rc == ERANGE ? ws::WSAENOBUFS : ws::WSANO_DATA;
    }
}

ServiceInfo Service(const servent &e)
{
    return ServiceInfo{Capped(e.s_name), Aliases(e.s_aliases), static_cast<std::uint16_t>(e.s_port), Capped(e.s_proto)};
}

ProtocolInfo Protocol(const protoent &e)
{
    return ProtocolInfo{Capped(e.p_name), Aliases(e.p_aliases), e.p_proto};
}

}  // namespace

int LocalHostName(std::string &out)
{
    utsname names{};
    if (uname(&names) != 0) {
        return WsaFromErrno(errno);
    }
    out = Capped(names.nodename);
    return 0;
}

int LookupHostByName(const char *name, HostInfo &out)
{
    std::string wanted;
    if (name == nullptr || *name == '\0') {
        if (int error = LocalHostName(wanted); error != 0) {
            return error;
        }
    } else {
        if (strnlen(name, kMaxNameLength + 1) > kMaxNameLength) {
            return ws::WSAHOST_NOT_FOUND;  // no host has a name this long
        }
        wanted = name;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo *list = nullptr;
    int rc = getaddrinfo(wanted.c_str(), nullptr, &hints, &list);
    if (rc != 0) {
        return WsaFromAddrInfo(rc, errno);
    }
    out = HostInfo{};
    out.name = list->ai_canonname != nullptr ? Capped(list->ai_canonname) : wanted;
    if (out.name != wanted) {
        out.aliases.push_back(wanted);
    }
    for (addrinfo *ai = list; ai != nullptr && out.addresses.size() < kMaxAddresses; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || ai->ai_addrlen < sizeof(sockaddr_in)) {
            continue;
        }
        sockaddr_in in{};
        std::memcpy(&in, ai->ai_addr, sizeof(in));
        if (std::find(out.addresses.begin(), out.addresses.end(), in.sin_addr.s_addr) == out.addresses.end()) {
            out.addresses.push_back(in.sin_addr.s_addr);
        }
    }
    freeaddrinfo(list);
    return out.addresses.empty() ? ws::WSANO_DATA : 0;
}

int LookupHostByAddr(const char *address, int length, int type, HostInfo &out)
{
    if (type != wsc::kAfInet) {
        return ws::WSAEAFNOSUPPORT;
    }
    if (address == nullptr || length < 4) {
        return ws::WSAEFAULT;
    }
    sockaddr_in in{};
    in.sin_family = AF_INET;
    std::memcpy(&in.sin_addr.s_addr, address, 4);
    char host[NI_MAXHOST] = {};
    int rc = getnameinfo(reinterpret_cast<const sockaddr *>(&in), sizeof(in), host, sizeof(host), nullptr, 0,
                         NI_NAMEREQD);
    if (rc != 0) {
        return WsaFromAddrInfo(rc, errno);
    }
    out = HostInfo{};
    out.name = Capped(host);
    out.addresses.push_back(in.sin_addr.s_addr);
    return 0;
}

int LookupServiceByName(const char *name, const char *protocol, ServiceInfo &out)
{
    if (name == nullptr) {
        return ws::WSAEFAULT;
    }
    return Reentrant<servent>(
        [&](servent *e, char *buf, std::size_t size, servent **result) {
            return getservbyname_r(name, protocol, e, buf, size, result);
        },
        [&](const servent &e) { out = Service(e); });
}

int LookupServiceByPort(int port, const char *protocol, ServiceInfo &out)
{
    return Reentrant<servent>(
        [&](servent *e, char *buf, std::size_t size, servent **result) {
            return getservbyport_r(port, protocol, e, buf, size, result);
        },
        [&](const servent &e) { out = Service(e); });
}

int LookupProtocolByName(const char *name, ProtocolInfo &out)
{
    if (name == nullptr) {
        return ws::WSAEFAULT;
    }
    return Reentrant<protoent>(
        [&](protoent *e, char *buf, std::size_t size, protoent **result) {
            return getprotobyname_r(name, e, buf, size, result);
        },
        [&](const protoent &e) { out = Protocol(e); });
}

int LookupProtocolByNumber(int number, ProtocolInfo &out)
{
    return Reentrant<protoent>(
        [&](protoent *e, char *buf, std::size_t size, protoent **result) {
            return getprotobynumber_r(number, e, buf, size, result);
        },
        [&](const protoent &e) { out = Protocol(e); });
}

}  // namespace qsws
