// The host, service and protocol databases (IPv4 only), read through the C library's resolver and
// reentrant calls into plain records, which records.h lays out in the platform's form.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qsws {

inline constexpr std::size_t kMaxAddresses = 35;     // addresses kept from one host lookup
inline constexpr std::size_t kMaxAliases = 16;       // aliases kept per record
inline constexpr std::size_t kMaxNameLength = 255;   // longest name kept (longer ones are cut)

struct HostInfo {
    std::string name;
    std::vector<std::string> aliases;
    std::vector<std::uint32_t> addresses;  // network byte order
};

struct ServiceInfo {
    std::string name;
    std::vector<std::string> aliases;
    std::uint16_t port = 0;  // network byte order
    std::string protocol;
};

struct ProtocolInfo {
    std::string name;
    std::vector<std::string> aliases;
    int number = 0;
};

// Each returns 0 or the platform's error number. A null or empty host name means this host.
int LookupHostByName(const char *name, HostInfo &out);
int LookupHostByAddr(const char *address, int length, int type, HostInfo &out);
int LookupServiceByName(const char *name, const char *protocol, ServiceInfo &out);
int LookupServiceByPort(int port, const char *protocol, ServiceInfo &out);  // port in network order
int LookupProtocolByName(const char *name, ProtocolInfo &out);
int LookupProtocolByNumber(int number, ProtocolInfo &out);
// This host's name; 0 or the platform's error number.
int LocalHostName(std::string &out);

}  // namespace qsws
