#include "tests/platform/winsock/peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace peer {
namespace {

sockaddr_in Loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int Check(int result, const char *what)
{
    if (result < 0) {
        throw std::runtime_error(what);
    }
    return result;
}

int BoundSocket(int type, int *port)
{
    int fd = Check(socket(AF_INET, type | SOCK_CLOEXEC, 0), "socket");
    sockaddr_in a = Loopback(0);
    Check(bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)), "bind");
    socklen_t length = sizeof(a);
    Check(getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length), "getsockname");
    *port = ntohs(a.sin_port);
    return fd;
}

}  // namespace

int Listen(int *port, int backlog)
{
    int fd = BoundSocket(SOCK_STREAM, port);
    Check(listen(fd, backlog), "listen");
    return fd;
}

int Accept(int listener)
{
    return Check(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC), "accept");
}

int Connect(int port)
{
    int fd = Check(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), "socket");
    sockaddr_in a = Loopback(port);
    Check(connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)), "connect");
    return fd;
}

int ClosedPort()
{
    int port = 0;
    close(BoundSocket(SOCK_STREAM, &port));
    return port;
}

int Udp(int *port)
{
    return BoundSocket(SOCK_DGRAM, port);
}

void SendAll(int fd, const std::string &data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        done += static_cast<std::size_t>(Check(static_cast<int>(send(fd, data.data() + done, data.size() - done,
                                                                      MSG_NOSIGNAL)), "send"));
    }
}

void SendTo(int fd, int port, const std::string &data)
{
    sockaddr_in a = Loopback(port);
    Check(static_cast<int>(sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr *>(&a), sizeof(a))),
          "sendto");
}

std::string RecvSome(int fd, std::size_t max)
{
    std::string out(max, '\0');
    ssize_t n = recv(fd, out.data(), max, 0);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::string RecvAll(int fd, std::size_t max)
{
    std::string out;
    while (out.size() < max) {
        std::string part = RecvSome(fd, max - out.size());
        if (part.empty()) {
            break;
        }
        out += part;
    }
    return out;
}

void Close(int fd)
{
    close(fd);
}

void Reset(int fd)
{
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
    close(fd);
}

void SmallReceiveBuffer(int fd)
{
    int size = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
}

}  // namespace peer
