#include "ssh/engine/connection.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/error/last_error.h"
#include "ssh/engine/exit_status.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kControlMessage = 512;
constexpr std::uint32_t kOpenAdministrativelyProhibited = 2;
constexpr std::uint32_t kExtendedDataStderr = 1;
constexpr std::uint8_t kTtyOpIspeed = 128;
constexpr std::uint8_t kTtyOpOspeed = 129;
constexpr std::uint8_t kTtyOpEnd = 0;

constexpr std::array<std::string_view, kControlSignalLast - kControlSignalFirst + 1> kSignalNames = {
    "ABRT", "ALRM", "FPE", "HUP", "ILL", "INT", "KILL", "PIPE", "QUIT", "SEGV", "TERM", "USR1", "USR2",
};

}  // namespace

ConnectionProtocol::ConnectionProtocol(ServiceLink &link, ChannelSink &sink, const SessionSetup &setup)
    : link_(link), sink_(sink), setup_(setup)
{
    if (!setup_.command.empty())
        setup_.noPty = true;
    if (setup_.terminalType.empty())
        setup_.terminalType = "unknown";
    setup_.terminalType.resize(std::min(setup_.terminalType.size(), kMaxTerminalType));
}

ConnectionProtocol::Result ConnectionProtocol::Start()
{
    if (setup_.noShell) {
        Begin();
        return result_;
    }
    pending_ = SshChannel{};
    pending_.localId = LowestFreeId();
    std::vector<std::uint8_t> open;
    WireWriter w(open, kControlMessage);
    w.U8(kMsgChannelOpen);
    w.String(std::string_view("session"));
    w.U32(pending_.localId);
    w.U32(kChannelWindow);
    w.U32(kChannelMaxPacket);
    step_ = Step::OpenSent;
    if (!w.Ok() || !link_.Send(open))
        return Stop();
    return result_;
}

ConnectionProtocol::Result ConnectionProtocol::Handle(const IncomingPacket &packet)
{
    // A stopped setup still answers what the server asks, so the connection stays sound.
    if (result_ == Result::Ended || result_ == Result::Disconnected)
        return result_;
    switch (packet.type) {
    case kMsgGlobalRequest:
        OnGlobalRequest(packet);
        return result_;
    case kMsgChannelWindowAdjust:
        OnWindowAdjust(packet);
        return result_;
    default:
        break;
    }
    if (ChannelHandlersOn()) {
        switch (packet.type) {
        case kMsgChannelData:
        case kMsgChannelExtendedData:
            OnData(packet);
            return result_;
        case kMsgChannelEof:  // changes nothing: the command's exit status and the CLOSE follow
        case kMsgChannelOpenConfirmation:
        case kMsgChannelOpenFailure:
            return result_;
        case kMsgChannelClose:
            OnClose(packet);
            return result_;
        case kMsgChannelRequest:
            OnChannelRequest(packet);
            return result_;
        case kMsgChannelOpen:
            OnChannelOpen(packet);
            return result_;
        default:
            break;
        }
    }
    if (result_ == Result::Waiting)
        return OnSetup(packet);
    return result_;
}

ConnectionProtocol::Result ConnectionProtocol::OnSetup(const IncomingPacket &packet)
{
    switch (step_) {
    case Step::OpenSent:
        if (packet.type != kMsgChannelOpenConfirmation || !OnConfirmation(packet))
            return result_ == Result::Disconnected ? result_ : Stop();
        return setup_.noPty ? RequestCommand() : RequestTerminal();
    case Step::PtySent:
        // A refused terminal is no error: the command or shell is asked for all the same.
        if (packet.type != kMsgChannelSuccess && packet.type != kMsgChannelFailure)
            return Stop();
        return RequestCommand();
    case Step::CommandSent:
        if (packet.type != kMsgChannelSuccess)
            return Stop();
        Begin();
        return result_;
    case Step::Idle:
    case Step::Running:
    case Step::Done:
        break;
    }
    return result_;
}

