// The SSH-2 ciphers: a constant table of descriptors in offer order, and the cipher objects made from them.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

// The cipher lists, offered in the order AES, Blowfish, triple DES, Arcfour, (single DES).
enum class CipherList : int { TripleDes = 1, Blowfish = 2, Aes = 3, SingleDes = 4, Arcfour = 5 };

enum class CipherMode : std::uint8_t {
    Cbc,      // the OpenSSL cipher in CBC mode, chained across packets
    Counter,  // SDCTR: the block function over a big-endian counter (RFC 4344)
    Stream,   // RC4 with the first 1536 keystream bytes discarded (RFC 4345)
};

inline constexpr std::uint32_t kCipherFlagCbc = 0x1;
// The largest block of any cipher here: the IV and counter length.
inline constexpr std::uint32_t kMaxCipherBlock = 16;

struct SshCipher {
    CipherList list;
    std::string_view wireName;
    std::string_view displayName;
    std::uint32_t blockSize;
    std::uint32_t keyBits;   // the strength reported to the application
    std::uint32_t keyBytes;  // key material taken from the derived key (triple DES 24 and DES 8, with parity bits)
    std::uint32_t flags;
    CipherMode mode;
    // The OpenSSL cipher. Under counter mode either OpenSSL's own CTR (AES: its 128-bit counter carries
    // through the whole block, as SDCTR wants) or the ECB block function our counter mode runs on.
    const char *primitive;
};

// Every row, grouped by list in offer order.
std::span<const SshCipher> CipherTable();
// The rows of one list, in offer order.
std::span<const SshCipher> CiphersOfList(CipherList list);
const SshCipher *FindCipher(std::string_view wireName);

enum class CipherDirection { Encrypt, Decrypt };

// One direction of one connection. Key and IV are set once after creation (in either order) before
// the first Process; a CBC or counter state then runs on across packets.
class CipherContext {
public:
    explicit CipherContext(const SshCipher &cipher) : cipher_(cipher) {}
    virtual ~CipherContext() = default;
    CipherContext(const CipherContext &) = delete;
    CipherContext &operator=(const CipherContext &) = delete;

    // Uses the first keyBytes bytes of `key`; a shorter key fails.
    [[nodiscard]] virtual bool SetKey(ByteView key) = 0;
    // Uses the first blockSize bytes of `iv`; ignored by stream ciphers.
    [[nodiscard]] virtual bool SetIv(ByteView iv) = 0;
    // Encrypts or decrypts whole blocks in place; a partial block fails and leaves `data` as it was.
    [[nodiscard]] virtual bool Process(std::span<std::uint8_t> data) = 0;

    const SshCipher &Descriptor() const { return cipher_; }

protected:
    // Sets the error for a length that is not a whole number of blocks.
    bool CheckWholeBlocks(std::size_t length) const;

    const SshCipher &cipher_;
};

// Null (with the error set) when the primitive is not available.
std::unique_ptr<CipherContext> CreateCipher(const SshCipher &cipher, CipherDirection direction);

}  // namespace qs::ssh
