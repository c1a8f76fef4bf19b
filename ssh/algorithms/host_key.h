// Server host keys: the "ssh-rsa" and "ssh-dss" descriptors (in offer order) and the key objects made
// from a public-key blob.
#pragma once
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// Moduli (RSA) and primes (DSA) outside this range are refused as malformed.
inline constexpr int kMinHostKeyBits = 512;
inline constexpr int kMaxHostKeyBits = 16384;

class HostKey {
public:
    virtual ~HostKey() = default;
    HostKey(const HostKey &) = delete;
    HostKey &operator=(const HostKey &) = delete;

    // Checks `signature` (a signature blob as the server sends it) over `data`. False sets
    // qsErrorSecurityCertificate for a wrong signature or qsErrorInvalidServerResponse for a malformed blob.
    [[nodiscard]] virtual bool Verify(ByteView signature, ByteView data) const = 0;

    // "ssh-rsa 2048 " or "ssh-dss 1024 " and the MD5 of the key blob as colon-separated lowercase hex pairs.
    const std::string &Fingerprint() const { return fingerprint_; }
    // Bits of the RSA modulus or of the DSA prime p.
    int Bits() const { return bits_; }

protected:
    HostKey(std::string fingerprint, int bits) : fingerprint_(std::move(fingerprint)), bits_(bits) {}

private:
    std::string fingerprint_;
    int bits_;
};

struct SshHostKey {
    std::string_view name;     // wire name
    std::string_view keyType;  // "rsa", "dsa"
    // Parses the whole blob (trailing bytes are malformed); null with qsErrorInvalidServerResponse set.
    std::unique_ptr<HostKey> (*create)(ByteView blob);
};

std::span<const SshHostKey> HostKeyTable();
const SshHostKey *FindHostKey(std::string_view name);

}  // namespace qs::ssh
