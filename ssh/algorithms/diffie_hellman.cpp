#include "ssh/algorithms/diffie_hellman.h"

#include "core/error/last_error.h"
#include "ssh/algorithms/openssl_ptr.h"
#include "ssh/algorithms/random.h"

namespace qs::ssh {

struct DiffieHellman::State {
    BignumPtr p, g, q;
    SecretBignumPtr x;
    BnCtxPtr context{BN_CTX_new()};
};

namespace {

std::vector<std::uint8_t> ToBytes(const BIGNUM *value)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(BN_num_bytes(value)));
    BN_bn2bin(value, bytes.data());
    return bytes;
}

bool Fail(ErrorCode code)
{
    SetErrorCode(code);
    return false;
}

// 1 < value < p - 1; `pMinusOne` is p - 1.
bool StrictlyInside(const BIGNUM *value, const BIGNUM *pMinusOne)
{
    return BN_cmp(value, BN_value_one()) > 0 && BN_cmp(value, pMinusOne) < 0;
}

}  // namespace

DiffieHellman::DiffieHellman(std::unique_ptr<State> state) : state_(std::move(state)) {}

DiffieHellman::~DiffieHellman() = default;

std::unique_ptr<DiffieHellman> DiffieHellman::Create(ByteView prime, ByteView generator)
{
    auto state = std::make_unique<State>();
    state->p.reset(BN_bin2bn(prime.data(), static_cast<int>(prime.size()), nullptr));
    state->g.reset(BN_bin2bn(generator.data(), static_cast<int>(generator.size()), nullptr));
    state->q.reset(BN_new());
    BignumPtr pMinusOne(BN_new());
    if (!state->p || !state->g || !state->q || !pMinusOne || !state->context) {
        SetErrorCode(qsErrorOutOfMemory);
        return nullptr;
    }
    const int bits = BN_num_bits(state->p.get());
    if (bits < kMinDhPrimeBits || bits > kMaxDhPrimeBits || !BN_is_odd(state->p.get()) ||
        !BN_sub(pMinusOne.get(), state->p.get(), BN_value_one()) || !StrictlyInside(state->g.get(), pMinusOne.get()) ||
        !BN_rshift1(state->q.get(), pMinusOne.get())) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return nullptr;
    }
    return std::unique_ptr<DiffieHellman>(new DiffieHellman(std::move(state)));
}

std::unique_ptr<DiffieHellman> DiffieHellman::Create(DhFixedGroup group)
{
    BignumPtr p(group == DhFixedGroup::Group1 ? BN_get_rfc2409_prime_1024(nullptr) : BN_get_rfc3526_prime_2048(nullptr));
    if (!p) {
        SetErrorCode(qsErrorOutOfMemory);
        return nullptr;
    }
    const std::uint8_t two = 2;
    return Create(ToBytes(p.get()), ByteView(&two, 1));
}

bool DiffieHellman::GenerateKey(int groupBits, std::vector<std::uint8_t> &e)
{
    State &s = *state_;
    const int qBits = BN_num_bits(s.q.get());
    const int bits = groupBits > 0 && 2 * groupBits < qBits ? 2 * groupBits : qBits;
    SecureBytes random(static_cast<std::size_t>(bits + 7) / 8);
    s.x.reset(BN_secure_new());
    BignumPtr result(BN_new());
    if (!s.x || !result)
        return Fail(qsErrorOutOfMemory);
    for (int draw = 0; draw < kMaxPrivateDraws; ++draw) {
        if (!RandomFill(random.Span()))
            return false;
        if (bits % 8 != 0)
            random.data()[0] &= static_cast<std::uint8_t>(0xFF >> (8 - bits % 8));
        if (!BN_bin2bn(random.data(), static_cast<int>(random.size()), s.x.get()))
            return Fail(qsErrorOutOfMemory);
        if (BN_cmp(s.x.get(), BN_value_one()) <= 0 || BN_cmp(s.x.get(), s.q.get()) >= 0)
            continue;
        BN_set_flags(s.x.get(), BN_FLG_CONSTTIME);
        if (!BN_mod_exp_mont_consttime(result.get(), s.g.get(), s.x.get(), s.p.get(), s.context.get(), nullptr))
            return Fail(qsErrorOutOfMemory);
        e = ToBytes(result.get());
        return true;
    }
    s.x.reset();
    return Fail(qsErrorInvalidServerResponse);
}

bool DiffieHellman::ComputeSecret(ByteView f, SecureBytes &k)
{
    State &s = *state_;
    if (!s.x)
        return Fail(qsErrorInvalidParameter);
    BignumPtr peer(BN_bin2bn(f.data(), static_cast<int>(f.size()), nullptr));
    BignumPtr pMinusOne(BN_new());
    SecretBignumPtr shared(BN_secure_new());
    if (!peer || !pMinusOne || !shared || !BN_sub(pMinusOne.get(), s.p.get(), BN_value_one()))
        return Fail(qsErrorOutOfMemory);
    if (!StrictlyInside(peer.get(), pMinusOne.get()))
        return Fail(qsErrorInvalidServerResponse);
    if (!BN_mod_exp_mont_consttime(shared.get(), peer.get(), s.x.get(), s.p.get(), s.context.get(), nullptr))
        return Fail(qsErrorOutOfMemory);
    s.x.reset();
    k.Resize(static_cast<std::size_t>(BN_num_bytes(shared.get())));
    BN_bn2bin(shared.get(), k.data());
    return true;
}

int DiffieHellman::PrimeBits() const
{
    return BN_num_bits(state_->p.get());
}

}  // namespace qs::ssh
