// Host lookups shared by the host and record operations.
#pragma once
#include "core/session/session.h"
#include "dns/lib/dns_host_entry.h"

namespace qs {

// DnsGetHostByName, with or without the host file (record texts never consult it).
const DnsHostEntry *DnsLookupHost(ClientHandle handle, const char *name, bool useHostFile);

}  // namespace qs
