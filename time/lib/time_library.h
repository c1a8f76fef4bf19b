// The time library: asks a time server for the time with RFC 868 over UDP, converts between the
// protocol's time value and calendar fields, and sets the computer's clock.
#pragma once
#include <cstdint>

#include "core/session/session_library.h"
#include "platform/base/clock.h"

namespace qs {

// Seconds since 1900-01-01 00:00:00 UTC; 0 also marks a failed query.
using NetworkTime = std::uint32_t;

inline constexpr NetworkTime kEpochOffset = 2208988800u;   // 1900 to 1970, in seconds
inline constexpr int kTimePortDefault = 37;
inline constexpr int kTimeQueryDefaultWait = 30;          // seconds, when the caller passes 0

// The library's start and teardown (LibraryInitialize, "Quillstream Time Protocol Library"). It carries
// the common session table but never creates a session.
SessionLibrary &TimeLibrary();

// Sends one query datagram to `host` (dotted or a name) on `port` (0: the service "time"/"udp", else 37)
// and waits up to `timeout` seconds (0: 30) for a four-byte answer, dispatching the thread's messages
// meanwhile. The time, or 0 with the thread's error code set (11001, 10060, the socket library's error).
NetworkTime GetNetworkTime(const char *host, int port, int timeout);
// The time as UTC (or local, with the zone's daylight-saving rules) calendar fields, milliseconds 0.
// 1, or 0 when it does not convert: the value read as a signed 32-bit count from 1970 must not be
// negative, which covers 1970-01-01 to 2038-01-19 03:14:07 (values 0 to 61,505,151 read past the
// protocol's roll-over in 2036).
int NetworkTimeToCalendar(NetworkTime time, SYSTEMTIME *fields, bool local);
// Calendar fields read as local standard time; 0 when they fall outside 1970 to 2038.
NetworkTime CalendarToNetworkTime(const SYSTEMTIME *fields);
// Sets the system clock to `time`: 1, or 0 (time 0, no privilege, the clock refused).
int SetSystemClock(NetworkTime time);
// Enables (attributes 2) or disables (0) a privilege of the process: 1 or 0.
int EnablePrivilege(const char *name, DWORD attributes);

}  // namespace qs
