// A byte buffer for secrets (shared secrets, key material): wiped when it is cleared or destroyed.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include <openssl/crypto.h>

namespace qs::ssh {

class SecureBytes {
public:
    SecureBytes() = default;
    explicit SecureBytes(std::size_t size) : bytes_(size) {}
    SecureBytes(const SecureBytes &) = delete;
    SecureBytes &operator=(const SecureBytes &) = delete;
    ~SecureBytes() { Clear(); }

    void Clear()
    {
        if (!bytes_.empty())
            OPENSSL_cleanse(bytes_.data(), bytes_.size());
        bytes_.clear();
    }
    // Wipes the old contents before taking the new size.
    void Resize(std::size_t size)
    {
        Clear();
        bytes_.resize(size);
    }
    std::uint8_t *data() { return bytes_.data(); }
    const std::uint8_t *data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    std::span<const std::uint8_t> View() const { return bytes_; }
    std::span<std::uint8_t> Span() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace qs::ssh