ConnectionProtocol::Result ConnectionProtocol::RequestTerminal()
{
    step_ = Step::PtySent;
    const bool sent = SendRequest("pty-req", true, [this](WireWriter &w) {
        w.String(std::string_view(setup_.terminalType));
        w.U32(setup_.columns);
        w.U32(setup_.rows);
        w.U32(0);  // no pixel sizes
        w.U32(0);
        std::vector<std::uint8_t> modes;
        WireWriter m(modes, 16);
        m.U8(kTtyOpIspeed);
        m.U32(kTerminalSpeed);
        m.U8(kTtyOpOspeed);
        m.U32(kTerminalSpeed);
        m.U8(kTtyOpEnd);
        w.String(ByteView(modes));
    });
    return sent ? result_ : Stop();
}

ConnectionProtocol::Result ConnectionProtocol::RequestCommand()
{
    step_ = Step::CommandSent;
    const bool sent = setup_.command.empty()
                          ? SendRequest("shell", true, {})
                          : SendRequest("exec", true, [this](WireWriter &w) { w.String(std::string_view(setup_.command)); });
    return sent ? result_ : Stop();
}

bool ConnectionProtocol::OnConfirmation(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::uint32_t recipient = 0, sender = 0, window = 0, maxPacket = 0;
    if (!r.U32(recipient) || recipient != pending_.localId || !r.U32(sender) || !r.U32(window) ||
        !r.U32(maxPacket))
        return false;
    if (maxPacket == 0) {
        // Nothing could ever be sent on such a channel.
        ProtocolError("Channel maximum packet size is zero");
        return false;
    }
    pending_.remoteId = sender;
    pending_.remoteWindow = window;
    pending_.remoteMaxPacket = maxPacket;
    pending_.halfOpen = false;
    session_ = &channels_.emplace(pending_.localId, std::move(pending_)).first->second;
    pending_ = SshChannel{};
    return true;
}

void ConnectionProtocol::Begin()
{
    step_ = Step::Running;
    result_ = Result::Running;
    if (session_ == nullptr)
        return;
    writable_ = true;
    SendOutput(*session_);
    if (eofRequested_)
        Special(kControlEndOfFile);
}

void ConnectionProtocol::OnGlobalRequest(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::string_view name;
    bool wantReply = false;
    if (!r.Text(name) || !r.Bool(wantReply)) {
        ProtocolError("Malformed global request");
        return;
    }
    if (wantReply) {
        const std::uint8_t failure = kMsgRequestFailure;
        link_.Send(ByteView(&failure, 1));
    }
}

void ConnectionProtocol::OnWindowAdjust(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::uint32_t recipient = 0, amount = 0;
    if (!r.U32(recipient) || !r.U32(amount))
        return;
    SshChannel *channel = Find(recipient);
    if (channel == nullptr || channel->closing)
        return;
    // The window never passes 2^32 - 1 (RFC 4254 5.2).
    channel->remoteWindow = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{channel->remoteWindow} + amount, UINT32_MAX));
    SendOutput(*channel);
}

void ConnectionProtocol::OnData(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::uint32_t recipient = 0, dataType = kExtendedDataStderr;
    ByteView data;
    if (!r.U32(recipient) || (packet.type == kMsgChannelExtendedData && !r.U32(dataType)) || !r.String(data))
        return;
    SshChannel *channel = Find(recipient);
    if (channel == nullptr || dataType != kExtendedDataStderr)
        return;
    if (data.size() > channel->localWindow) {
        // More than we allowed: the server is not keeping to the flow control this buffer relies on.
        ProtocolError("Channel data beyond the window");
        return;
    }
    channel->localWindow -= static_cast<std::uint32_t>(data.size());
    if (channel == session_ && !data.empty())
        sink_.Deliver(data);
    OpenWindow(*channel);
}

void ConnectionProtocol::OpenWindow(SshChannel &channel)
{
    if (channel.localWindow >= kChannelWindow / 2 || channel.closing)
        return;
    if (&channel == session_ && sink_.Unread() >= kMaxUnreadInput)
        return;  // re-opened by Drained once the application reads
    std::vector<std::uint8_t> adjust;
    WireWriter w(adjust, 16);
    w.U8(kMsgChannelWindowAdjust);
    w.U32(channel.remoteId);
    w.U32(kChannelWindow - channel.localWindow);
    channel.localWindow = kChannelWindow;
    link_.Send(adjust);
}

