// Diffie-Hellman over a fixed MODP group or a group the server chose (group exchange).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "ssh/algorithms/secure_bytes.h"
#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// Server groups outside this size are refused (RFC 4419 asks for 1024 to 8192 bits).
inline constexpr int kMinDhPrimeBits = 1024;
inline constexpr int kMaxDhPrimeBits = 8192;
// Random draws of the private value before giving up; a sane group needs one.
inline constexpr int kMaxPrivateDraws = 64;

enum class DhFixedGroup {
    Group1,   // the 1024-bit MODP prime of RFC 2409 (Oakley group 2), generator 2
    Group14,  // the 2048-bit MODP prime of RFC 3526, generator 2
};

class DiffieHellman {
public:
    // Null (qsErrorInvalidServerResponse) unless p is odd and within the size bounds and 1 < g < p - 1.
    static std::unique_ptr<DiffieHellman> Create(ByteView prime, ByteView generator);
    static std::unique_ptr<DiffieHellman> Create(DhFixedGroup group);
    ~DiffieHellman();
    DiffieHellman(const DiffieHellman &) = delete;
    DiffieHellman &operator=(const DiffieHellman &) = delete;

    // Draws the secret x with 1 < x < q = (p - 1) / 2: 2 * groupBits random bits, or random values below q
    // when q is shorter. Returns e = g^x mod p as a big-endian magnitude.
    [[nodiscard]] bool GenerateKey(int groupBits, std::vector<std::uint8_t> &e);
    // K = f^x mod p after checking 1 < f < p - 1 (qsErrorInvalidServerResponse); x is wiped afterwards.
    [[nodiscard]] bool ComputeSecret(ByteView f, SecureBytes &k);

    int PrimeBits() const;

private:
    struct State;
    explicit DiffieHellman(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

}  // namespace qs::ssh
