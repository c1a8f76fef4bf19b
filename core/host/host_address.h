// Host names, addresses and services: the user's texts turned into what the socket layer needs and
// back. IPv4 only; an address is 32-bit in network byte order, 0xFFFFFFFF meaning none or invalid.
#pragma once
#include <cstdint>

#include "core/session/session.h"

namespace qs {

class SessionLibrary;

inline constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;
inline constexpr int kDottedAddressCap = 32;   // buffer the callers use for dotted texts
inline constexpr int kHostNameCap = 128;       // the socket library's host name, terminator included
inline constexpr int kDomainCap = 128;         // the registry's domain, terminator included

// A dotted address, or kNoAddress with 12005 for a null, empty or malformed text.
std::uint32_t ParseHostAddress(const char *text);
// "%d.%d.%d.%d" of the address, cut to `size`; nothing for a null buffer or a size below 1.
void FormatDottedAddress(std::uint32_t address, char *buffer, int size);
// A dotted address as parsed, else the first address of the host name; kNoAddress with 11001.
std::uint32_t ResolveHostAddress(const char *text);
// The official name of the address: its length, or -1 with 10014, 10039 (address 0 or none) or the
// socket library's error.
int ResolveHostName(std::uint32_t address, char *buffer, int size);
// The local host name with its domain (from the registry when the name has none): its length, or -1
// with 10014 or 12004.
int GetLocalHostName(char *buffer, int size);
// The local end of a session's connection, or (handle -1) the host's own first address and port 0.
// 0, or -1 with 12004 or the lookup's error. A failing socket query stores its error and still gives 0.
int GetLocalEndpoint(SessionLibrary &library, ClientHandle handle, std::uint32_t *address, int *port);
// A port from a number or a service name: 1-65535, or -1 with 10014, 12007 or 12006.
int ResolveServicePort(const char *text);
// The service name of a port: 1, or 0 with 12006 or 12007.
int GetServiceName(int port, char *buffer, int size);

}  // namespace qs
