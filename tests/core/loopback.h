// Loopback helpers on plain POSIX sockets, kept out of the files that include the socket library's
// header (whose constants share the C library's macro names).
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace qs::test {

// A TCP port of 127.0.0.1 where nothing listens (taken from the kernel and given back).
int UnusedTcpPort();

// A UDP peer on 127.0.0.1: waits for one datagram, then for `ready` (when given), then sends its
// datagrams back to the sender, in order.
class ScriptedUdpPeer {
  public:
    explicit ScriptedUdpPeer(std::vector<std::string> datagrams, const std::atomic<bool> *ready = nullptr);
    ~ScriptedUdpPeer();
    int port() const;
    // The datagram received (valid once the peer's work is done, after the query returned).
    std::string query();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qs::test
