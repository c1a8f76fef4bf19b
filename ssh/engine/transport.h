// One SSH-2 connection without I/O: bytes from the socket go in through Receive, bytes for the socket come
// out through TransportEvents::Write. It reads the server's identification line, answers with its own and
// its KEXINIT, runs the key exchanges, frames and protects packets, dispatches incoming messages through a
// 256-entry table, holds connection-layer packets while keys change and starts re-keying on the data limit.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error/error_codes.h"
#include "ssh/engine/identification.h"
#include "ssh/engine/key_exchange.h"
#include "ssh/engine/service_link.h"
#include "ssh/transport/packet_reader.h"
#include "ssh/transport/packet_writer.h"

namespace qs::ssh {

// Workarounds for server defects that the engine itself applies.
inline constexpr std::uint32_t kBugHmacShortKey = 0x02;
inline constexpr std::uint32_t kBugDeriveKeyNoSecret = 0x20;
inline constexpr std::uint32_t kBugNoRekey = 0x40;

inline constexpr std::uint64_t kDefaultDataLimit = 1073741824;
// Connection-layer bytes held while keys change; a writer that passes it fails the connection.
inline constexpr std::size_t kMaxHeldBytes = 1u << 20;

struct TransportConfig {
    int protocolPreference = 2;  // 0 SSH-1 only, 2 SSH-2 preferred, 3 SSH-2 only
    // Wire names in preference order; empty takes every known one in the usual order.
    std::vector<std::string> kex, hostKeys, ciphers, macs;
    bool singleDes = false;    // offer single DES when no cipher list is given
    bool compression = false;  // offer "zlib" first
    std::uint64_t dataLimit = kDefaultDataLimit;  // 0: never re-key on the amount of data
    std::uint32_t bugs = 0;
};

// Builds the offer; false (qsErrorInvalidParameter) for a name that is not known or an empty category.
bool BuildOffer(const TransportConfig &config, AlgorithmOffer &offer);

class TransportEvents {
public:
    // Bytes for the socket, in order.
    virtual void Write(ByteView bytes) = 0;
    // The first key exchange has completed: services may be requested now.
    virtual void KeysReady() = 0;
    // A message for the layers above the transport (service, authentication, connection).
    virtual void Message(const IncomingPacket &packet) = 0;
    // The connection failed; the error is also stored in the thread's slot. Called once.
    virtual void Failed(ErrorCode error) = 0;

protected:
    ~TransportEvents() = default;
};

class SshTransport final : public ServiceLink, private KexTransport {
public:
    using Handler = void (SshTransport::*)(const IncomingPacket &packet);

    // False from Receive, Send and the rest once the configuration is refused (the error is stored).
    SshTransport(const TransportConfig &config, TransportEvents &events);

    // Every chunk the socket receives. False once the connection has failed or was disconnected.
    bool Receive(ByteView bytes);
    bool Send(ByteView payload) override { return Queue(payload, false); }
    bool SendHidden(ByteView payload) override { return Queue(payload, true); }
    // Starts a key exchange from this side unless one runs (or, with the no-rekey workaround, resets the
    // counters instead).
    bool Rekey() override;
    // Language tag "en".
    void Disconnect(std::uint32_t reason, std::string_view message) override;
    // Installs a handler for one message number (null: the message goes to the state machines).
    void SetHandler(std::uint8_t type, Handler handler) { dispatch_[type] = handler; }

    bool Failed() const { return failed_; }
    bool Closed() const { return closed_ || failed_; }
    ErrorCode Error() const { return error_; }
    bool KexInProgress() const { return kex_.InProgress(); }
    const KeyExchange &Kex() const { return kex_; }
    const std::string &ServerVersion() const { return serverVersion_; }
    std::size_t HeldPackets() const { return held_.size(); }
    std::uint64_t BytesIn() const { return bytesIn_; }
    std::uint64_t BytesOut() const { return bytesOut_; }
    int KeyExchanges() const { return exchanges_; }
    // The reason and text of a DISCONNECT from the server, when one came.
    std::uint32_t ServerDisconnectReason() const { return serverReason_; }
    const std::string &ServerDisconnectText() const { return serverText_; }

private:
    bool SendKexPacket(ByteView payload) override;
    void HoldOutgoing() override;
    bool SwitchOutgoing(OutgoingKeys keys) override;
    void SwitchIncoming(IncomingKeys keys) override;

    bool OnIdentification(ByteView in, std::size_t &consumed);
    void OnPacket(const IncomingPacket &packet);
    void ToKex(KeyExchange::Result result);
    struct HeldPacket {
        std::vector<std::uint8_t> payload;
        bool hidden;
    };
    bool Queue(ByteView payload, bool hidden);
    // Seals into the deferred output; with a CBC cipher each batch starts with an empty IGNORE.
    bool Defer(ByteView payload);
    // Defers, then pads the deferred output with an IGNORE of random bytes up to the next 256-byte step.
    bool DeferHidden(ByteView payload);
    void Flush();
    void CheckDataLimit();
    void Fail(ErrorCode error, std::uint32_t reason);

    void Unimplemented(const IncomingPacket &packet);
    void OnDisconnect(const IncomingPacket &packet);
    void Ignore(const IncomingPacket &packet);

    TransportConfig config_;
    TransportEvents &events_;
    std::array<Handler, 256> dispatch_{};
    AlgorithmOffer offer_;
    KeyExchange kex_;
    IdentificationReader identification_;
    bool versionDone_ = false;
    std::string serverVersion_;
    PacketReader reader_;
    PacketWriter writer_;
    std::vector<std::uint8_t> payload_;
    std::vector<std::uint8_t> deferred_;
    bool outgoingCbc_ = false;
    bool batchStarted_ = false;
    bool hold_ = false;
    std::vector<HeldPacket> held_;
    std::size_t heldBytes_ = 0;
    std::uint64_t bytesIn_ = 0, bytesOut_ = 0, pendingOut_ = 0;
    int exchanges_ = 0;
    std::uint32_t kexInitSequence_ = 0;  // of our last KEXINIT, to recognise a refusal
    bool failed_ = false;
    bool closed_ = false;
    ErrorCode error_ = 0;
    std::uint32_t serverReason_ = 0;
    std::string serverText_;
};

}  // namespace qs::ssh
