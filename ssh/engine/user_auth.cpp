#include "ssh/engine/user_auth.h"

#include <algorithm>
#include <vector>

#include <openssl/crypto.h>

#include "core/error/last_error.h"
#include "ssh/wire/name_list.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

constexpr std::string_view kUserauthService = "ssh-userauth";
constexpr std::string_view kConnectionService = "ssh-connection";
// Room for the fields around the user name and the password.
constexpr std::size_t kRequestOverhead = 128;

}  // namespace

SshUserAuth::SshUserAuth(ServiceLink &link, std::string_view user, std::string_view password) : link_(link)
{
    state_.userName.assign(user);
    password_.Resize(password.size());
    std::copy(password.begin(), password.end(), password_.data());
}

bool SshUserAuth::SendServiceRequest(ServiceLink &link, std::string_view service)
{
    std::vector<std::uint8_t> request;
    WireWriter w(request, kRequestOverhead);
    w.U8(kMsgServiceRequest);
    w.String(service);
    return w.Ok() && link.Send(request);
}

SshUserAuth::Result SshUserAuth::Start()
{
    if (state_.userName.empty() || state_.userName.size() > kMaxUserName)
        error_ = MakeErrorCode(qsErrorInvalidUserName);
    else if (password_.size() == 0)
        error_ = MakeErrorCode(qsErrorInvalidPassword);
    if (error_ != 0) {
        SetErrorCode(error_);
        step_ = Step::Idle;
        return result_ = Result::Stopped;
    }
    step_ = Step::UserauthService;
    if (!SendServiceRequest(link_, kUserauthService))
        return Stop();
    return result_ = Result::Waiting;
}

SshUserAuth::Result SshUserAuth::Handle(const IncomingPacket &packet)
{
    if (result_ != Result::Waiting)
        return result_;
    switch (step_) {
    case Step::UserauthService:
    case Step::ConnectionService:
        return OnServiceReply(packet);
    case Step::MethodsAsked:
    case Step::PasswordSent:
        if (packet.type == kMsgUserauthBanner) {
            OnBanner(packet);
            return result_;
        }
        // Banners only ever precede a decision; none is shown.
        state_.banner.clear();
        return step_ == Step::PasswordSent ? OnPasswordAnswer(packet) : OnAnswer(packet);
    case Step::Idle:
    case Step::Done:
        break;
    }
    return result_;
}

SshUserAuth::Result SshUserAuth::OnServiceReply(const IncomingPacket &packet)
{
    const bool accepted = packet.type == kMsgServiceAccept;
    if (step_ == Step::ConnectionService) {
        if (!accepted)
            return Stop();
        state_.noAuthenticationNeeded = true;
        return Succeed();
    }
    if (!accepted) {
        step_ = Step::ConnectionService;
        if (!SendServiceRequest(link_, kConnectionService))
            return Stop();
        return result_;
    }
    state_.serviceAccepted = true;
    step_ = Step::MethodsAsked;
    if (!SendRequest("none", false))
        return Stop();
    return result_;
}

void SshUserAuth::OnBanner(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::string_view text;
    if (r.Text(text) && state_.banner.size() <= kMaxBannerBytes)
        state_.banner.append(text.substr(0, kMaxBannerBytes + 1 - state_.banner.size()));
}

SshUserAuth::Result SshUserAuth::OnAnswer(const IncomingPacket &packet)
{
    if (packet.type == kMsgUserauthSuccess)
        return Succeed();
    if (packet.type != kMsgUserauthFailure)
        return result_;
    WireReader r = packet.Fields();
    std::string_view methods;
    bool partial = false;  // a partial success is a failure like any other
    if (!r.NameList(methods) || !r.Bool(partial))
        return Fail(kDisconnectProtocolError, "Malformed authentication failure", qsErrorInvalidServerResponse);
    state_.methodPublicKey = NameListContains(methods, "publickey");
    state_.methodPassword = NameListContains(methods, "password");
    state_.methodKeyboardInteractive = NameListContains(methods, "keyboard-interactive");
    if (!state_.methodPassword)
        return Fail(kDisconnectNoMoreAuthMethods, "No supported authentication methods", qsErrorAuthenticationFailed);
    if (++state_.passwordAttempts > 1)
        return Fail(kDisconnectAuthCancelledByUser, "User authentication failed", qsErrorAuthenticationFailed);
    state_.passwordCopy.Resize(password_.size());
    std::copy(password_.data(), password_.data() + password_.size(), state_.passwordCopy.data());
    step_ = Step::PasswordSent;
    if (!SendRequest("password", false))
        return Stop();
    return result_;
}

SshUserAuth::Result SshUserAuth::OnPasswordAnswer(const IncomingPacket &packet)
{
    if (packet.type == kMsgUserauthPasswdChangeReq) {
        // The prompt is not shown; the same password is offered as both old and new.
        if (!SendRequest("password", true))
            return Stop();
        return result_;
    }
    state_.passwordCopy.Clear();
    step_ = Step::MethodsAsked;
    return OnAnswer(packet);
}

bool SshUserAuth::SendRequest(std::string_view method, bool change)
{
    const bool password = method == "password";
    const ByteView secret = state_.passwordCopy.View();
    // Reserved whole so that no reallocation leaves a copy of the password behind; wiped after sending.
    const std::size_t cap = kRequestOverhead + state_.userName.size() + secret.size();
    std::vector<std::uint8_t> request;
    request.reserve(cap);
    WireWriter w(request, cap);
    w.U8(kMsgUserauthRequest);
    w.String(std::string_view(state_.userName));
    w.String(kConnectionService);
    w.String(method);
    if (password) {
        w.Bool(change);
        w.String(secret);
        if (change)
            w.String(std::string_view());
    }
    state_.lastMethod = password ? SshAuthState::Method::Password : SshAuthState::Method::None;
    const bool sent = w.Ok() && (password ? link_.SendHidden(request) : link_.Send(request));
    if (!request.empty())
        OPENSSL_cleanse(request.data(), request.size());
    return sent;
}

SshUserAuth::Result SshUserAuth::Succeed()
{
    state_.passwordCopy.Clear();
    state_.banner.clear();
    state_.noAuthenticationNeeded = true;
    step_ = Step::Done;
    return result_ = Result::Authenticated;
}

SshUserAuth::Result SshUserAuth::Stop()
{
    state_.passwordCopy.Clear();
    step_ = Step::Idle;
    return result_ = Result::Stopped;
}

SshUserAuth::Result SshUserAuth::Fail(std::uint32_t reason, std::string_view message, ErrorCode error)
{
    state_.passwordCopy.Clear();
    link_.Disconnect(reason, message);
    reason_ = reason;
    error_ = MakeErrorCode(error);
    SetErrorCode(error_);
    step_ = Step::Idle;
    return result_ = Result::Disconnected;
}

}  // namespace qs::ssh
