#include "tests/core/raw_tcp.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace qs::test {

std::string RawTcpExchange(int port, const std::string &request, std::size_t limit)
{
    std::string data;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::send(fd, request.data(), request.size(), 0) != static_cast<ssize_t>(request.size())) {
        ::close(fd);
        return data;
    }
    char buffer[4096];
    while (data.size() < limit) {
        ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, limit - data.size()), 0);
        if (n <= 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

}  // namespace qs::test
