// Name-server slots, set by the caller or discovered from the network adapters through the platform's
// IP helper library.
#include <algorithm>
#include <iterator>
#include <memory>
#include <new>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "core/net/socket_api.h"
#include "dns/resolver/dns_platform.h"
#include "dns/resolver/dns_resolver.h"
#include "dns/resolver/dns_session.h"
#include "platform/base/module.h"
#include "platform/iphelper/iphlpapi.h"

namespace qs {
namespace {

constexpr int kMaxPort = 0xFFFF;
// The adapter records are read into buffers the IP helper sizes; more than this is not believed.
constexpr iph::ULONG kAdapterBufferCap = 1024 * 1024;
// Chains of adapters or of server entries longer than this are not followed further.
constexpr int kMaxChain = 64;

struct IpHelper {
    iph::GetAdaptersInfo_fn getAdaptersInfo = nullptr;
    iph::GetPerAdapterInfo_fn getPerAdapterInfo = nullptr;
};

// Loaded once per process, on the first discovery, without the platform's file-error boxes.
const IpHelper &BindIpHelper()
{
    static const IpHelper helper = [] {
        IpHelper bound;
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        HMODULE module = LoadLibraryA("IPHLPAPI.DLL");
        SetErrorMode(previous);
        if (module != nullptr) {
            bound.getAdaptersInfo =
                reinterpret_cast<iph::GetAdaptersInfo_fn>(GetProcAddress(module, "GetAdaptersInfo"));
            bound.getPerAdapterInfo =
                reinterpret_cast<iph::GetPerAdapterInfo_fn>(GetProcAddress(module, "GetPerAdapterInfo"));
        }
        return bound;
    }();
    return helper;
}

// A buffer aligned for the records the IP helper writes into it.
using RecordBuffer = std::unique_ptr<std::max_align_t[]>;

RecordBuffer Allocate(iph::ULONG size)
{
    return RecordBuffer(new (std::nothrow) std::max_align_t[size / sizeof(std::max_align_t) + 1]);
}

// Asks for the size (the call must say the buffer is too small), then reads. Null on any failure, with
// the error stored.
template <class Read>
RecordBuffer ReadRecords(Read read)
{
    iph::ULONG size = 0;
    if (read(nullptr, &size) != iph::ERROR_BUFFER_OVERFLOW || size == 0 || size > kAdapterBufferCap) {
        SetErrorCode(qsErrorNetworkAdapter);
        return nullptr;
    }
    RecordBuffer buffer = Allocate(size);
    if (buffer == nullptr) {
        SetErrorCode(qsErrorOutOfMemory);
        return nullptr;
    }
    if (read(buffer.get(), &size) != iph::ERROR_SUCCESS) {
        SetErrorCode(qsErrorNetworkAdapter);
        return nullptr;
    }
    return buffer;
}

}  // namespace

int DnsSetNameServer(ClientHandle handle, int slot, const char *address, int port)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    if (slot == -1) {
        for (int i = 0; i < kDnsNameServerSlots && slot == -1; ++i)
            if (session->slots[i].address == 0)
                slot = i;
    }
    if (slot < 0 || slot >= kDnsNameServerSlots) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    if (port < 0 || port > kMaxPort) {
        SetErrorCode(qsErrorInvalidServicePort);
        return -1;
    }
    NameServerSlot &target = session->slots[slot];
    if (address == nullptr || *address == '\0') {
        target = NameServerSlot{};
    } else {
        const std::uint32_t parsed = ParseDottedAddress(address);
        if (parsed == kNoAddress) {
            SetErrorCode(qsErrorInvalidHostAddress);
            return -1;
        }
        target.address = parsed;
        target.port = sock::htons(static_cast<ws::u_short>(port != 0 ? port : kDnsDefaultPort));
    }
    return 0;
}

std::uint32_t DnsGetNameServer(ClientHandle handle, int slot)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return kNoAddress;
    if (slot < 0 || slot >= kDnsNameServerSlots) {
        SetErrorCode(qsErrorInvalidParameter);
        return kNoAddress;
    }
    return session->slots[slot].address;
}

int DnsDiscoverNameServers(ClientHandle handle)
{
    if (DnsSessions().Lookup(handle) == nullptr)
        return 0;
    if (!DnsPlatformSupported()) {
        SetErrorCode(qsErrorOperationNotSupported);
        return 0;
    }
    const IpHelper &helper = BindIpHelper();
    if (helper.getAdaptersInfo == nullptr || helper.getPerAdapterInfo == nullptr) {
        SetErrorCode(qsErrorNotImplemented);
        return 0;
    }
    RecordBuffer adapters = ReadRecords([&](void *buffer, iph::ULONG *size) {
        return helper.getAdaptersInfo(static_cast<iph::IP_ADAPTER_INFO *>(buffer), size);
    });
    if (adapters == nullptr)
        return 0;
    bool added = false;
    const auto *adapter = reinterpret_cast<const iph::IP_ADAPTER_INFO *>(adapters.get());
    for (int a = 0; adapter != nullptr && a < kMaxChain; adapter = adapter->Next, ++a) {
        RecordBuffer info = ReadRecords([&](void *buffer, iph::ULONG *size) {
            return helper.getPerAdapterInfo(adapter->Index, static_cast<iph::IP_PER_ADAPTER_INFO *>(buffer), size);
        });
        if (info == nullptr)
            return added ? 1 : 0;
        const auto *record = reinterpret_cast<const iph::IP_PER_ADAPTER_INFO *>(info.get());
        const iph::IP_ADDR_STRING *server = &record->DnsServerList;
        for (int n = 0; server != nullptr && n < kMaxChain; server = server->Next, ++n) {
            char text[sizeof server->IpAddress.String + 1] = {};
            std::copy(std::begin(server->IpAddress.String), std::end(server->IpAddress.String), text);
            // A server that finds no empty slot, or is no dotted address, is dropped without an error.
            const ErrorCode saved = GetErrorCode();
            if (text[0] != '\0' && DnsSetNameServer(handle, -1, text, 0) == 0)
                added = true;
            SetErrorCode(saved);
        }
    }
    return added ? 1 : 0;
}

}  // namespace qs
