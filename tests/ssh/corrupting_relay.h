// A TCP relay on 127.0.0.1 between one client and an SSH server that flips one bit of the server's first
// encrypted packet (the byte `offset` bytes after the server's plaintext NEWKEYS). Plain POSIX sockets,
// kept out of the files that include the socket library's header.
#pragma once
#include <cstddef>
#include <memory>

namespace qs::test {

class CorruptingRelay {
public:
    CorruptingRelay(int serverPort, std::size_t offset);
    ~CorruptingRelay();
    int port() const;
    // True once the bit was flipped.
    bool flipped() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qs::test
