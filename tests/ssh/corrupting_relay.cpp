#include "tests/ssh/corrupting_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace qs::test {

namespace {

constexpr int kPollMs = 100;
constexpr auto kMaxLife = std::chrono::seconds(20);  // the relay ends by itself
constexpr std::uint8_t kNewKeys = 21;

// Follows the server's plaintext stream up to NEWKEYS (identification line, then length-framed packets).
class ServerStream {
public:
    explicit ServerStream(std::size_t offset) : offset_(offset) {}
    // Flips the chosen byte when it passes; true when it did.
    bool Pass(std::uint8_t *data, std::size_t size)
    {
        bool flippedNow = false;
        for (std::size_t i = 0; i < size; ++i) {
            const std::uint8_t b = data[i];
            if (!lineDone_) {
                lineDone_ = b == '\n';
                continue;
            }
            if (afterNewKeys_) {
                if (seen_++ == offset_) {
                    data[i] ^= 0x01;
                    flippedNow = true;
                }
                continue;
            }
            if (header_ < 4) {
                remaining_ = (remaining_ << 8) | b;
                if (++header_ == 4)
                    position_ = 0;
                continue;
            }
            if (position_ == 1)
                type_ = b;
            ++position_;
            if (--remaining_ == 0) {
                header_ = 0;
                afterNewKeys_ = type_ == kNewKeys;
            }
        }
        return flippedNow;
    }

private:
    std::size_t offset_;
    bool lineDone_ = false;
    bool afterNewKeys_ = false;
    int header_ = 0;
    std::uint32_t remaining_ = 0;
    std::uint32_t position_ = 0;
    std::uint8_t type_ = 0;
    std::size_t seen_ = 0;
};

int Listen(int &port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(fd, 1) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        return -1;
    port = ntohs(a.sin_port);
    return fd;
}

int ConnectTo(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0)
        return fd;
    if (fd >= 0)
        close(fd);
    return -1;
}

}  // namespace

struct CorruptingRelay::State {
    int listenFd = -1;
    int port = 0;
    std::atomic<bool> stop{false};
    std::atomic<bool> flipped{false};
    std::thread thread;
};

CorruptingRelay::CorruptingRelay(int serverPort, std::size_t offset) : state_(std::make_unique<State>())
{
    state_->listenFd = Listen(state_->port);
    State *s = state_.get();
    s->thread = std::thread([s, serverPort, offset] {
        const auto end = std::chrono::steady_clock::now() + kMaxLife;
        pollfd waitAccept{s->listenFd, POLLIN, 0};
        while (!s->stop && std::chrono::steady_clock::now() < end && poll(&waitAccept, 1, kPollMs) == 0) {
        }
        if (s->stop || !(waitAccept.revents & POLLIN))
            return;
        const int client = accept(s->listenFd, nullptr, nullptr);
        const int server = ConnectTo(serverPort);
        ServerStream stream(offset);
        std::vector<std::uint8_t> buffer(65536);
        while (client >= 0 && server >= 0 && !s->stop && std::chrono::steady_clock::now() < end) {
            pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (poll(fds, 2, kPollMs) <= 0)
                continue;
            const bool fromServer = (fds[1].revents & (POLLIN | POLLHUP)) != 0;
            const int from = fromServer ? server : client;
            const int to = fromServer ? client : server;
            const ssize_t n = read(from, buffer.data(), buffer.size());
            if (n <= 0)
                break;
            if (fromServer && stream.Pass(buffer.data(), static_cast<std::size_t>(n)))
                s->flipped = true;
            if (write(to, buffer.data(), static_cast<std::size_t>(n)) != n)
                break;
        }
        if (client >= 0)
            close(client);
        if (server >= 0)
            close(server);
    });
}

CorruptingRelay::~CorruptingRelay()
{
    state_->stop = true;
    state_->thread.join();
    if (state_->listenFd >= 0)
        close(state_->listenFd);
}

int CorruptingRelay::port() const
{
    return state_->port;
}

bool CorruptingRelay::flipped() const
{
    return state_->flipped;
}

}  // namespace qs::test
