// The platform's IPv4 socket address (ws::sockaddr_in, family 2) to and from the POSIX one, with the
// caller's lengths checked before anything is read or written.
#pragma once
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <netinet/in.h>

namespace qsws {

inline constexpr int kAddressLength = static_cast<int>(sizeof(ws::sockaddr_in));

// 0, or the error number: 10014 for a null or short address, 10047 for another family.
int ToPosixAddress(const ws::sockaddr *address, int length, sockaddr_in &out);
// A null `address` asks for nothing. Otherwise `length` must hold at least kAddressLength (else 10014);
// it receives kAddressLength.
int FromPosixAddress(const sockaddr_in &in, ws::sockaddr *address, int *length);
// The check FromPosixAddress makes, for calls that must refuse before they act (accept).
int CheckAddressBuffer(const ws::sockaddr *address, const int *length);

}  // namespace qsws
