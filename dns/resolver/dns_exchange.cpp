// The exchange with the name servers: every slot in order, for as many passes as the retry count.
#include "dns/resolver/dns_exchange.h"

#include <algorithm>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/fd_set.h"
#include "core/net/socket_api.h"
#include "dns/lib/dns_header.h"
#include "dns/lib/dns_message.h"
#include "dns/resolver/dns_session.h"
#include "platform/base/thread.h"

namespace qs {
namespace {

// Every UDP attempt of one exchange, for matching replies to what was sent.
constexpr std::size_t kMaxAttempts = static_cast<std::size_t>(kDnsMaxRetries) * kDnsNameServerSlots;
constexpr std::size_t kLengthPrefix = 2;
// The rest of an over-long TCP reply is read and dropped in pieces of this size.
constexpr std::size_t kDiscardPiece = 512;
// Waits run in slices, so a cancel from another thread is seen within one.
constexpr DWORD kSliceMs = 1000;
constexpr DWORD kNoLimit = 0;

struct Attempt {
    std::uint16_t id;
    std::uint32_t address;
    std::uint16_t port;
};

// kIgnored: a datagram that is not a reply of this exchange, waited past.
enum class Outcome { kAccepted, kNextSlot, kSwitchToTcp, kFailed, kIgnored };
enum class Ready { kReady, kTimedOut, kFailed };

// Readiness can be spurious; a receive then reports that it would block instead of hanging.
void SetNonBlocking(ws::SOCKET socket)
{
    ws::u_long on = 1;
    sock::ioctlsocket(socket, ws::FIONBIO, &on);
}

std::uint16_t MessageId(std::span<const std::uint8_t> message)
{
    return static_cast<std::uint16_t>(message[0] << 8 | message[1]);
}

class Exchange {
  public:
    Exchange(ClientHandle handle, std::span<std::uint8_t> query, std::span<std::uint8_t> reply)
        : handle_(handle), query_(query), reply_(reply)
    {
    }

    int Run();

  private:
    // The session is looked up again after every wait (a handler run inside it may have freed the
    // session); in between, the pointer stays valid.
    bool Refresh()
    {
        session_ = DnsSessions().Lookup(handle_);
        return session_ != nullptr;
    }
    std::uint16_t NextId();
    void CloseSocket();
    int Finish(Outcome outcome);
    Ready Wait(bool forWriting, DWORD start);
    Outcome Udp(const NameServerSlot &slot);
    Outcome ReceiveDatagram();
    Outcome Tcp(const NameServerSlot &slot);
    Outcome Connect(const NameServerSlot &slot, DWORD start);
    // kAccepted when all `size` octets arrived, else what ended the read (`closedError` recorded when
    // the server closes the connection first).
    Outcome ReadStream(std::uint8_t *into, std::size_t size, DWORD start, std::uint32_t closedError);
    Outcome Drop(std::size_t size, DWORD start);
    Outcome Record(std::uint32_t error)
    {
        recorded_ = error;
        return Outcome::kNextSlot;
    }

