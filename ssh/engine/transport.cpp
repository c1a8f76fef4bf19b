#include "ssh/engine/transport.h"

#include <string_view>

#include "core/error/last_error.h"
#include "ssh/algorithms/random.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

// A DISCONNECT or IGNORE the transport writes itself.
constexpr std::size_t kMaxOwnMessage = 1024;

template <typename T, typename Table, typename Find>
bool Pick(const std::vector<std::string> &names, Table table, Find find, std::vector<const T *> &out)
{
    out.clear();
    if (names.empty()) {
        for (const T &item : table)
            out.push_back(&item);
        return true;
    }
    for (const std::string &name : names) {
        const T *item = find(name);
        if (!item)
            return false;
        out.push_back(item);
    }
    return true;
}

}  // namespace

bool BuildOffer(const TransportConfig &config, AlgorithmOffer &offer)
{
    const MacList macList = (config.bugs & kBugHmacShortKey) ? MacList::ShortKey : MacList::Normal;
    std::vector<const SshCipher *> ciphers;
    bool ok = Pick(config.kex, KexTable(), FindKex, offer.kex) &&
              Pick(config.hostKeys, HostKeyTable(), FindHostKey, offer.hostKeys) &&
              Pick(config.ciphers, CipherTable(), FindCipher, ciphers) &&
              Pick(config.macs, MacTable(macList), [macList](std::string_view n) { return FindMac(macList, n); },
                   offer.macs);
    offer.ciphers.clear();
    for (const SshCipher *c : ciphers) {
        if (config.ciphers.empty() && c->list == CipherList::SingleDes && !config.singleDes)
            continue;
        offer.ciphers.push_back(c);
    }
    offer.compressionFirst = config.compression;
    if (!ok || offer.kex.empty() || offer.hostKeys.empty() || offer.ciphers.empty() || offer.macs.empty()) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    return true;
}

SshTransport::SshTransport(const TransportConfig &config, TransportEvents &events)
    : config_(config), events_(events), kex_(*this, offer_, (config.bugs & kBugDeriveKeyNoSecret) != 0)
{
    // Unknown messages are answered with UNIMPLEMENTED; the ranges of the transport's own state machines,
    // the service and authentication layers and the connection layer go to them.
    dispatch_.fill(&SshTransport::Unimplemented);
    const auto open = [this](int first, int last) {
        for (int type = first; type <= last; ++type)
            dispatch_[type] = nullptr;
    };
    open(3, 3);
    open(5, 6);
    open(20, 21);
    open(30, 33);
    open(50, 53);
    open(60, 61);
    open(80, 82);
    open(90, 100);
    dispatch_[kMsgDisconnect] = &SshTransport::OnDisconnect;
    dispatch_[kMsgIgnore] = &SshTransport::Ignore;
    dispatch_[kMsgDebug] = &SshTransport::Ignore;
    if (!BuildOffer(config_, offer_)) {
        failed_ = true;
        error_ = MakeErrorCode(qsErrorInvalidParameter);
    }
}

void SshTransport::Fail(ErrorCode error, std::uint32_t reason)
{
    if (failed_ || closed_)
        return;
    if (error == 0)
        error = qsErrorInvalidServerResponse;
    if (versionDone_ && reason != 0) {
        // Tell the server why; what cannot be sent any more is not waited for.
        char text[256] = "";
        GetErrorText(error, text, sizeof text);
        std::vector<std::uint8_t> message;
        WireWriter w(message, kMaxOwnMessage);
        w.U8(kMsgDisconnect);
        w.U32(reason);
        w.String(std::string_view(text));
        w.String(std::string_view("en"));
        if (w.Ok() && Defer(message))
            Flush();
    }
    failed_ = true;
    error_ = MakeErrorCode(error);
    SetErrorCode(error_);
    events_.Failed(error_);
}

