// The SSH-2 connection protocol (RFC 4254) after the login: one session channel with an optional
// pseudo-terminal and either a command or a shell, the application's bytes both ways under window flow
// control, control codes, the command's exit status or signal, and the end of the connection when the
// last channel closes. What the server asks of the client (channel opens, global requests, requests this
// client does not know) is refused. Driven like the authentication: Start once the login succeeded, then
// Handle for every message the transport hands up.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "core/error/error_codes.h"
#include "ssh/engine/messages.h"
#include "ssh/engine/service_link.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {

inline constexpr std::uint32_t kFirstLocalChannel = 256;
inline constexpr std::uint32_t kChannelWindow = 16384;
inline constexpr std::uint32_t kChannelMaxPacket = 16384;
// A DATA message never carries more, whatever the server allows: our packets stay below 35000 bytes.
inline constexpr std::uint32_t kMaxDataChunk = 32768;
// Bytes written before the session runs, or beyond the server's window, wait up to this much; more is
// refused (qsErrorOutOfBuffers) rather than held without bound.
inline constexpr std::size_t kMaxChannelOutput = 1u << 20;
// While the application's read buffer holds this much, the window is not re-opened: the server waits
// until the application reads (Drained), instead of the buffer growing without bound.
inline constexpr std::size_t kMaxUnreadInput = 1u << 20;
inline constexpr int kTerminalSpeed = 38400;
inline constexpr std::size_t kMaxTerminalType = 31;
// The exit code when the connection ended in any other way than by the last channel closing.
inline constexpr int kNoExitStatus = 2147483647;

enum ControlCode {
    kControlBreak = 1,
    kControlNoOp = 2,
    kControlEndOfFile = 3,
    kControlPing = 4,
    kControlRekey = 5,
    kControlSignalFirst = 6,  // 6 ABRT to 18 USR2
    kControlSignalLast = 18,
};

struct SessionSetup {
    bool noShell = false;  // open no channel at all
    bool noPty = false;    // also implied by a command
    std::string command;   // empty: a shell
    std::string terminalType = "unknown";
    std::uint32_t columns = 80;
    std::uint32_t rows = 25;
};

// Where the session channel's data go: standard output and standard error alike, in arrival order.
class ChannelSink {
public:
    virtual void Deliver(ByteView bytes) = 0;
    // Bytes delivered that the application has not read yet.
    virtual std::size_t Unread() const = 0;

protected:
    ~ChannelSink() = default;
};

struct SshChannel {
    std::uint32_t localId = 0;
    std::uint32_t remoteId = 0;
    bool halfOpen = true;
    bool closing = false;
    std::deque<std::uint8_t> output;
    std::uint32_t remoteWindow = 0;
    std::uint32_t remoteMaxPacket = 0;
    std::uint32_t localWindow = kChannelWindow;
};

class ConnectionProtocol {
public:
    enum class Result {
        Waiting,       // the session is being set up
        Running,       // the command or shell runs (or, with no shell, the login is all there is)
        Stopped,       // the server refused the channel, the command or the shell; nothing more is sent
        Ended,         // the last channel closed and the connection was closed cleanly
        Disconnected,  // we ended the connection with a protocol error; Error() says which
    };

    ConnectionProtocol(ServiceLink &link, ChannelSink &sink, const SessionSetup &setup);

    Result Start();
    Result Handle(const IncomingPacket &packet);
    // Queues the application's bytes on the session channel and sends what the window allows; `buffered`
    // is what still waits. Bytes written while the session is still being set up go out once it runs.
    // False (qsErrorNotConnected) once nothing written can reach the command any more, or
    // (qsErrorOutOfBuffers) when the waiting bytes would pass kMaxChannelOutput.
    bool Write(ByteView bytes, std::size_t &buffered);
    // A control code; unknown codes do nothing.
    void Special(int code);
    // The application has read from its buffer: the window may open again.
    void Drained();

    bool Writable() const { return writable_; }
    // -1 while the connection is open; afterwards the command's exit code, 0 when the last channel
    // closed without one, kNoExitStatus when the connection ended otherwise.
    int ExitCode(bool connectionOpen) const;
    ErrorCode Error() const { return error_; }
    Result State() const { return result_; }

private:
    enum class Step { Idle, OpenSent, PtySent, CommandSent, Running, Done };

    Result OnSetup(const IncomingPacket &packet);
    bool OnConfirmation(const IncomingPacket &packet);
    Result RequestTerminal();
    Result RequestCommand();
    void Begin();
    bool ChannelHandlersOn() const { return session_ != nullptr || step_ == Step::Running; }

    void OnGlobalRequest(const IncomingPacket &packet);
    void OnWindowAdjust(const IncomingPacket &packet);
    void OnData(const IncomingPacket &packet);
    void OnClose(const IncomingPacket &packet);
    void OnChannelRequest(const IncomingPacket &packet);
    void OnChannelOpen(const IncomingPacket &packet);

    bool SendRequest(std::string_view name, bool wantReply, const std::function<void(WireWriter &)> &fields);
    bool SendOnChannel(std::uint8_t type, const SshChannel &channel);
    void SendOutput(SshChannel &channel);
    void OpenWindow(SshChannel &channel);
    std::uint32_t LowestFreeId() const;
    SshChannel *Find(std::uint32_t localId);
    Result Stop();
    void ProtocolError(std::string_view message);

    ServiceLink &link_;
    ChannelSink &sink_;
    SessionSetup setup_;
    std::map<std::uint32_t, SshChannel> channels_;
    SshChannel *session_ = nullptr;
    SshChannel pending_;  // the session channel until the server confirms it
    Step step_ = Step::Idle;
    Result result_ = Result::Waiting;
    bool writable_ = false;
    bool eofRequested_ = false;
    bool eofAfterOutput_ = false;  // EOF asked for while bytes still wait for the window
    bool exitReceived_ = false;
    int exitCode_ = 0;
    ErrorCode error_ = 0;
};

}  // namespace qs::ssh