    ClientHandle handle_;
    DnsSession *session_ = nullptr;
    std::span<std::uint8_t> query_;
    std::span<std::uint8_t> reply_;
    bool tcp_ = false;
    bool firstAttempt_ = true;
    std::uint16_t lastId_ = 0;
    DWORD limitMs_ = kNoLimit;
    Attempt attempts_[kMaxAttempts] = {};
    std::size_t attemptCount_ = 0;
    std::uint32_t recorded_ = 0;
    std::uint32_t answeredBy_ = 0;
    int replyLength_ = 0;
};

std::uint16_t Exchange::NextId()
{
    lastId_ = firstAttempt_ ? MessageId(query_) : static_cast<std::uint16_t>(lastId_ + 1);
    firstAttempt_ = false;
    DnsSetMessageId(query_, lastId_);
    return lastId_;
}

void Exchange::CloseSocket()
{
    if (session_ != nullptr && session_->socket != ws::INVALID_SOCKET) {
        sock::closesocket(session_->socket);
        session_->socket = ws::INVALID_SOCKET;
    }
}

// Waits for the session's socket until the attempt's time-out, in slices; each slice ends with the
// session looked up again and the cancel flag checked.
Ready Exchange::Wait(bool forWriting, DWORD start)
{
    for (;;) {
        if (session_->cancel) {
            SetErrorCode(qsErrorOperationCanceled);
            return Ready::kFailed;
        }
        DWORD slice = kSliceMs;
        if (limitMs_ != kNoLimit) {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= limitMs_)
                return Ready::kTimedOut;
            slice = std::min(limitMs_ - elapsed, kSliceMs);
        }
        // A connection that fails shows in the exception set.
        ws::fd_set ready, failed;
        FdZero(&ready);
        FdZero(&failed);
        FdAdd(session_->socket, &ready);
        if (forWriting)
            FdAdd(session_->socket, &failed);
        const ws::timeval wait{static_cast<std::int32_t>(slice / 1000), static_cast<std::int32_t>(slice % 1000 * 1000)};
        const int result = forWriting ? BlockingSelect(0, nullptr, &ready, &failed, &wait)
                                      : BlockingSelect(0, &ready, nullptr, nullptr, &wait);
        const int waitError = sock::WSAGetLastError();
        if (!Refresh())
            return Ready::kFailed;
        if (session_->cancel || (result < 0 && waitError == ws::WSAEINTR)) {
            SetErrorCode(qsErrorOperationCanceled);
            return Ready::kFailed;
        }
        if (result < 0) {
            SetErrorCode(waitError != 0 ? static_cast<std::uint32_t>(waitError) : qsErrorOperationCanceled);
            return Ready::kFailed;
        }
        if (result > 0)
            return Ready::kReady;
    }
}

Outcome Exchange::Udp(const NameServerSlot &slot)
{
    const std::uint16_t id = NextId();
    if (session_->socket == ws::INVALID_SOCKET) {
        session_->socket = sock::socket(ws::AF_INET, ws::SOCK_DGRAM, 0);
        if (session_->socket == ws::INVALID_SOCKET)
            return Record(ErrorNumber(SetErrorFromNetwork()));
        SetNonBlocking(session_->socket);
    }
    if (attemptCount_ < kMaxAttempts)
        attempts_[attemptCount_++] = Attempt{id, slot.address, slot.port};
    ws::sockaddr_in to{};
    to.sin_family = ws::AF_INET;
    to.sin_port = slot.port;
    to.sin_addr.s_addr = slot.address;
    const int length = static_cast<int>(query_.size());
    if (sock::sendto(session_->socket, reinterpret_cast<const char *>(query_.data()), length, 0,
                     reinterpret_cast<const ws::sockaddr *>(&to), sizeof to) != length)
        return Outcome::kNextSlot;
    const DWORD start = GetTickCount();
    for (;;) {
        const Ready ready = Wait(false, start);
        if (ready == Ready::kFailed)
            return Outcome::kFailed;
        if (ready == Ready::kTimedOut)
            return Record(qsErrorOperationTimeout);
        const Outcome outcome = ReceiveDatagram();
        if (outcome != Outcome::kIgnored)
            return outcome;
    }
}

// One datagram: a reply of this exchange, a fault of an asked server, or something to wait past.
Outcome Exchange::ReceiveDatagram()
{
    ws::sockaddr_in from{};
    int fromLength = sizeof from;
    const int received = sock::recvfrom(session_->socket, reinterpret_cast<char *>(reply_.data()),
                                        static_cast<int>(std::min(reply_.size(), kDnsMessageSize)), 0,
                                        reinterpret_cast<ws::sockaddr *>(&from), &fromLength);
    if (received < 0) {
        // A datagram larger than any reply to a query without extensions is not one of ours; a
        // readiness that was spurious has nothing to take.
        const int error = sock::WSAGetLastError();
        if (error == ws::WSAEMSGSIZE || error == ws::WSAEWOULDBLOCK)
            return Outcome::kIgnored;
        return Record(qsErrorInvalidServerResponse);
    }
    const auto asked = [&](const Attempt &a) {
        return a.address == from.sin_addr.s_addr && a.port == from.sin_port;
    };
    const Attempt *begin = attempts_, *end = attempts_ + attemptCount_;
    if (std::none_of(begin, end, asked))
        return Outcome::kIgnored;
    if (received == 0)
        return Record(qsErrorInvalidServerResponse);
    if (received < 2)
        return Outcome::kIgnored;
    const std::uint16_t id = MessageId(reply_);
    const auto sent = [&](const Attempt &a) { return asked(a) && a.id == id; };
    const std::span<const std::uint8_t> reply = reply_.first(static_cast<std::size_t>(received));
    if (std::none_of(begin, end, sent) || !DnsReplyAnswersQuery(reply, query_))
        return Outcome::kIgnored;
    DnsReader reader(reply);
    DnsHeader header;
    if (DnsReadHeader(reader, &header) && header.IsTruncated())
        return Outcome::kSwitchToTcp;
    answeredBy_ = from.sin_addr.s_addr;
    replyLength_ = received;
    return Outcome::kAccepted;
}

Outcome Exchange::Connect(const NameServerSlot &slot, DWORD start)
{
    session_->socket = sock::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
    if (session_->socket == ws::INVALID_SOCKET)
        return Record(ErrorNumber(SetErrorFromNetwork()));
    SetNonBlocking(session_->socket);
    ws::sockaddr_in to{};
    to.sin_family = ws::AF_INET;
    to.sin_port = slot.port;
    to.sin_addr.s_addr = slot.address;
    int error = 0;
    if (sock::connect(session_->socket, reinterpret_cast<const ws::sockaddr *>(&to), sizeof to) != 0) {
        error = sock::WSAGetLastError();
        if (error == ws::WSAEWOULDBLOCK) {
            const Ready ready = Wait(true, start);
            if (ready == Ready::kFailed)
                return Outcome::kFailed;
            if (ready == Ready::kTimedOut)
                return Record(qsErrorOperationTimeout);
            int length = sizeof error;
            if (sock::getsockopt(session_->socket, ws::SOL_SOCKET, ws::SO_ERROR, reinterpret_cast<char *>(&error),
                                 &length) != 0)
                error = ws::WSAECONNREFUSED;
        }
    }
    if (error != 0)
        return Record(error == ws::WSAETIMEDOUT ? qsErrorOperationTimeout : qsErrorHostNameRefused);
    return Outcome::kAccepted;
}

Outcome Exchange::ReadStream(std::uint8_t *into, std::size_t size, DWORD start, std::uint32_t closedError)
{
    for (std::size_t got = 0; got < size;) {
        const Ready ready = Wait(false, start);
        if (ready == Ready::kFailed)
            return Outcome::kFailed;
        if (ready == Ready::kTimedOut)
            return Record(qsErrorOperationTimeout);
        const int received =
            sock::recv(session_->socket, reinterpret_cast<char *>(into + got), static_cast<int>(size - got), 0);
        if (received == 0)
            return Record(closedError);
        if (received < 0) {
            if (sock::WSAGetLastError() == ws::WSAEWOULDBLOCK)
                continue;
            return Record(qsErrorInvalidServerResponse);
        }
        got += static_cast<std::size_t>(received);
    }
    return Outcome::kAccepted;
}

Outcome Exchange::Drop(std::size_t size, DWORD start)
{
    std::uint8_t piece[kDiscardPiece];
    while (size > 0) {
        const std::size_t part = std::min(size, sizeof piece);
        const Outcome outcome = ReadStream(piece, part, start, qsErrorHostNameRefused);
        if (outcome != Outcome::kAccepted)
            return outcome;
        size -= part;
    }
    return Outcome::kAccepted;
}

Outcome Exchange::Tcp(const NameServerSlot &slot)
{
    const std::uint16_t id = NextId();
    const DWORD start = GetTickCount();
    CloseSocket();
    Outcome outcome = Connect(slot, start);
    if (outcome != Outcome::kAccepted)
        return outcome;
    std::uint8_t framed[kLengthPrefix + kDnsMessageSize];
    const std::size_t length = std::min(query_.size(), kDnsMessageSize);
    framed[0] = static_cast<std::uint8_t>(length >> 8);
    framed[1] = static_cast<std::uint8_t>(length);
    std::copy_n(query_.begin(), length, framed + kLengthPrefix);
    const int total = static_cast<int>(kLengthPrefix + length);
    if (sock::send(session_->socket, reinterpret_cast<const char *>(framed), total, 0) != total)
        return Record(qsErrorInvalidServerResponse);

    std::uint8_t prefix[kLengthPrefix];
    outcome = ReadStream(prefix, sizeof prefix, start, qsErrorNoServerResponse);
    if (outcome != Outcome::kAccepted)
        return outcome;
    const std::size_t size = static_cast<std::size_t>(prefix[0] << 8 | prefix[1]);
    const std::size_t kept = std::min(size, std::min(reply_.size(), kDnsMessageSize));
    outcome = ReadStream(reply_.data(), kept, start, qsErrorHostNameRefused);
    if (outcome == Outcome::kAccepted && size > kept) {
        reply_[2] |= static_cast<std::uint8_t>(kDnsFlagTruncated >> 8);
        outcome = Drop(size - kept, start);
    }
    if (outcome != Outcome::kAccepted)
        return outcome;
    const std::span<const std::uint8_t> reply = reply_.first(kept);
    if (kept < kLengthPrefix || MessageId(reply) != id || !DnsReplyAnswersQuery(reply, query_))
        return Record(qsErrorInvalidServerResponse);
    answeredBy_ = slot.address;
    replyLength_ = static_cast<int>(kept);
    return Outcome::kAccepted;
}

int Exchange::Finish(Outcome outcome)
{
    if (session_ == nullptr)
        return -1;
    CloseSocket();
    session_->blocking = false;
    if (outcome != Outcome::kAccepted)
        return -1;
    session_->answeredServer = answeredBy_;
    session_->queryCounter = lastId_;
    return replyLength_;
}

int Exchange::Run()
{
    if (!Refresh())
        return -1;
    if (session_->blocking) {
        SetErrorCode(qsErrorOperationInProgress);
        return -1;
    }
    if (query_.size() < kDnsHeaderSize || reply_.size() < kDnsHeaderSize) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    session_->cancel = false;
    session_->answeredServer = kNoAddress;
    session_->blocking = true;
    tcp_ = query_.size() > kDnsUdpQuerySize;
    limitMs_ = static_cast<DWORD>(session_->timeout) * 1000;
    const int passes = session_->retries;
    NameServerSlot slots[kDnsNameServerSlots];
    std::copy(std::begin(session_->slots), std::end(session_->slots), slots);
    CloseSocket();

    for (int pass = 0; pass < passes; ++pass) {
        for (const NameServerSlot &slot : slots) {
            if (slot.address == 0)
                continue;
            if (session_->cancel) {
                SetErrorCode(qsErrorOperationCanceled);
                return Finish(Outcome::kFailed);
            }
            const Outcome outcome = tcp_ ? Tcp(slot) : Udp(slot);
            if (outcome == Outcome::kAccepted || outcome == Outcome::kFailed)
                return Finish(outcome);
            if (tcp_)
                CloseSocket();
            if (outcome == Outcome::kSwitchToTcp) {
                // The rest of this pass and a full set of passes after it go over TCP.
                CloseSocket();
                tcp_ = true;
                pass = -1;
            }
        }
    }
    SetErrorCode(tcp_ || recorded_ == 0 ? qsErrorHostNameRefused : recorded_);
    return Finish(Outcome::kFailed);
}

}  // namespace

int DnsSendQuery(ClientHandle handle, std::span<std::uint8_t> query, std::span<std::uint8_t> reply)
{
    return Exchange(handle, query, reply).Run();
}

}  // namespace qs
