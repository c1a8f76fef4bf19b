// The other end of the tests' connections, on plain POSIX sockets (kept apart from the platform's
// headers, whose constant names the POSIX headers define as macros). Loopback only.
#pragma once
#include <cstddef>
#include <string>

namespace peer {

// A TCP listener on 127.0.0.1; `port` receives its port.
int Listen(int *port, int backlog = 16);
int Accept(int listener);
// A blocking TCP connection to 127.0.0.1:port.
int Connect(int port);
// A port on 127.0.0.1 that nothing listens on (bound, then released).
int ClosedPort();
// A UDP socket bound on 127.0.0.1.
int Udp(int *port);
void SendAll(int fd, const std::string &data);
void SendTo(int fd, int port, const std::string &data);
std::string RecvSome(int fd, std::size_t max);
// Reads until the peer closes or `max` bytes arrived.
std::string RecvAll(int fd, std::size_t max);
void Close(int fd);
// Closes with a reset instead of a graceful end.
void Reset(int fd);
// Shrinks the receive buffer so that a sender's buffer fills quickly.
void SmallReceiveBuffer(int fd);

}  // namespace peer
