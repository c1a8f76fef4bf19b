// The two exports of the IP helper module over the resolver configuration file.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/iphelper/iphlpapi.h"
#include "platform/iphelper/resolv_conf.h"

#define QS_EXPORT extern "C" __attribute__((visibility("default")))

using namespace iph;

namespace {

constexpr DWORD kAdapterIndex = 1;
constexpr char kAdapterName[] = "resolv.conf";

// Tells the caller the size it needs when its buffer is missing or smaller.
bool Fits(const void *buffer, ULONG *size, std::size_t needed)
{
    if (buffer != nullptr && *size >= needed)
        return true;
    *size = static_cast<ULONG>(needed);
    return false;
}

}  // namespace

QS_EXPORT DWORD GetAdaptersInfo(IP_ADAPTER_INFO *adapters, ULONG *size)
{
    if (size == nullptr)
        return ERROR_INVALID_PARAMETER;
    ResolverConfig config;
    if (!ReadResolverConfig(&config))
        return ERROR_NO_DATA;
    if (!Fits(adapters, size, sizeof(IP_ADAPTER_INFO)))
        return ERROR_BUFFER_OVERFLOW;
    *adapters = IP_ADAPTER_INFO{};
    adapters->ComboIndex = kAdapterIndex;
    adapters->Index = kAdapterIndex;
    adapters->Type = MIB_IF_TYPE_OTHER;
    std::snprintf(adapters->AdapterName, sizeof adapters->AdapterName, "%s", kAdapterName);
    std::snprintf(adapters->Description, sizeof adapters->Description, "%s", config.path);
    return ERROR_SUCCESS;
}

QS_EXPORT DWORD GetPerAdapterInfo(ULONG index, IP_PER_ADAPTER_INFO *info, ULONG *size)
{
    if (size == nullptr || index != kAdapterIndex)
        return ERROR_INVALID_PARAMETER;
    ResolverConfig config;
    if (!ReadResolverConfig(&config))
        return ERROR_INVALID_PARAMETER;
    // The record holds the first server; the others follow it in the same buffer.
    const std::size_t extra = config.count > 1 ? config.count - 1 : 0;
    if (!Fits(info, size, sizeof(IP_PER_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING)))
        return ERROR_BUFFER_OVERFLOW;
    *info = IP_PER_ADAPTER_INFO{};
    auto *following = reinterpret_cast<IP_ADDR_STRING *>(info + 1);
    IP_ADDR_STRING *entry = &info->DnsServerList;
    for (std::size_t i = 0; i < config.count; ++i) {
        if (i > 0) {
            following[i - 1] = IP_ADDR_STRING{};
            entry->Next = &following[i - 1];
            entry = entry->Next;
        }
        entry->IpAddress = config.servers[i];
    }
    info->CurrentDnsServer = config.count > 0 ? &info->DnsServerList : nullptr;
    return ERROR_SUCCESS;
}
