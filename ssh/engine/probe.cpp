#include "ssh/engine/probe.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "core/error/last_error.h"
#include "ssh/engine/user_auth.h"
#include "ssh/proxy/proxy_connect.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

constexpr std::uint32_t kWaitSliceMs = 200;
// After our DISCONNECT the server is given this long to close its side.
constexpr std::uint32_t kCloseGraceMs = 2000;
constexpr std::string_view kService = "ssh-userauth";
constexpr std::size_t kPadMessageBytes = 4096;
// A message number no server implements: it is answered with UNIMPLEMENTED before a login. After it,
// servers may ignore such messages, so a global request nobody knows is sent, asking for an answer.
constexpr std::uint8_t kUnknownMessage = 150;
constexpr std::string_view kUnknownRequest = "probe-end@quillstream.test";

class Probe final : private SshSocketOwner, private TransportEvents, private ChannelSink {
public:
    Probe(const ProbeOptions &options, ProbeReport &report)
        : options_(options), report_(report), transport_(options.transport, *this),
          auth_(transport_, options.user, options.password),
          connection_(transport_, *this, options.session.value_or(SessionSetup{}))
    {
    }

    bool Run()
    {
        if (transport_.Failed()) {
            SetErrorCode(transport_.Error());
            return false;
        }
        if (options_.session && !LoggingIn()) {
            SetErrorCode(qsErrorInvalidUserName);  // a session needs a login
            return false;
        }
        socket_ = ConnectSshSocket(options_.host.c_str(), options_.port, options_.proxy, options_.timeoutMs, *this);
        if (!socket_)
            return false;
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        const auto elapsedMs = [&] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        };
        while (error_ == 0 && !done_ && elapsedMs() < options_.timeoutMs) {
            if (socket_->Wait(kWaitSliceMs) < 0)
                error_ = GetErrorCode();
        }
        if (error_ == 0 && !done_)
            error_ = qsErrorOperationTimeout;
        Report();
        if (error_ != 0) {
            socket_->Close();
            SetErrorCode(error_);
            return false;
        }
        if (transport_.Closed()) {
            // The session ended the connection itself (its last channel closed).
            socket_->Close();
            return true;
        }
        // A clean end: our DISCONNECT, then the server closes.
        transport_.Disconnect(kDisconnectByApplication, "Probe finished");
        const auto closeStart = elapsedMs();
        while (!socket_->Closed() && elapsedMs() - closeStart < kCloseGraceMs) {
            if (socket_->Wait(kWaitSliceMs) < 0)
                break;
        }
        socket_->Close();
        return true;
    }

