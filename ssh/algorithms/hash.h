// The hashes of the key exchange (exchange hash, key derivation) and the host-key fingerprint.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

inline constexpr std::uint32_t kMaxHashBytes = 32;

struct SshHash {
    std::string_view displayName;
    std::uint32_t hashLen;
    const char *digest;  // the OpenSSL digest name
};

inline constexpr SshHash kSha1{"SHA-1", 20, "SHA1"};
inline constexpr SshHash kSha256{"SHA-256", 32, "SHA256"};
inline constexpr SshHash kMd5{"MD5", 16, "MD5"};

class HashContext {
public:
    // Null (with the error set) when the digest is not available.
    static std::unique_ptr<HashContext> Create(const SshHash &hash);
    ~HashContext();
    HashContext(const HashContext &) = delete;
    HashContext &operator=(const HashContext &) = delete;

    [[nodiscard]] bool Update(ByteView bytes);
    // Writes hashLen bytes to `out` (which must hold them); the context starts over afterwards.
    [[nodiscard]] bool Finish(std::span<std::uint8_t> out);
    const SshHash &Descriptor() const { return hash_; }

private:
    struct State;
    HashContext(const SshHash &hash, std::unique_ptr<State> state);

    const SshHash &hash_;
    std::unique_ptr<State> state_;
};

}  // namespace qs::ssh
