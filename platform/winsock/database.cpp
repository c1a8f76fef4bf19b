// The database calls with per-thread result records, the local host name, and the address texts.
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>

#include "platform/winsock/calls.h"
#include "platform/winsock/errors.h"
#include "platform/winsock/lookup.h"
#include "platform/winsock/records.h"
#include "platform/winsock/startup.h"

namespace qsws {
namespace {

// Room for the largest record the caps of lookup.h allow.
constexpr std::size_t kThreadRecordSize = 8192;
constexpr std::size_t kDottedLength = 16;  // "255.255.255.255" and its terminator

// Each thread's records, valid until its next call of the same kind, as the platform's are.
struct ThreadRecords {
    alignas(std::max_align_t) char host[kThreadRecordSize];
    alignas(std::max_align_t) char service[kThreadRecordSize];
    alignas(std::max_align_t) char protocol[kThreadRecordSize];
    char dotted[kDottedLength];
};
thread_local ThreadRecords t_records;

template <typename Record, typename Info, typename Write>
Record *Answer(int error, const Info &info, char *buffer, Write write)
{
    if (error != 0) {
        SetLastWsaError(error);
        return nullptr;
    }
    RecordWriter writer(buffer, kThreadRecordSize);
    Record *record = write(info, writer);
    if (record == nullptr) {
        SetLastWsaError(ws::WSAENOBUFS);
    }
    return record;
}

}  // namespace

ws::hostent *GetHostByName(const char *name)
{
    if (!RequireStarted()) {
        return nullptr;
    }
    HostInfo info;
    int error = LookupHostByName(name, info);
    return Answer<ws::hostent>(error, info, t_records.host, WriteHost);
}

ws::hostent *GetHostByAddr(const char *address, int length, int type)
{
    if (!RequireStarted()) {
        return nullptr;
    }
    HostInfo info;
    int error = LookupHostByAddr(address, length, type, info);
    return Answer<ws::hostent>(error, info, t_records.host, WriteHost);
}

ws::servent *GetServByName(const char *name, const char *protocol)
{
    if (!RequireStarted()) {
        return nullptr;
    }
    ServiceInfo info;
    int error = LookupServiceByName(name, protocol, info);
    return Answer<ws::servent>(error, info, t_records.service, WriteService);
}

ws::servent *GetServByPort(int port, const char *protocol)
{
    if (!RequireStarted()) {
        return nullptr;
    }
    ServiceInfo info;
    int error = LookupServiceByPort(port, protocol, info);
    return Answer<ws::servent>(error, info, t_records.service, WriteService);
}

ws::protoent *GetProtoByName(const char *name)
{
    if (!RequireStarted()) {
        return nullptr;
    }
    ProtocolInfo info;
    int error = LookupProtocolByName(name, info);
    return Answer<ws::protoent>(error, info, t_records.protocol, WriteProtocol);
}

ws::protoent *GetProtoByNumber(int number)
{
    if (!RequireStarted()) {
        return nullptr;
    }
    ProtocolInfo info;
    int error = LookupProtocolByNumber(number, info);
    return Answer<ws::protoent>(error, info, t_records.protocol, WriteProtocol);
}

int GetHostName(char *name, int length)
{
    if (!RequireStarted()) {
        return ws::SOCKET_ERROR;
    }
    if (name == nullptr || length <= 0) {
        return Fail(ws::WSAEFAULT);
    }
    std::string local;
    if (int error = LocalHostName(local); error != 0) {
        return Fail(error);
    }
    if (local.size() + 1 > static_cast<std::size_t>(length)) {
        return Fail(ws::WSAEFAULT);
    }
    std::memcpy(name, local.c_str(), local.size() + 1);
    return 0;
}

std::uint32_t InetAddr(const char *text)
{
    // The C library's reading is the platform's: one to four parts, each decimal, octal (leading 0) or
    // hexadecimal (0x), anything after white space ignored.
    in_addr address{};
    if (text == nullptr || inet_aton(text, &address) == 0) {
        return wsc::kInaddrNone;
    }
    return address.s_addr;
}

char *InetNtoa(ws::in_addr address)
{
    unsigned char bytes[4];
    std::memcpy(bytes, &address.s_addr, sizeof(bytes));
    std::snprintf(t_records.dotted, sizeof(t_records.dotted), "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return t_records.dotted;
}

}  // namespace qsws
