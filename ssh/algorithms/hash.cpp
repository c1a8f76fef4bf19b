#include "ssh/algorithms/hash.h"

#include "core/error/last_error.h"
#include "ssh/algorithms/crypto_library.h"
#include "ssh/algorithms/openssl_ptr.h"

namespace qs::ssh {

struct HashContext::State {
    EvpMdPtr digest;
    EvpMdCtxPtr context;
};

HashContext::HashContext(const SshHash &hash, std::unique_ptr<State> state) : hash_(hash), state_(std::move(state)) {}

HashContext::~HashContext() = default;

std::unique_ptr<HashContext> HashContext::Create(const SshHash &hash)
{
    auto state = std::make_unique<State>();
    state->digest.reset(EVP_MD_fetch(CryptoLibrary(), hash.digest, nullptr));
    state->context.reset(EVP_MD_CTX_new());
    if (!state->digest || !state->context || EVP_DigestInit_ex2(state->context.get(), state->digest.get(), nullptr) != 1 ||
        EVP_MD_get_size(state->digest.get()) != static_cast<int>(hash.hashLen)) {
        SetErrorCode(qsErrorSecurityNotInitialized);
        return nullptr;
    }
    return std::unique_ptr<HashContext>(new HashContext(hash, std::move(state)));
}

bool HashContext::Update(ByteView bytes)
{
    if (EVP_DigestUpdate(state_->context.get(), bytes.data(), bytes.size()) != 1) {
        SetErrorCode(qsErrorSecurityNotInitialized);
        return false;
    }
    return true;
}

bool HashContext::Finish(std::span<std::uint8_t> out)
{
    unsigned int length = 0;
    if (out.size() < hash_.hashLen || EVP_DigestFinal_ex(state_->context.get(), out.data(), &length) != 1 ||
        EVP_DigestInit_ex2(state_->context.get(), nullptr, nullptr) != 1) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    return true;
}

}  // namespace qs::ssh
