// SDCTR (RFC 4344): each keystream block is the block cipher applied to a big-endian counter that
// starts at the IV and is incremented by one after each block, with the carry running through the
// whole block. Encryption and decryption are the same XOR.
#include <algorithm>
#include <array>

#include <openssl/crypto.h>

#include "core/error/last_error.h"
#include "ssh/algorithms/cipher_backends.h"
#include "ssh/algorithms/crypto_library.h"
#include "ssh/algorithms/openssl_ptr.h"

namespace qs::ssh {
namespace {

// Keystream made per block-function call: several blocks at once let OpenSSL pipeline them.
constexpr std::size_t kKeystreamChunk = 2048;

class CounterCipher final : public CipherContext {
public:
    CounterCipher(const SshCipher &cipher, EvpCipherPtr primitive, EvpCipherCtxPtr context)
        : CipherContext(cipher), primitive_(std::move(primitive)), context_(std::move(context))
    {
    }
    ~CounterCipher() override
    {
        OPENSSL_cleanse(keystream_.data(), keystream_.size());
        OPENSSL_cleanse(counter_.data(), counter_.size());
    }

    bool SetKey(ByteView key) override
    {
        if (key.size() < cipher_.keyBytes || EVP_EncryptInit_ex2(context_.get(), nullptr, key.data(), nullptr, nullptr) != 1)
            return Fail(qsErrorInvalidParameter);
        keySet_ = true;
        return true;
    }

    bool SetIv(ByteView iv) override
    {
        if (iv.size() < cipher_.blockSize)
            return Fail(qsErrorInvalidParameter);
        std::copy_n(iv.begin(), cipher_.blockSize, counter_.begin());
        ivSet_ = true;
        return true;
    }

    bool Process(std::span<std::uint8_t> data) override
    {
        if (!keySet_ || !ivSet_)
            return Fail(qsErrorInvalidParameter);
        if (!CheckWholeBlocks(data.size()))
            return false;
        while (!data.empty()) {
            const std::size_t chunk = std::min(data.size(), kKeystreamChunk);
            FillCounters(chunk);
            int written = 0;
            if (EVP_EncryptUpdate(context_.get(), keystream_.data(), &written, keystream_.data(), static_cast<int>(chunk)) != 1 ||
                static_cast<std::size_t>(written) != chunk)
                return Fail(qsErrorSecurityEncryption);
            for (std::size_t i = 0; i < chunk; ++i)
                data[i] ^= keystream_[i];
            data = data.subspan(chunk);
        }
        return true;
    }

private:
    // Writes the counter blocks of `length` keystream bytes and advances the counter past them. The low
    // 64 bits are counted as one integer; a carry out of them runs on through the higher bytes.
    void FillCounters(std::size_t length)
    {
        const std::size_t block = cipher_.blockSize;
        const std::size_t high = block - 8;
        std::uint64_t low = 0;
        for (std::size_t i = 0; i < 8; ++i)
            low = low << 8 | counter_[high + i];
        for (std::size_t at = 0; at < length; at += block) {
            std::uint8_t *out = keystream_.data() + at;
            std::copy_n(counter_.begin(), high, out);
            for (std::size_t i = 0; i < 8; ++i)
                out[high + i] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
            if (++low == 0) {
                for (std::size_t i = high; i-- > 0;) {
                    if (++counter_[i] != 0)
                        break;
                }
            }
        }
        for (std::size_t i = 0; i < 8; ++i)
            counter_[high + i] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
    }

    static bool Fail(ErrorCode code)
    {
        SetErrorCode(code);
        return false;
    }

    EvpCipherPtr primitive_;
    EvpCipherCtxPtr context_;
    std::array<std::uint8_t, kMaxCipherBlock> counter_{};
    std::array<std::uint8_t, kKeystreamChunk> keystream_{};
    bool keySet_ = false;
    bool ivSet_ = false;
};

static_assert(kKeystreamChunk % kMaxCipherBlock == 0 && kKeystreamChunk % 8 == 0);

}  // namespace

std::unique_ptr<CipherContext> CreateCounterCipher(const SshCipher &cipher)
{
    EvpCipherPtr primitive(EVP_CIPHER_fetch(CryptoLibrary(), cipher.primitive, nullptr));
    EvpCipherCtxPtr context(EVP_CIPHER_CTX_new());
    if (!primitive || !context || EVP_EncryptInit_ex2(context.get(), primitive.get(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(cipher.keyBytes)) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        SetErrorCode(qsErrorSecurityNotInitialized);
        return nullptr;
    }
    return std::make_unique<CounterCipher>(cipher, std::move(primitive), std::move(context));
}

}  // namespace qs::ssh
