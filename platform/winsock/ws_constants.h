// The platform constants whose names the POSIX headers define as macros (AF_INET, SOL_SOCKET, SO_ERROR,
// FIONREAD, FD_SETSIZE ...): after those headers, `ws::SO_ERROR` no longer compiles. Files that use both
// include this header before any POSIX header and use these names.
#pragma once
#include "platform/winsock/ws2.h"

namespace qsws::wsc {

inline constexpr int kAfInet = ws::AF_INET;
inline constexpr std::uint32_t kInaddrNone = ws::INADDR_NONE;
inline constexpr int kFdSetSize = ws::FD_SETSIZE;
inline constexpr int kSolSocket = ws::SOL_SOCKET;
inline constexpr int kSoDebug = ws::SO_DEBUG;
inline constexpr int kSoAcceptConn = ws::SO_ACCEPTCONN;
inline constexpr int kSoReuseAddr = ws::SO_REUSEADDR;
inline constexpr int kSoKeepAlive = ws::SO_KEEPALIVE;
inline constexpr int kSoDontRoute = ws::SO_DONTROUTE;
inline constexpr int kSoBroadcast = ws::SO_BROADCAST;
inline constexpr int kSoLinger = ws::SO_LINGER;
inline constexpr int kSoOobInline = ws::SO_OOBINLINE;
inline constexpr int kSoSndBuf = ws::SO_SNDBUF;
inline constexpr int kSoRcvBuf = ws::SO_RCVBUF;
inline constexpr int kSoSndTimeo = ws::SO_SNDTIMEO;
inline constexpr int kSoRcvTimeo = ws::SO_RCVTIMEO;
inline constexpr int kSoError = ws::SO_ERROR;
inline constexpr int kSoType = ws::SO_TYPE;
inline constexpr int kTcpNoDelay = ws::TCP_NODELAY;
inline constexpr std::int32_t kFionbio = ws::FIONBIO;
inline constexpr std::int32_t kFionread = ws::FIONREAD;

}  // namespace qsws::wsc
