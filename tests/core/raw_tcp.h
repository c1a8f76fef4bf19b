// A reference reader on plain POSIX sockets, for comparing what a client library received with what
// the same server sends to a client that does nothing but read.
#pragma once
#include <cstddef>
#include <string>

namespace qs::test {

// Connects to 127.0.0.1:`port`, sends `request`, and reads until the server closes or `limit` bytes
// came. Empty when the connection fails.
std::string RawTcpExchange(int port, const std::string &request, std::size_t limit);

}  // namespace qs::test
