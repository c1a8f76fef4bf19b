// A DNS server on a loopback address whose answers the test writes: each query it receives goes to the
// script, which returns the datagrams to send back, from the server's own socket or from a forger's
// socket on another port of the same address.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qs::test {

struct Datagram {
    std::vector<std::uint8_t> bytes;
    bool forged = false;   // sent from the forger's socket
    int delayMs = 0;       // waited before sending
};

struct Question {
    std::uint16_t id = 0;
    std::string name;
    std::uint16_t type = 0;
};

class ScriptedDnsServer {
  public:
    using Script = std::function<std::vector<Datagram>(const Question &question)>;

    ScriptedDnsServer(const char *address, Script script);
    ~ScriptedDnsServer();
    ScriptedDnsServer(const ScriptedDnsServer &) = delete;
    ScriptedDnsServer &operator=(const ScriptedDnsServer &) = delete;

    int port() const { return port_; }
    // Every question received so far, in order.
    std::vector<Question> questions();

  private:
    void Serve();

    Script script_;
    int fd_ = -1;
    int forger_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Question> questions_;
    std::thread thread_;
};

// Scripts answering every query alike: a reply without records and with these flags, an authoritative
// answer with this address, or nothing at all.
ScriptedDnsServer::Script RepliesWith(std::uint16_t flags);
ScriptedDnsServer::Script AnswersWith(std::uint32_t address);
ScriptedDnsServer::Script Silent();

// A reply to `question` with its ID, the given flags and the question repeated, without records.
std::vector<std::uint8_t> ReplyTo(const Question &question, std::uint16_t flags = 0x8580);
// An authoritative answer with one A record for the question's name; `address` as a number
// (0x7F000001 is 127.0.0.1).
std::vector<std::uint8_t> AddressReply(const Question &question, std::uint32_t address);

}  // namespace qs::test