void ConnectionProtocol::Drained()
{
    if (session_ != nullptr)
        OpenWindow(*session_);
}

void ConnectionProtocol::OnClose(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::uint32_t recipient = 0;
    if (!r.U32(recipient))
        return;
    SshChannel *channel = Find(recipient);
    if (channel == nullptr || channel->halfOpen)
        return;
    if (channel == session_) {
        session_ = nullptr;
        writable_ = false;
    }
    if (!channel->closing)
        SendOnChannel(kMsgChannelClose, *channel);
    channels_.erase(recipient);
    if (!setup_.noShell && channels_.empty()) {
        step_ = Step::Done;
        result_ = Result::Ended;
        link_.Disconnect(0, {});  // "Session ended": a clean close, nothing more to say
    }
}

void ConnectionProtocol::OnChannelRequest(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::uint32_t recipient = 0;
    std::string_view name;
    bool wantReply = false;
    if (!r.U32(recipient) || !r.Text(name) || !r.Bool(wantReply)) {
        ProtocolError("Malformed channel request");
        return;
    }
    SshChannel *channel = Find(recipient);
    if (channel == nullptr) {
        ProtocolError("Channel request for unknown channel " + std::to_string(recipient));
        return;
    }
    bool understood = false;
    if (channel == session_ && name == "exit-status") {
        std::uint32_t status = 0;
        understood = r.U32(status);
        if (understood) {
            exitReceived_ = true;
            exitCode_ = static_cast<int>(status);
        }
    } else if (channel == session_ && name == "exit-signal") {
        ByteView rest;
        understood = r.Bytes(r.Remaining(), rest);
        exitReceived_ = true;
        exitCode_ = ExitCodeFromSignal(rest);
    }
    if (wantReply)
        SendOnChannel(understood ? kMsgChannelSuccess : kMsgChannelFailure, *channel);
}

void ConnectionProtocol::OnChannelOpen(const IncomingPacket &packet)
{
    WireReader r = packet.Fields();
    std::string_view type;
    std::uint32_t sender = 0, window = 0, maxPacket = 0;
    if (!r.Text(type) || !r.U32(sender) || !r.U32(window) || !r.U32(maxPacket)) {
        ProtocolError("Malformed channel open");
        return;
    }
    // This client never asks for X11 or remote port forwarding, so every open is refused.
    const std::string_view why = type == "x11"               ? "X11 forwarding not available"
                                 : type == "forwarded-tcpip" ? "Port forwarding not requested"
                                                             : "Channel type not supported";
    std::vector<std::uint8_t> refusal;
    WireWriter w(refusal, kControlMessage);
    w.U8(kMsgChannelOpenFailure);
    w.U32(sender);
    w.U32(kOpenAdministrativelyProhibited);
    w.String(why);
    w.String(std::string_view("en"));
    if (w.Ok())
        link_.Send(refusal);
}

bool ConnectionProtocol::Write(ByteView bytes, std::size_t &buffered)
{
    buffered = 0;
    SshChannel *channel = session_ != nullptr ? session_ : (step_ == Step::OpenSent ? &pending_ : nullptr);
    const bool settingUp = result_ == Result::Waiting;
    if (channel == nullptr || (!settingUp && !writable_)) {
        SetErrorCode(qsErrorNotConnected);
        return false;
    }
    if (channel->output.size() + bytes.size() > kMaxChannelOutput) {
        buffered = channel->output.size();
        SetErrorCode(qsErrorOutOfBuffers);
        return false;
    }
    channel->output.insert(channel->output.end(), bytes.begin(), bytes.end());
    SendOutput(*channel);
    buffered = channel->output.size();
    return true;
}

