// One query sent to the session's name servers, over UDP with retries, over TCP when too long or
// truncated.
#pragma once
#include <cstdint>
#include <span>

#include "core/session/session.h"

namespace qs {

// Sends `query` (built with its first ID) and receives the reply, at most kDnsMessageSize octets, into
// `reply`. A reply is taken only from a server this exchange asked, with an ID one of its attempts
// carried and the question it asked; anything else is waited past. A TCP reply longer than the buffer
// is cut, with TC set in what is kept. The reply length, or -1: 10004, 10036 (an exchange already runs
// on the session), 10060, 11003, 12203, 12204, or the wait's error.
int DnsSendQuery(ClientHandle handle, std::span<std::uint8_t> query, std::span<std::uint8_t> reply);

}  // namespace qs
