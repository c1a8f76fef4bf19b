// The key-exchange state machine (RFC 4253 sections 7 and 8, RFC 4419): KEXINIT, negotiation,
// Diffie-Hellman over a fixed or server-chosen group, the exchange hash and the host key's signature
// over it, the fingerprint, and the switch to the derived keys at each side's NEWKEYS. One packet per call.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ssh/algorithms/diffie_hellman.h"
#include "ssh/engine/messages.h"
#include "ssh/engine/negotiation.h"
#include "ssh/transport/packet_keys.h"

namespace qs::ssh {

// Group-exchange bounds sent to the server (RFC 4419 section 3).
inline constexpr std::uint32_t kGexMinBits = 1024;
inline constexpr std::uint32_t kGexMaxBits = 8192;

// What the key exchange needs from the transport under it.
class KexTransport {
public:
    // Sends a key-exchange packet now, past the queue of held packets.
    [[nodiscard]] virtual bool SendKexPacket(ByteView payload) = 0;
    // From the client's KEXINIT on, other packets are held.
    virtual void HoldOutgoing() = 0;
    // After the client's NEWKEYS: the keys apply to every later packet, the held ones go out.
    [[nodiscard]] virtual bool SwitchOutgoing(OutgoingKeys keys) = 0;
    // After the server's NEWKEYS: the keys apply from the next packet on; the exchange is over.
    virtual void SwitchIncoming(IncomingKeys keys) = 0;

protected:
    ~KexTransport() = default;
};

class KeyExchange {
public:
    enum class Result { Continue, FirstDone, Failed };
    enum class State { Idle, WaitKexInit, WaitGroup, WaitReply, WaitNewKeys };

    // `offer` is read at each KEXINIT and must outlive the exchange.
    KeyExchange(KexTransport &transport, const AlgorithmOffer &offer, bool omitSecret)
        : transport_(transport), offer_(offer), omitSecret_(omitSecret) {}

    void SetVersions(std::string client, std::string server)
    {
        clientVersion_ = std::move(client);
        serverVersion_ = std::move(server);
    }
    // Starts an exchange from this side (sends KEXINIT). Failed sets the error and DisconnectReason.
    Result Start();
    // A packet of the key-exchange range, or any packet without a handler before the first exchange is done.
    Result Handle(const IncomingPacket &packet);

    bool InProgress() const { return state_ != State::Idle; }
    State CurrentState() const { return state_; }
    bool FirstDone() const { return firstDone_; }
    const NegotiatedSuite &Suite() const { return suite_; }
    const std::string &Fingerprint() const { return fingerprint_; }
    ByteView SessionId() const { return ByteView(sessionId_.data(), sessionIdLength_); }
    std::uint32_t RequestBits() const { return requestBits_; }
    std::uint32_t DisconnectReason() const { return failReason_; }

private:
    Result Fail(std::uint32_t reason);
    bool SendKexInit();
    Result OnServerKexInit(const IncomingPacket &packet);
    Result OnGroup(const IncomingPacket &packet);
    Result OnReply(const IncomingPacket &packet);
    Result OnNewKeys();
    bool SendInit();

    KexTransport &transport_;
    const AlgorithmOffer &offer_;
    const bool omitSecret_;
    std::string clientVersion_, serverVersion_;
    State state_ = State::Idle;
    bool firstDone_ = false;
    bool skipGuessed_ = false;
    std::uint32_t failReason_ = 0;

    std::vector<std::uint8_t> clientKexInit_;
    NegotiatedSuite suite_;
    std::vector<std::uint8_t> hashInput_;  // the exchange hash's input, in order
    std::unique_ptr<DiffieHellman> dh_;
    std::vector<std::uint8_t> e_, p_, g_;
    std::uint32_t groupBits_ = 0;
    std::uint32_t requestBits_ = 0;
    std::uint8_t replyType_ = 0;
    IncomingKeys pendingIncoming_;

    std::string fingerprint_;
    std::array<std::uint8_t, kMaxHashBytes> sessionId_{};
    std::size_t sessionIdLength_ = 0;
};

}  // namespace qs::ssh
