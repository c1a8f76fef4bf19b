#include "ssh/engine/key_exchange.h"

#include <algorithm>

#include "core/error/last_error.h"
#include "ssh/algorithms/hash.h"
#include "ssh/engine/key_derivation.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

// The exchange hash's input: two identification lines, two KEXINITs, the host key and a few integers.
constexpr std::size_t kMaxHashInput = 4 * kMaxKexInitBytes;
// Key-exchange packets the client sends: a type byte and an mpint, or three integers.
constexpr std::size_t kMaxKexPacket = 16 + kMaxMpintBytes;

}  // namespace

KeyExchange::Result KeyExchange::Fail(std::uint32_t reason)
{
    failReason_ = reason;
    state_ = State::Idle;
    dh_.reset();
    pendingIncoming_ = {};
    return Result::Failed;
}

bool KeyExchange::SendKexInit()
{
    if (!BuildKexInit(offer_, clientKexInit_))
        return false;
    transport_.HoldOutgoing();
    return transport_.SendKexPacket(clientKexInit_);
}

KeyExchange::Result KeyExchange::Start()
{
    if (state_ != State::Idle) {
        SetErrorCode(qsErrorAlreadyInProgress);
        return Result::Continue;
    }
    if (!SendKexInit())
        return Fail(kDisconnectKeyExchangeFailed);
    state_ = State::WaitKexInit;
    return Result::Continue;
}

KeyExchange::Result KeyExchange::Handle(const IncomingPacket &packet)
{
    if (skipGuessed_ && packet.type >= kMsgKexDhInit && packet.type <= kLastKexMessage) {
        skipGuessed_ = false;
        return Result::Continue;
    }
    switch (state_) {
    case State::Idle:
        if (packet.type != kMsgKexInit)
            break;
        if (!SendKexInit())
            return Fail(kDisconnectKeyExchangeFailed);
        return OnServerKexInit(packet);
    case State::WaitKexInit:
        if (packet.type == kMsgKexInit)
            return OnServerKexInit(packet);
        break;
    case State::WaitGroup:
        if (packet.type == kMsgKexDhGexGroup)
            return OnGroup(packet);
        break;
    case State::WaitReply:
        if (packet.type == replyType_)
            return OnReply(packet);
        break;
    case State::WaitNewKeys:
        if (packet.type == kMsgNewKeys)
            return OnNewKeys();
        break;
    }
    SetErrorCode(qsErrorUnexpectedServerResponse);
    return Fail(kDisconnectProtocolError);
}

KeyExchange::Result KeyExchange::OnServerKexInit(const IncomingPacket &packet)
{
    if (!Negotiate(offer_, packet.payload, suite_))
        return Fail(kDisconnectKeyExchangeFailed);
    skipGuessed_ = suite_.skipGuessedPacket;
    hashInput_.clear();
    WireWriter h(hashInput_, kMaxHashInput);
    h.String(std::string_view(clientVersion_));
    h.String(std::string_view(serverVersion_));
    h.String(ByteView(clientKexInit_));
    h.String(packet.payload);
    if (!h.Ok()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return Fail(kDisconnectKeyExchangeFailed);
    }
    groupBits_ = std::min(std::max(suite_.cipherOut->keyBits, suite_.cipherIn->keyBits),
                          8 * suite_.kex->hash->hashLen);
    if (!suite_.kex->groupExchange) {
        dh_ = DiffieHellman::Create(suite_.kex->group);
        replyType_ = kMsgKexDhReply;
        if (!dh_ || !SendInit())
            return Fail(kDisconnectKeyExchangeFailed);
        state_ = State::WaitReply;
        return Result::Continue;
    }
    requestBits_ = 512u << ((groupBits_ - 1) / 64);
    std::vector<std::uint8_t> request;
    WireWriter w(request, kMaxKexPacket);
    w.U8(kMsgKexDhGexRequest);
    w.U32(kGexMinBits);
    w.U32(requestBits_);
    w.U32(kGexMaxBits);
    if (!transport_.SendKexPacket(request))
        return Fail(kDisconnectKeyExchangeFailed);
    state_ = State::WaitGroup;
    return Result::Continue;
}

