// Scripted peers for the proxy tests, on plain POSIX sockets (kept apart from the files that include the
// socket library's header, whose constants share the C library's macro names). A peer listens on
// 127.0.0.1, accepts one connection and runs its script on it in a thread of its own; every wait in it
// also ends when the peer is destroyed, so no script outlives its test.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace qs::test {

// What a peer's thread and its test share: the stop request and what the script recorded.
struct PeerShared {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::string recorded;
};

class PeerConnection {
public:
    PeerConnection(int fd, PeerShared &shared) : fd_(fd), shared_(shared) {}

    // Reads up to and including `end`; what came when the connection ended or `cap` bytes passed.
    std::string ReadUntil(std::string_view end, std::size_t cap = 65536);
    bool Send(std::string_view bytes);
    // Waits until the client closes the connection, dropping what it sends.
    void WaitForClose();
    // Connects to 127.0.0.1:`port` and copies bytes both ways until either side closes.
    void RelayTo(int port);
    // Waits `ms` milliseconds, or less when the peer is stopping.
    void Pause(int ms);
    // Keeps `text` for the test to check (ScriptedPeer::recorded).
    void Record(std::string_view text);

private:
    // Waits for `fd` to be readable: false when the peer is stopping.
    bool Readable(int fd);

    int fd_;
    PeerShared &shared_;
};

class ScriptedPeer {
public:
    using Script = std::function<void(PeerConnection &)>;
    explicit ScriptedPeer(Script script);
    ~ScriptedPeer();

    int port() const;
    // Connections accepted so far (the peer takes one).
    int accepted() const;
    // What the script recorded (read once the client is done).
    std::string recorded();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// An IPv4 address of one of this computer's interfaces other than loopback, or "" when it has none.
std::string OwnInterfaceAddress();

}  // namespace qs::test
