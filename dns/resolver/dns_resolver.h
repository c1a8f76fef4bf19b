// The resolver: sessions with their name servers, local domain and search list, queries over UDP and
// TCP, host lookups (forward, reverse, host file), record texts and wildcard host matching.
//
// Every function takes the session's handle first, reports failure by its return value (-1, 0, null or
// 0xFFFFFFFF as each says) and stores the error in the calling thread's slot. Addresses are IPv4 in
// network order. Without a session: ParseHostAddress, FormatDottedAddress, ResolveServicePort and
// GetServiceName of core/host/host_address.h.
#pragma once
#include <cstdint>

#include "core/session/session_library.h"
#include "dns/lib/dns_host_entry.h"
#include "dns/lib/dns_mail_exchanges.h"

namespace qs {

// Start and teardown ("Quillstream Domain Name Services Library"): LibraryInitialize and
// LibraryUninitialize of this object. Initialisation fails with 10092 before platform version 5.
SessionLibrary &DnsLibrary();

// A session of the calling thread (flags: kOptionAnyThread lets any thread use it). It reads the local
// domain and discovers the name servers; neither failing fails the creation. The handle, or -1 (10093
// before initialisation, 10012, 10014 for a negative time-out).
ClientHandle DnsCreateSession(int timeout, int retries, std::uint32_t flags);
int DnsFreeSession(ClientHandle handle);

// Slot 0-3, or -1 for the first empty one; an empty or null address clears the slot; port 0 is 53.
// 0, or -1 (10014 no such slot, 12006 port above 65535, 12005 not a dotted address).
int DnsSetNameServer(ClientHandle handle, int slot, const char *address, int port);
// The slot's address (0 when empty), or 0xFFFFFFFF (10014 no such slot).
std::uint32_t DnsGetNameServer(ClientHandle handle, int slot);
// Adds every DNS server of the network adapters to the empty slots, in adapter order. 1 when at least
// one was added, else 0 (errors: 12201 platform too old, 12003 no IP helper library, 12251).
int DnsDiscoverNameServers(ClientHandle handle);

// The local domain (at most 255 characters), or with null the system's (the registry's TCP/IP
// "Domain"); rebuilds the search list. 0, or -1 (10014 too long, 12201).
int DnsSetLocalDomain(ClientHandle handle, const char *domain);
// Its length, or -1 (10014, 10023 the output cannot hold it).
int DnsGetLocalDomain(ClientHandle handle, char *out, int capacity);

// Cancels the session's exchange (any thread may), or with -1 the calling thread's blocking call.
int DnsCancel(ClientHandle handle);
// Seconds per name-server attempt (0 to 3600, above is 3600; 0 waits without limit) and passes over
// the name servers (1 to 32; 0 is 1, above is 32). The previous value, or -1 (10014 when negative).
int DnsSetTimeout(ClientHandle handle, int seconds);
int DnsSetRetryCount(ClientHandle handle, int retries);
// The name server that gave the last answer, or 0xFFFFFFFF (none yet, or the last exchange failed).
std::uint32_t DnsGetServerAddress(ClientHandle handle);

// Host entries live in the session until its next host lookup. By name: the host file first, then the
// name servers (a dotted address is looked up in reverse). By address: the name servers only, `length`
// 4 and `type` 2.
const DnsHostEntry *DnsGetHostByName(ClientHandle handle, const char *name);
const DnsHostEntry *DnsGetHostByAddress(ClientHandle handle, const void *address, int length, int type);
// The dotted address of a host, and the official name of a dotted address: their length, or -1.
int DnsGetHostAddressText(ClientHandle handle, const char *host, char *out, int capacity);
int DnsGetHostNameText(ClientHandle handle, const char *address, char *out, int capacity);

// Mail exchangers of a domain in ascending preference, at most `maxCount` (0 or above 35: 35): the
// count, or -1. The list stays valid until the session's next mail-exchanger lookup.
int DnsGetMailExchanges(ClientHandle handle, const char *domain, int maxCount);
const DnsMailExchangeList *DnsGetMailExchangeList(ClientHandle handle);
// The services of a host's WKS record for protocol 6 or 17: text length, 0 when none matched, or -1.
int DnsGetHostServices(ClientHandle handle, const char *host, int protocol, char *out, int capacity);
// The host's HINFO text, as DnsFormatRecord with type 13.
int DnsGetHostInfo(ClientHandle handle, const char *host, char *out, int capacity);
// The text of the first record of `type` for `name` (capacity at least 2): its length, or -1.
int DnsFormatRecord(ClientHandle handle, const char *name, int type, char *out, int capacity);

// The local host's first address, or 0xFFFFFFFF (12004); its name: length, or -1 (12004, 10023).
std::uint32_t DnsGetLocalAddress(ClientHandle handle);
int DnsGetLocalName(ClientHandle handle, char *out, int capacity);

// Loads a host file found along the file search path (the program's directory, the current
// directory, /etc, then $PATH; a name with a '/' is a path), replacing the one before; an empty or
// null name just unloads. The number of entries, or -1 (10002, 10013, 10010, 10012).
int DnsLoadHostFile(ClientHandle handle, const char *fileName);
// The loaded file's full path: its length (0 when none is loaded), or -1 (10023).
int DnsGetHostFilePath(ClientHandle handle, char *out, int capacity);

// 1 when the host matches one of the ';'-separated masks ('?' one character, '*' a run), else 0.
// With `resolve`, the host's other form (the name of an address, the address of a name) is tried first.
int DnsMatchHost(ClientHandle handle, const char *host, const char *masks, bool resolve);

}  // namespace qs