bool KeyExchange::SendInit()
{
    if (!dh_->GenerateKey(static_cast<int>(groupBits_), e_))
        return false;
    std::vector<std::uint8_t> init;
    WireWriter w(init, kMaxKexPacket);
    w.U8(suite_.kex->groupExchange ? kMsgKexDhGexInit : kMsgKexDhInit);
    w.Mpint(e_);
    return w.Ok() && transport_.SendKexPacket(init);
}

KeyExchange::Result KeyExchange::OnGroup(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    ByteView p, g;
    if (!r.Mpint(p) || !r.Mpint(g) || !r.Finish()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return Fail(kDisconnectProtocolError);
    }
    // The helper refuses groups of the wrong size or with a generator outside 1 < g < p - 1.
    dh_ = DiffieHellman::Create(p, g);
    if (!dh_)
        return Fail(kDisconnectKeyExchangeFailed);
    p_.assign(p.begin(), p.end());
    g_.assign(g.begin(), g.end());
    replyType_ = kMsgKexDhGexReply;
    if (!SendInit())
        return Fail(kDisconnectKeyExchangeFailed);
    state_ = State::WaitReply;
    return Result::Continue;
}

KeyExchange::Result KeyExchange::OnReply(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    ByteView hostKeyBlob, f, signature;
    if (!r.String(hostKeyBlob) || !r.Mpint(f) || !r.String(signature) || !r.Finish()) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return Fail(kDisconnectProtocolError);
    }
    SecureBytes k;
    // Refuses f outside 1 < f < p - 1.
    if (!dh_->ComputeSecret(f, k))
        return Fail(kDisconnectKeyExchangeFailed);
    dh_.reset();

    WireWriter h(hashInput_, kMaxHashInput);
    h.String(hostKeyBlob);
    if (suite_.kex->groupExchange) {
        h.U32(kGexMinBits);
        h.U32(requestBits_);
        h.U32(kGexMaxBits);
        h.Mpint(p_);
        h.Mpint(g_);
    }
    h.Mpint(e_);
    h.Mpint(f);
    h.Mpint(k.View());
    auto hash = HashContext::Create(*suite_.kex->hash);
    std::array<std::uint8_t, kMaxHashBytes> exchangeHash{};
    const std::size_t hashLen = suite_.kex->hash->hashLen;
    bool ok = h.Ok() && hash && hash->Update(hashInput_) && hash->Finish(exchangeHash);
    OPENSSL_cleanse(hashInput_.data(), hashInput_.size());
    hashInput_.clear();
    if (!ok)
        return Fail(kDisconnectKeyExchangeFailed);
    const ByteView H(exchangeHash.data(), hashLen);

    const std::unique_ptr<HostKey> hostKey = suite_.hostKey->create(hostKeyBlob);
    if (!hostKey || !hostKey->Verify(signature, H))
        return Fail(kDisconnectHostKeyNotVerifiable);
    fingerprint_ = hostKey->Fingerprint();
    if (sessionIdLength_ == 0) {
        std::copy(H.begin(), H.end(), sessionId_.begin());
        sessionIdLength_ = hashLen;
    }

    const DerivationInput input{suite_.kex->hash, k.View(), H, SessionId(), omitSecret_};
    OutgoingKeys outgoing;
    if (!MakeOutgoingKeys(input, suite_, outgoing) || !MakeIncomingKeys(input, suite_, pendingIncoming_))
        return Fail(kDisconnectKeyExchangeFailed);
    const std::uint8_t newKeys = kMsgNewKeys;
    if (!transport_.SendKexPacket(ByteView(&newKeys, 1)) || !transport_.SwitchOutgoing(std::move(outgoing)))
        return Fail(kDisconnectKeyExchangeFailed);
    e_.clear();
    p_.clear();
    g_.clear();
    state_ = State::WaitNewKeys;
    return Result::Continue;
}

KeyExchange::Result KeyExchange::OnNewKeys()
{
    transport_.SwitchIncoming(std::move(pendingIncoming_));
    pendingIncoming_ = {};
    state_ = State::Idle;
    if (firstDone_)
        return Result::Continue;
    firstDone_ = true;
    return Result::FirstDone;
}

}  // namespace qs::ssh