bool SshTransport::Receive(ByteView bytes)
{
    if (Closed())
        return false;
    std::size_t pos = 0;
    if (!versionDone_ && !OnIdentification(bytes, pos))
        return !failed_;
    while (pos < bytes.size() && !Closed()) {
        std::size_t consumed = 0;
        const PacketReader::Status status = reader_.Feed(bytes.subspan(pos), consumed, payload_);
        pos += consumed;
        if (status == PacketReader::Status::Failed) {
            const ErrorCode error = GetErrorCode();
            const bool macFailed = ErrorNumber(error) == qsErrorSecurityDecryption;
            Fail(error, macFailed ? kDisconnectMacError : kDisconnectProtocolError);
            break;
        }
        if (status == PacketReader::Status::NeedMore)
            break;
        const IncomingPacket packet{payload_[0], payload_, reader_.LastSequence()};
        bytesIn_ += reader_.LastWireLength();
        CheckDataLimit();
        OnPacket(packet);
    }
    Flush();
    return !Closed();
}

bool SshTransport::OnIdentification(ByteView in, std::size_t &consumed)
{
    const IdentificationReader::Status status = identification_.Feed(in, consumed);
    if (status == IdentificationReader::Status::NeedMore)
        return false;
    if (status == IdentificationReader::Status::Failed) {
        Fail(qsErrorInvalidProtocolVersion, 0);
        return false;
    }
    serverVersion_ = identification_.Line();
    if (ChooseProtocol(identification_.ProtocolVersion(), config_.protocolPreference) != ProtocolChoice::Ssh2) {
        // No version in common (or SSH-1, which this engine does not speak): end with an error now
        // instead of waiting for a time-out.
        Fail(qsErrorInvalidProtocolVersion, 0);
        return false;
    }
    versionDone_ = true;
    const std::string line = ClientIdentification();
    kex_.SetVersions(line, serverVersion_);
    const std::string withEnd = line + "\r\n";
    events_.Write(ByteView(reinterpret_cast<const std::uint8_t *>(withEnd.data()), withEnd.size()));
    ToKex(kex_.Start());
    Flush();
    return !Closed();
}

void SshTransport::OnPacket(const IncomingPacket &packet)
{
    std::uint32_t refused = 0;
    if (packet.type == kMsgUnimplemented && kex_.InProgress() && packet.Fields().U32(refused) &&
        refused == kexInitSequence_) {
        // The server will not re-key: nothing held would ever go out.
        Fail(qsErrorOperationNotSupported, kDisconnectKeyExchangeFailed);
        return;
    }
    if (const Handler handler = dispatch_[packet.type]) {
        (this->*handler)(packet);
        return;
    }
    if (!kex_.FirstDone() || (packet.type >= kFirstKexMessage && packet.type <= kLastKexMessage)) {
        ToKex(kex_.Handle(packet));
        return;
    }
    events_.Message(packet);
}

void SshTransport::ToKex(KeyExchange::Result result)
{
    if (result == KeyExchange::Result::Failed) {
        Fail(GetErrorCode(), kex_.DisconnectReason());
        return;
    }
    if (result == KeyExchange::Result::FirstDone)
        events_.KeysReady();
}

bool SshTransport::Queue(ByteView payload, bool hidden)
{
    if (Closed())
        return false;
    if (payload.empty()) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    if (hold_) {
        if (heldBytes_ + payload.size() > kMaxHeldBytes) {
            Fail(qsErrorOutOfBuffers, kDisconnectByApplication);
            return false;
        }
        held_.push_back({std::vector<std::uint8_t>(payload.begin(), payload.end()), hidden});
        heldBytes_ += payload.size();
        return true;
    }
    if (!(hidden ? DeferHidden(payload) : Defer(payload))) {
        Fail(GetErrorCode(), kDisconnectProtocolError);
        return false;
    }
    Flush();
    return !Closed();
}

bool SshTransport::Rekey()
{
    if (Closed() || !versionDone_ || kex_.InProgress())
        return false;
    if (config_.bugs & kBugNoRekey) {
        bytesIn_ = 0;
        bytesOut_ = 0;
        return true;
    }
    ToKex(kex_.Start());
    Flush();
    return !Closed();
}

void SshTransport::Disconnect(std::uint32_t reason, std::string_view message)
{
    if (Closed())
        return;
    if (versionDone_ && !message.empty()) {
        std::vector<std::uint8_t> packet;
        WireWriter w(packet, kMaxOwnMessage);
        w.U8(kMsgDisconnect);
        w.U32(reason);
        w.String(message);
        w.String(std::string_view("en"));
        if (w.Ok() && Defer(packet))
            Flush();
    }
    closed_ = true;
}

