// SSH-2 user authentication (RFC 4252) with a password: asks for the "ssh-userauth" service (or finds that
// the server needs no authentication), learns the acceptable methods with "none", sends the password once,
// answers a change request with the same password and gives up with a DISCONNECT otherwise. Driven by the
// owner of the transport: Start once the first key exchange is done, then Handle for every message the
// transport hands up, until the result is no longer Waiting.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error/error_codes.h"
#include "ssh/algorithms/secure_bytes.h"
#include "ssh/engine/messages.h"
#include "ssh/engine/service_link.h"

namespace qs::ssh {

inline constexpr std::size_t kMaxUserName = 100;
// Banner text past this is dropped; banners are collected and never shown.
inline constexpr std::size_t kMaxBannerBytes = 131072;

struct SshAuthState {
    std::string userName;
    bool serviceAccepted = false;        // "ssh-userauth" was accepted
    bool noAuthenticationNeeded = false; // "ssh-connection" was accepted directly, or authentication succeeded
    // The methods of the last USERAUTH_FAILURE.
    bool methodPublicKey = false;
    bool methodPassword = false;
    bool methodKeyboardInteractive = false;
    SecureBytes passwordCopy;            // while a password request is outstanding
    int passwordAttempts = 0;
    enum class Method { None, Password } lastMethod = Method::None;
    std::string banner;
};

class SshUserAuth {
public:
    enum class Result {
        Waiting,        // a request is outstanding
        Authenticated,  // the connection protocol may start
        Stopped,        // the server refused both services; nothing more was sent
        Disconnected,   // we sent DISCONNECT; Error() says why
    };

    SshUserAuth(ServiceLink &link, std::string_view user, std::string_view password);

    // Step 1. An empty or over-long user name or an empty password stops at once with
    // qsErrorInvalidUserName / qsErrorInvalidPassword, before anything is sent.
    Result Start();
    Result Handle(const IncomingPacket &packet);

    const SshAuthState &State() const { return state_; }
    ErrorCode Error() const { return error_; }
    // The reason code of the DISCONNECT we sent (Result::Disconnected).
    std::uint32_t DisconnectReason() const { return reason_; }

    static bool SendServiceRequest(ServiceLink &link, std::string_view service);

private:
    enum class Step { Idle, UserauthService, ConnectionService, MethodsAsked, PasswordSent, Done };

    Result OnServiceReply(const IncomingPacket &packet);
    Result OnAnswer(const IncomingPacket &packet);
    Result OnPasswordAnswer(const IncomingPacket &packet);
    void OnBanner(const IncomingPacket &packet);
    bool SendRequest(std::string_view method, bool change);
    Result Succeed();
    Result Stop();
    Result Fail(std::uint32_t reason, std::string_view message, ErrorCode error);

    ServiceLink &link_;
    SecureBytes password_;
    SshAuthState state_;
    Step step_ = Step::Idle;
    Result result_ = Result::Waiting;
    ErrorCode error_ = 0;
    std::uint32_t reason_ = 0;
};

}  // namespace qs::ssh
