// Helpers for the socket library's fd sets (a count and up to 64 sockets).
#pragma once
#include <cstdint>

#include "platform/winsock/ws2.h"

namespace qs {

// The capacity of a set (ws::FD_SETSIZE, whose name a C library header may have taken as a macro).
inline constexpr std::uint32_t kFdSetCapacity = sizeof(ws::fd_set::fd_array) / sizeof(ws::SOCKET);

// The platform's FD_ISSET contract: scans the array from its last entry to its first. A count above the
// capacity is read as the capacity.
bool FdIsSet(ws::SOCKET s, const ws::fd_set *set);
void FdZero(ws::fd_set *set);
// Adds `s` once; a full set is left unchanged and false returned.
bool FdAdd(ws::SOCKET s, ws::fd_set *set);

}  // namespace qs