bool SshTransport::Defer(ByteView payload)
{
    if (outgoingCbc_ && !batchStarted_) {
        // An empty IGNORE ahead of each batch makes the first real block's IV unpredictable (CBC).
        static constexpr std::uint8_t kEmptyIgnore[] = {kMsgIgnore, 0, 0, 0, 0};
        if (!writer_.Seal(kEmptyIgnore, deferred_))
            return false;
    }
    batchStarted_ = true;
    const std::size_t before = deferred_.size();
    if (!writer_.Seal(payload, deferred_))
        return false;
    pendingOut_ += deferred_.size() - before;
    return true;
}

bool SshTransport::DeferHidden(ByteView payload)
{
    if (!Defer(payload))
        return false;
    if (!writer_.Encrypting())
        return true;
    // The output is filled up to the next 256-byte step; taking the deferred length modulo 256 keeps the
    // fill positive after a long batch or a long password.
    const std::size_t block = writer_.BlockSize();
    const std::size_t step = (block - deferred_.size() % 256 + 255) / block * block;
    const std::size_t framing = static_cast<std::size_t>(writer_.DisableCompression());
    const std::size_t fill = step > framing ? step - framing : 0;
    std::vector<std::uint8_t> random(fill);
    if (!RandomFill(random))
        return false;
    std::vector<std::uint8_t> ignore;
    WireWriter w(ignore, fill + 8);
    w.U8(kMsgIgnore);
    w.String(ByteView(random));
    return w.Ok() && Defer(ignore);
}

void SshTransport::Flush()
{
    batchStarted_ = false;
    if (deferred_.empty())
        return;
    events_.Write(deferred_);
    deferred_.clear();
    bytesOut_ += pendingOut_;
    pendingOut_ = 0;
    CheckDataLimit();
}

void SshTransport::CheckDataLimit()
{
    if (Closed() || !kex_.FirstDone() || kex_.InProgress() || config_.dataLimit == 0)
        return;
    if (bytesIn_ > config_.dataLimit || bytesOut_ > config_.dataLimit)
        Rekey();
}

bool SshTransport::SendKexPacket(ByteView payload)
{
    if (payload[0] == kMsgKexInit)
        kexInitSequence_ = writer_.Sequence() + ((outgoingCbc_ && !batchStarted_) ? 1 : 0);
    return Defer(payload);
}

void SshTransport::HoldOutgoing()
{
    hold_ = true;
}

bool SshTransport::SwitchOutgoing(OutgoingKeys keys)
{
    outgoingCbc_ = keys.cipher && (keys.cipher->Descriptor().flags & kCipherFlagCbc) != 0;
    writer_.Install(std::move(keys));
    bytesOut_ = 0;
    pendingOut_ = 0;
    batchStarted_ = false;
    hold_ = false;
    // The held packets go out in order, under the new keys.
    std::vector<HeldPacket> held = std::move(held_);
    held_.clear();
    heldBytes_ = 0;
    for (const HeldPacket &packet : held) {
        if (!(packet.hidden ? DeferHidden(packet.payload) : Defer(packet.payload)))
            return false;
    }
    return true;
}

void SshTransport::SwitchIncoming(IncomingKeys keys)
{
    reader_.Install(std::move(keys));
    bytesIn_ = 0;
    ++exchanges_;
}

void SshTransport::Unimplemented(const IncomingPacket &packet)
{
    std::vector<std::uint8_t> reply;
    WireWriter w(reply, kMaxOwnMessage);
    w.U8(kMsgUnimplemented);
    w.U32(packet.sequence);
    if (!Defer(reply))
        Fail(GetErrorCode(), kDisconnectProtocolError);
}

void SshTransport::OnDisconnect(const IncomingPacket &packet)
{
    // Recorded for the report; the connection ends when the server closes it.
    WireReader r = packet.Fields();
    std::string_view text;
    if (r.U32(serverReason_) && r.Text(text))
        serverText_.assign(text.substr(0, kMaxOwnMessage));
}

void SshTransport::Ignore(const IncomingPacket &)
{
}

}  // namespace qs::ssh