void ConnectionProtocol::SendOutput(SshChannel &channel)
{
    if (&channel != session_ || step_ != Step::Running)
        return;
    std::vector<std::uint8_t> message;
    while (!channel.output.empty() && channel.remoteWindow > 0) {
        const std::size_t n = std::min<std::size_t>(
            {channel.output.size(), channel.remoteWindow, channel.remoteMaxPacket, kMaxDataChunk});
        message.clear();
        WireWriter w(message, n + 16);
        w.U8(kMsgChannelData);
        w.U32(channel.remoteId);
        w.U32(static_cast<std::uint32_t>(n));
        message.insert(message.end(), channel.output.begin(), channel.output.begin() + static_cast<std::ptrdiff_t>(n));
        if (!w.Ok() || !link_.Send(message))
            return;
        channel.output.erase(channel.output.begin(), channel.output.begin() + static_cast<std::ptrdiff_t>(n));
        channel.remoteWindow -= static_cast<std::uint32_t>(n);
    }
    if (channel.output.empty() && eofAfterOutput_) {
        eofAfterOutput_ = false;
        SendOnChannel(kMsgChannelEof, channel);
    }
}

void ConnectionProtocol::Special(int code)
{
    if (result_ == Result::Ended || result_ == Result::Disconnected)
        return;
    switch (code) {
    case kControlBreak:
        if (session_ != nullptr)
            SendRequest("break", false, [](WireWriter &w) { w.U32(0); });
        return;
    case kControlNoOp:
    case kControlPing: {
        static constexpr std::uint8_t kEmptyIgnore[] = {kMsgIgnore, 0, 0, 0, 0};
        link_.Send(kEmptyIgnore);
        return;
    }
    case kControlEndOfFile:
        if (step_ != Step::Running) {
            eofRequested_ = true;
            return;
        }
        eofRequested_ = false;
        if (session_ != nullptr && writable_) {
            // Bytes still waiting for the window go first: the EOF follows the last of them.
            writable_ = false;
            eofAfterOutput_ = true;
            SendOutput(*session_);
        }
        return;
    case kControlRekey:
        link_.Rekey();
        return;
    default:
        if (code >= kControlSignalFirst && code <= kControlSignalLast && session_ != nullptr) {
            const std::string_view name = kSignalNames[static_cast<std::size_t>(code - kControlSignalFirst)];
            SendRequest("signal", false, [name](WireWriter &w) { w.String(name); });
        }
        return;
    }
}

bool ConnectionProtocol::SendRequest(std::string_view name, bool wantReply,
                                     const std::function<void(WireWriter &)> &fields)
{
    if (session_ == nullptr)
        return false;
    std::vector<std::uint8_t> request;
    WireWriter w(request, kControlMessage + setup_.command.size());
    w.U8(kMsgChannelRequest);
    w.U32(session_->remoteId);
    w.String(name);
    w.Bool(wantReply);
    if (fields)
        fields(w);
    return w.Ok() && link_.Send(request);
}

bool ConnectionProtocol::SendOnChannel(std::uint8_t type, const SshChannel &channel)
{
    std::vector<std::uint8_t> message;
    WireWriter w(message, 16);
    w.U8(type);
    w.U32(channel.remoteId);
    return w.Ok() && link_.Send(message);
}

std::uint32_t ConnectionProtocol::LowestFreeId() const
{
    std::uint32_t id = kFirstLocalChannel;
    for (const auto &[localId, channel] : channels_) {
        if (localId != id)
            break;
        ++id;
    }
    return id;
}

SshChannel *ConnectionProtocol::Find(std::uint32_t localId)
{
    const auto it = channels_.find(localId);
    return it != channels_.end() ? &it->second : nullptr;
}

int ConnectionProtocol::ExitCode(bool connectionOpen) const
{
    if (connectionOpen)
        return -1;
    if (exitReceived_)
        return exitCode_;
    return result_ == Result::Ended ? 0 : kNoExitStatus;
}

ConnectionProtocol::Result ConnectionProtocol::Stop()
{
    step_ = Step::Idle;
    return result_ = Result::Stopped;
}

void ConnectionProtocol::ProtocolError(std::string_view message)
{
    link_.Disconnect(kDisconnectProtocolError, message);
    error_ = MakeErrorCode(qsErrorInvalidServerResponse);
    SetErrorCode(error_);
    step_ = Step::Done;
    writable_ = false;
    result_ = Result::Disconnected;
}

}  // namespace qs::ssh
