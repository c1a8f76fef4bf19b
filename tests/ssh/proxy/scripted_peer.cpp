#include "tests/ssh/proxy/scripted_peer.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace qs::test {
namespace {

constexpr int kPollSliceMs = 50;
constexpr std::size_t kRelayChunk = 16384;

}  // namespace

bool PeerConnection::Readable(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    while (!shared_.stop.load()) {
        if (::poll(&entry, 1, kPollSliceMs) > 0)
            return true;
    }
    return false;
}

void PeerConnection::Pause(int ms)
{
    for (int waited = 0; waited < ms && !shared_.stop.load(); waited += kPollSliceMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kPollSliceMs, ms - waited)));
}

void PeerConnection::Record(std::string_view text)
{
    std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.recorded += text;
}

std::string PeerConnection::ReadUntil(std::string_view end, std::size_t cap)
{
    std::string data;
    char c;
    while (data.size() < cap && Readable(fd_) && ::recv(fd_, &c, 1, 0) == 1) {
        data += c;
        if (data.size() >= end.size() && data.compare(data.size() - end.size(), end.size(), end) == 0)
            break;
    }
    return data;
}

bool PeerConnection::Send(std::string_view bytes)
{
    pollfd entry{fd_, POLLOUT, 0};
    while (!bytes.empty() && !shared_.stop.load()) {
        if (::poll(&entry, 1, kPollSliceMs) <= 0)
            continue;
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return bytes.empty();
}

void PeerConnection::WaitForClose()
{
    char buffer[512];
    while (Readable(fd_) && ::recv(fd_, buffer, sizeof buffer, 0) > 0) {
    }
}

void PeerConnection::RelayTo(int port)
{
    int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(upstream, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(upstream);
        return;
    }
    pollfd entries[2] = {{fd_, POLLIN, 0}, {upstream, POLLIN, 0}};
    char buffer[kRelayChunk];
    bool open = true;
    while (open && !shared_.stop.load()) {
        if (::poll(entries, 2, kPollSliceMs) <= 0)
            continue;
        for (int i = 0; i < 2 && open; ++i) {
            if (entries[i].revents == 0)
                continue;
            ssize_t n = ::recv(entries[i].fd, buffer, sizeof buffer, 0);
            open = n > 0 && ::send(entries[1 - i].fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) == n;
        }
    }
    ::close(upstream);
}

struct ScriptedPeer::State {
    int listener = -1;
    int port = 0;
    PeerShared shared;
    std::atomic<int> accepted{0};
    std::thread thread;
};

ScriptedPeer::ScriptedPeer(Script script) : state_(std::make_unique<State>())
{
    state_->listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(state_->listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(state_->listener, 4);
    ::getsockname(state_->listener, reinterpret_cast<sockaddr *>(&address), &length);
    state_->port = ntohs(address.sin_port);
    state_->thread = std::thread([state = state_.get(), script = std::move(script)] {
        pollfd entry{state->listener, POLLIN, 0};
        while (!state->shared.stop.load()) {
            if (::poll(&entry, 1, kPollSliceMs) <= 0)
                continue;
            int fd = ::accept(state->listener, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++state->accepted;
            PeerConnection connection(fd, state->shared);
            script(connection);
            ::close(fd);
            return;
        }
    });
}

ScriptedPeer::~ScriptedPeer()
{
    state_->shared.stop = true;
    state_->thread.join();
    ::close(state_->listener);
}

int ScriptedPeer::port() const { return state_->port; }
int ScriptedPeer::accepted() const { return state_->accepted.load(); }

std::string ScriptedPeer::recorded()
{
    std::lock_guard<std::mutex> lock(state_->shared.mutex);
    return state_->shared.recorded;
}

std::string OwnInterfaceAddress()
{
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return "";
    std::string found;
    for (ifaddrs *entry = list; entry != nullptr && found.empty(); entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const in_addr address = reinterpret_cast<sockaddr_in *>(entry->ifa_addr)->sin_addr;
        if (ntohl(address.s_addr) >> 24 == 127)
            continue;
        char text[INET_ADDRSTRLEN];
        found = ::inet_ntop(AF_INET, &address, text, sizeof text) != nullptr ? text : "";
    }
    ::freeifaddrs(list);
    return found;
}

}  // namespace qs::test