private:
    void Report()
    {
        report_.serverVersion = transport_.ServerVersion();
        const NegotiatedSuite &s = transport_.Kex().Suite();
        if (s.kex) {
            report_.kex = s.kex->wireName;
            report_.hostKey = s.hostKey->name;
            report_.cipherOut = s.cipherOut->wireName;
            report_.cipherIn = s.cipherIn->wireName;
            report_.macOut = s.macOut->wireName;
            report_.macIn = s.macIn->wireName;
            report_.compressionOut = s.compressionOut->wireName;
            report_.compressionIn = s.compressionIn->wireName;
        }
        report_.fingerprint = transport_.Kex().Fingerprint();
        report_.keyExchanges = transport_.KeyExchanges();
        if (transport_.ServerDisconnectReason() != 0)
            report_.serverDisconnect =
                std::to_string(transport_.ServerDisconnectReason()) + " " + transport_.ServerDisconnectText();
    }

    // The padding and then the message whose answer ends the probe.
    void SendPadding()
    {
        std::vector<std::uint8_t> ignore;
        WireWriter w(ignore, kPadMessageBytes + 16);
        w.U8(kMsgIgnore);
        w.String(ByteView(std::vector<std::uint8_t>(kPadMessageBytes, 0x5a)));
        for (std::size_t sent = 0; sent < options_.padBytes && error_ == 0; sent += kPadMessageBytes)
            transport_.Send(ignore);
        if (!LoggingIn()) {
            transport_.Send(ByteView(&kUnknownMessage, 1));
            return;
        }
        std::vector<std::uint8_t> request;
        WireWriter r(request, 64);
        r.U8(kMsgGlobalRequest);
        r.String(kUnknownRequest);
        r.Bool(true);
        transport_.Send(request);
    }

    bool LoggingIn() const { return !options_.user.empty(); }

    // The service (or the login) is done: end now, or after the padding.
    void Ready()
    {
        ready_ = true;
        done_ = options_.padBytes == 0;
        if (!done_)
            SendPadding();
    }

    void OnAuthentication(const IncomingPacket &packet)
    {
        const SshUserAuth::Result result = auth_.Handle(packet);
        if (auth_.State().serviceAccepted && report_.serviceReply.empty())
            report_.serviceReply = "SERVICE_ACCEPT " + std::string(kService);
        switch (result) {
        case SshUserAuth::Result::Waiting:
            return;
        case SshUserAuth::Result::Authenticated:
            report_.authentication = "USERAUTH_SUCCESS";
            if (options_.session)
                OnSession(connection_.Start());
            else
                Ready();
            return;
        case SshUserAuth::Result::Stopped:
            report_.authentication = "STOPPED";
            error_ = auth_.Error() != 0 ? auth_.Error() : MakeErrorCode(qsErrorUnexpectedServerResponse);
            return;
        case SshUserAuth::Result::Disconnected:
            report_.authentication = "DISCONNECT " + std::to_string(auth_.DisconnectReason());
            error_ = auth_.Error();
            return;
        }
    }

    void OnSession(ConnectionProtocol::Result result)
    {
        switch (result) {
        case ConnectionProtocol::Result::Waiting:
            return;
        case ConnectionProtocol::Result::Running:
            FeedInput();
            return;
        case ConnectionProtocol::Result::Stopped:
            error_ = MakeErrorCode(qsErrorUnexpectedServerResponse);
            return;
        case ConnectionProtocol::Result::Ended:
            report_.exitCode = connection_.ExitCode(false);
            done_ = true;
            return;
        case ConnectionProtocol::Result::Disconnected:
            error_ = connection_.Error();
            return;
        }
    }

    // The input goes out as the server's window opens, a slice at a time, so that only a little of it
    // waits in the channel; the end of file follows the last byte.
    void FeedInput()
    {
        constexpr std::size_t kSlice = 64 * 1024;
        std::size_t buffered = 0;
        while (inputSent_ < options_.input.size() && buffered < kSlice) {
            const std::size_t n = std::min(kSlice, options_.input.size() - inputSent_);
            const ByteView slice(reinterpret_cast<const std::uint8_t *>(options_.input.data()) + inputSent_, n);
            if (!connection_.Write(slice, buffered)) {
                error_ = GetErrorCode();
                return;
            }
            inputSent_ += n;
        }
        if (inputSent_ == options_.input.size() && !eofSent_) {
            eofSent_ = true;
            connection_.Special(kControlEndOfFile);
        }
    }

    // Session side: the probe takes all the output at once, so nothing is ever left unread.
    void Deliver(ByteView bytes) override
    {
        report_.outputBytes += bytes.size();
        if (options_.keepOutput)
            report_.output.append(bytes.begin(), bytes.end());
    }
    std::size_t Unread() const override { return 0; }

    // Socket side.
    void Receive(ByteView bytes) override { transport_.Receive(bytes); }
    void Sent(std::size_t) override {}
    void Closing(ErrorCode error) override
    {
        if (done_ || error_ != 0)
            return;
        error_ = error != 0 ? error : qsErrorConnectionClosed;
    }

    // Transport side.
    void Write(ByteView bytes) override
    {
        if (!socket_->Write(bytes) && error_ == 0)
            error_ = qsErrorConnectionClosed;
    }
    void KeysReady() override
    {
        if (LoggingIn()) {
            if (auth_.Start() != SshUserAuth::Result::Waiting)
                error_ = auth_.Error() != 0 ? auth_.Error() : transport_.Error();
            return;
        }
        if (!SshUserAuth::SendServiceRequest(transport_, kService) && error_ == 0)
            error_ = transport_.Error();
    }
    void Message(const IncomingPacket &packet) override
    {
        if (options_.session && auth_.State().noAuthenticationNeeded) {
            OnSession(connection_.Handle(packet));
            return;
        }
        if (!ready_) {
            if (LoggingIn()) {
                OnAuthentication(packet);
                return;
            }
            std::string_view name;
            WireReader r = packet.Fields();
            if (packet.type == kMsgServiceAccept && r.Text(name) && r.Finish() && name == kService) {
                report_.serviceReply = "SERVICE_ACCEPT " + std::string(name);
                Ready();
                return;
            }
            error_ = MakeErrorCode(qsErrorUnexpectedServerResponse);
            return;
        }
        // After a login servers announce things of their own (OpenSSH its host keys, in a global request
        // that wants no reply); only the answer to the end message matters.
        if (packet.type == (LoggingIn() ? kMsgRequestFailure : kMsgUnimplemented))
            done_ = true;
    }
    void Failed(ErrorCode error) override
    {
        if (error_ == 0)
            error_ = error;
    }

    const ProbeOptions &options_;
    ProbeReport &report_;
    SshTransport transport_;
    SshUserAuth auth_;
    ConnectionProtocol connection_;
    std::size_t inputSent_ = 0;
    bool eofSent_ = false;
    std::unique_ptr<SshSocket> socket_;
    bool ready_ = false;
    bool done_ = false;
    ErrorCode error_ = 0;
};

}  // namespace

bool RunProbe(const ProbeOptions &options, ProbeReport &report)
{
    report = {};
    Probe probe(options, report);
    return probe.Run();
}

}  // namespace qs::ssh
