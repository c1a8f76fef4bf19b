// SSH-2 message numbers (RFC 4250 section 4.1) and disconnect reasons used by the engine.
#pragma once
#include <cstdint>
#include <vector>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

inline constexpr std::uint8_t kMsgDisconnect = 1;
inline constexpr std::uint8_t kMsgIgnore = 2;
inline constexpr std::uint8_t kMsgUnimplemented = 3;
inline constexpr std::uint8_t kMsgDebug = 4;
inline constexpr std::uint8_t kMsgServiceRequest = 5;
inline constexpr std::uint8_t kMsgServiceAccept = 6;
inline constexpr std::uint8_t kMsgNewKeys = 21;
inline constexpr std::uint8_t kMsgKexDhInit = 30;
inline constexpr std::uint8_t kMsgKexDhReply = 31;
inline constexpr std::uint8_t kMsgKexDhGexGroup = 31;
inline constexpr std::uint8_t kMsgKexDhGexInit = 32;
inline constexpr std::uint8_t kMsgKexDhGexReply = 33;
inline constexpr std::uint8_t kMsgKexDhGexRequest = 34;
inline constexpr std::uint8_t kMsgUserauthRequest = 50;
inline constexpr std::uint8_t kMsgUserauthFailure = 51;
inline constexpr std::uint8_t kMsgUserauthSuccess = 52;
inline constexpr std::uint8_t kMsgUserauthBanner = 53;
inline constexpr std::uint8_t kMsgUserauthPasswdChangeReq = 60;
inline constexpr std::uint8_t kMsgGlobalRequest = 80;
inline constexpr std::uint8_t kMsgRequestSuccess = 81;
inline constexpr std::uint8_t kMsgRequestFailure = 82;
inline constexpr std::uint8_t kMsgChannelOpen = 90;
inline constexpr std::uint8_t kMsgChannelOpenConfirmation = 91;
inline constexpr std::uint8_t kMsgChannelOpenFailure = 92;
inline constexpr std::uint8_t kMsgChannelWindowAdjust = 93;
inline constexpr std::uint8_t kMsgChannelData = 94;
inline constexpr std::uint8_t kMsgChannelExtendedData = 95;
inline constexpr std::uint8_t kMsgChannelEof = 96;
inline constexpr std::uint8_t kMsgChannelClose = 97;
inline constexpr std::uint8_t kMsgChannelRequest = 98;
inline constexpr std::uint8_t kMsgChannelSuccess = 99;
inline constexpr std::uint8_t kMsgChannelFailure = 100;
// The key-exchange range: such packets always go to the key exchange.
inline constexpr std::uint8_t kFirstKexMessage = 20;
inline constexpr std::uint8_t kLastKexMessage = 49;

inline constexpr std::uint32_t kDisconnectProtocolError = 2;
inline constexpr std::uint32_t kDisconnectKeyExchangeFailed = 3;
inline constexpr std::uint32_t kDisconnectMacError = 5;
inline constexpr std::uint32_t kDisconnectServiceNotAvailable = 7;
inline constexpr std::uint32_t kDisconnectHostKeyNotVerifiable = 9;
inline constexpr std::uint32_t kDisconnectByApplication = 11;
inline constexpr std::uint32_t kDisconnectAuthCancelledByUser = 13;
inline constexpr std::uint32_t kDisconnectNoMoreAuthMethods = 14;

// One received packet: its payload from the type byte on (valid during the call that hands it over).
struct IncomingPacket {
    std::uint8_t type = 0;
    ByteView payload;
    std::uint32_t sequence = 0;
    // The fields after the type byte.
    WireReader Fields() const { return WireReader(payload.subspan(1)); }
};

}  // namespace qs::ssh
