// A send that must take the whole block, for protocol requests that are useless when cut short.
#pragma once
#include "platform/winsock/ws2.h"

namespace qs {

// One send of `size` bytes: 0 when all of them went, else -1 with the socket library's error (10035
// when a short send left none, as a full non-blocking socket does).
int SendWhole(ws::SOCKET socket, const char *data, int size);

}  // namespace qs
