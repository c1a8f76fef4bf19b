// The IP helper library's interface as the resolver binds it: the adapter records and the signatures
// of the two exports name-server discovery uses. The module (libiphlpapi.so) exports these names with
// C linkage; callers reach them only through GetProcAddress.
//
// On Linux the adapter list is the resolver configuration file: one adapter whose name servers are the
// file's `nameserver` lines with an IPv4 address, in file order. The file is $QS_RESOLV_CONF when set,
// else /etc/resolv.conf; a file that does not exist means no adapter at all.
#pragma once
#include <cstdint>

namespace iph {

using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_BUFFER_OVERFLOW = 111;
inline constexpr DWORD ERROR_NO_DATA = 232;

inline constexpr int MAX_ADAPTER_NAME_LENGTH = 256;
inline constexpr int MAX_ADAPTER_DESCRIPTION_LENGTH = 128;

// A dotted IPv4 address as text, and a chain of them.
struct IP_ADDRESS_STRING {
    char String[16];
};
struct IP_ADDR_STRING {
    IP_ADDR_STRING *Next;
    IP_ADDRESS_STRING IpAddress;
    IP_ADDRESS_STRING IpMask;
    DWORD Context;
};

// The fields of the platform's adapter record that discovery reads; the platform's record has more
// (hardware address, address and gateway lists, DHCP and WINS data), which this module does not fill.
struct IP_ADAPTER_INFO {
    IP_ADAPTER_INFO *Next;
    DWORD ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
    char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
    DWORD Index;
    UINT Type;
};

// The per-adapter record: the first DNS server is held in the record, the others follow in the same
// buffer, chained through Next.
struct IP_PER_ADAPTER_INFO {
    UINT AutoconfigEnabled;
    UINT AutoconfigActive;
    IP_ADDR_STRING *CurrentDnsServer;
    IP_ADDR_STRING DnsServerList;
};

inline constexpr UINT MIB_IF_TYPE_OTHER = 1;

// Both fill the caller's buffer of *size bytes; a buffer that is missing or too small gives
// ERROR_BUFFER_OVERFLOW with *size set to what is needed. A null size is ERROR_INVALID_PARAMETER.
// GetAdaptersInfo: ERROR_NO_DATA when there is no adapter. GetPerAdapterInfo: ERROR_INVALID_PARAMETER
// for an index that names no adapter.
using GetAdaptersInfo_fn = DWORD (*)(IP_ADAPTER_INFO *adapters, ULONG *size);
using GetPerAdapterInfo_fn = DWORD (*)(ULONG index, IP_PER_ADAPTER_INFO *info, ULONG *size);

}  // namespace iph
