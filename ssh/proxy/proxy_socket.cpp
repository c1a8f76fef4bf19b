#include "ssh/proxy/proxy_socket.h"

#include <algorithm>

#include "platform/base/thread.h"
#include "ssh/proxy/proxy_request.h"

namespace qs::ssh {
namespace {

ByteView AsBytes(const std::string &text)
{
    return ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
}

}  // namespace

ProxySocket::ProxySocket(ProxyType type, bool sentCredentials, std::uint32_t timeoutMs, SshSocketOwner &owner)
    : type_(type), owner_(owner), started_(GetTickCount()), timeoutMs_(timeoutMs)
{
    if (type == ProxyType::Http)
        reply_.emplace(sentCredentials);
}

std::unique_ptr<ProxySocket> ProxySocket::Open(const ProxyConfig &proxy, std::uint32_t proxyAddress,
                                               const std::string &target, int port, std::uint32_t timeoutMs,
                                               SshSocketOwner &owner)
{
    const bool credentials = !proxy.user.empty() || !proxy.password.empty();
    std::unique_ptr<ProxySocket> socket(new ProxySocket(proxy.type, credentials, timeoutMs, owner));
    int proxyPort = proxy.port;
    if (proxyPort == 0)
        proxyPort = proxy.type == ProxyType::Http ? kHttpProxyPort : kTelnetProxyPort;
    socket->inner_ = DirectSocket::Open(proxyAddress, proxyPort, *socket);
    if (socket->inner_ == nullptr)
        return nullptr;
    const std::string request = proxy.type == ProxyType::Http
                                    ? HttpConnectRequest(target, port, proxy.user, proxy.password)
                                    : TelnetConnectCommand(target, port);
    socket->inner_->Write(AsBytes(request));
    socket->SetState(State::AwaitingReply);
    return socket;
}

bool ProxySocket::Write(ByteView bytes)
{
    if (Closed())
        return false;
    if (state_ == State::Open)
        return inner_->Write(bytes);
    if (held_.size() + bytes.size() > kMaxSendBacklog) {
        Fail(MakeErrorCode(qsErrorOutOfBuffers));
        return false;
    }
    held_.insert(held_.end(), bytes.begin(), bytes.end());
    return true;
}

void ProxySocket::Close()
{
    inner_->Close();
    held_.clear();
}

void ProxySocket::Fail(ErrorCode error)
{
    Close();
    owner_.Closing(error);
}

void ProxySocket::CheckDeadline()
{
    if (state_ != State::Open && !Closed() && timeoutMs_ != 0 && GetTickCount() - started_ >= timeoutMs_)
        Fail(MakeErrorCode(qsErrorOperationTimeout));
}

void ProxySocket::HandleEvent(std::int32_t event, int error)
{
    inner_->HandleEvent(event, error);
    CheckDeadline();
}

int ProxySocket::Wait(std::uint32_t milliseconds)
{
    // The handshake's own limit also bounds a proxy that keeps sending without ever ending its reply.
    if (state_ != State::Open && timeoutMs_ != 0) {
        const DWORD elapsed = GetTickCount() - started_;
        milliseconds = std::min<std::uint32_t>(milliseconds, elapsed >= timeoutMs_ ? 0 : timeoutMs_ - elapsed);
    }
    const bool wasClosed = Closed();
    const int result = inner_->Wait(milliseconds);
    if (result < 0)
        return result;
    CheckDeadline();
    return !wasClosed && Closed() ? 1 : result;
}

void ProxySocket::OpenTunnel(ByteView firstBytes)
{
    SetState(State::Open);
    if (!held_.empty()) {
        std::vector<std::uint8_t> held;
        held.swap(held_);
        if (!inner_->Write(held))
            return;
    }
    if (!firstBytes.empty())
        owner_.Receive(firstBytes);
}

void ProxySocket::Receive(ByteView bytes)
{
    if (state_ == State::Open) {
        owner_.Receive(bytes);
        return;
    }
    // A telnet proxy gives no reply of its own: its first bytes are the target's.
    if (type_ == ProxyType::Telnet) {
        OpenTunnel(bytes);
        return;
    }
    std::size_t used = 0;
    switch (reply_->Feed(bytes, used)) {
    case HttpReplyReader::Result::NeedMore:
        if (reply_->StatusRead())
            SetState(State::ReadingHeaders);
        break;
    case HttpReplyReader::Result::Failed:
        Fail(reply_->Error());
        break;
    case HttpReplyReader::Result::Open:
        OpenTunnel(bytes.subspan(used));
        break;
    }
}

void ProxySocket::Sent(std::size_t backlog)
{
    // The handshake's own bytes are none of the engine's business.
    if (state_ == State::Open)
        owner_.Sent(backlog);
}

void ProxySocket::Closing(ErrorCode error)
{
    if (state_ != State::Open && error == 0) {
        const bool answered = reply_.has_value() && reply_->Taken() > 0;
        error = MakeErrorCode(answered ? qsErrorInvalidServerResponse : qsErrorNoServerResponse);
    }
    owner_.Closing(error);
}

}  // namespace qs::ssh
