// The local test servers' ports (tests/peers/ports.sh); tests skip when they are not running.
#pragma once
#include <cstdlib>

namespace qs::test {

inline int PeerPort(const char *variable)
{
    const char *value = std::getenv(variable);
    return value != nullptr ? std::atoi(value) : 0;
}

#define QS_REQUIRE_PEER(port, variable)                                          \
    const int port = ::qs::test::PeerPort(variable);                             \
    if (port == 0)                                                               \
        GTEST_SKIP() << variable " is not set: the local test servers are not running"

}  // namespace qs::test
