#include "tests/core/loopback.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace qs::test {
namespace {

constexpr std::size_t kDatagramCap = 512;

int BoundSocket(int type, int *port)
{
    int fd = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

int UnusedTcpPort()
{
    int port = 0;
    ::close(BoundSocket(SOCK_STREAM, &port));
    return port;
}

struct ScriptedUdpPeer::State {
    int fd = -1;
    int port = 0;
    std::string query;
    std::thread thread;
};

ScriptedUdpPeer::ScriptedUdpPeer(std::vector<std::string> datagrams, const std::atomic<bool> *ready)
    : state_(std::make_unique<State>())
{
    state_->fd = BoundSocket(SOCK_DGRAM, &state_->port);
    state_->thread = std::thread([state = state_.get(), datagrams = std::move(datagrams), ready] {
        char query[kDatagramCap];
        sockaddr_in client{};
        socklen_t length = sizeof client;
        ssize_t n = ::recvfrom(state->fd, query, sizeof query, 0, reinterpret_cast<sockaddr *>(&client), &length);
        state->query.assign(query, n > 0 ? static_cast<std::size_t>(n) : 0);
        while (ready != nullptr && !ready->load())
            std::this_thread::yield();
        for (const std::string &d : datagrams)
            ::sendto(state->fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr *>(&client), length);
    });
}

ScriptedUdpPeer::~ScriptedUdpPeer()
{
    if (state_->thread.joinable())
        state_->thread.join();
    ::close(state_->fd);
}

int ScriptedUdpPeer::port() const { return state_->port; }

std::string ScriptedUdpPeer::query()
{
    if (state_->thread.joinable())
        state_->thread.join();
    return state_->query;
}

}  // namespace qs::test
