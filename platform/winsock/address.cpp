#include "platform/winsock/address.h"

#include <cstring>

namespace qsws {

int ToPosixAddress(const ws::sockaddr *address, int length, sockaddr_in &out)
{
    if (address == nullptr || length < kAddressLength) {
        return ws::WSAEFAULT;
    }
    ws::sockaddr_in in{};
    std::memcpy(&in, address, sizeof(in));
    if (in.sin_family != wsc::kAfInet) {
        return ws::WSAEAFNOSUPPORT;
    }
    out = sockaddr_in{};
    out.sin_family = AF_INET;
    out.sin_port = in.sin_port;
    out.sin_addr.s_addr = in.sin_addr.s_addr;
    return 0;
}

int CheckAddressBuffer(const ws::sockaddr *address, const int *length)
{
    if (address != nullptr && (length == nullptr || *length < kAddressLength)) {
        return ws::WSAEFAULT;
    }
    return 0;
}

int FromPosixAddress(const sockaddr_in &in, ws::sockaddr *address, int *length)
{
    if (int error = CheckAddressBuffer(address, length); error != 0 || address == nullptr) {
        return error;
    }
    ws::sockaddr_in out{};
    out.sin_family = wsc::kAfInet;
    out.sin_port = in.sin_port;
    out.sin_addr.s_addr = in.sin_addr.s_addr;
    std::memcpy(address, &out, sizeof(out));
    *length = kAddressLength;
    return 0;
}

}  // namespace qsws
