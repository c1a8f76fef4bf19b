#include <gtest/gtest.h>

#include <openssl/bn.h>

#include "core/error/last_error.h"
#include "ssh/algorithms/diffie_hellman.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;

Bytes ToBytes(const BIGNUM *value)
{
    Bytes out(static_cast<std::size_t>(BN_num_bytes(value)));
    BN_bn2bin(value, out.data());
    return out;
}

Bytes Group14Prime()
{
    BIGNUM *p = BN_get_rfc3526_prime_2048(nullptr);
    Bytes out = ToBytes(p);
    BN_free(p);
    return out;
}

// p + delta, as bytes (delta small, p large).
Bytes Offset(const Bytes &p, int delta)
{
    BIGNUM *value = BN_bin2bn(p.data(), static_cast<int>(p.size()), nullptr);
    if (delta >= 0)
        BN_add_word(value, static_cast<BN_ULONG>(delta));
    else
        BN_sub_word(value, static_cast<BN_ULONG>(-delta));
    Bytes out = ToBytes(value);
    BN_free(value);
    return out;
}

TEST(DiffieHellman, BothSidesAgreeOnEachGroup)
{
    const struct {
        const char *name;
        DhFixedGroup group;
        int bits;
    } cases[] = {{"group1", DhFixedGroup::Group1, 1024}, {"group14", DhFixedGroup::Group14, 2048}};
    for (const auto &c : cases) {
        auto client = DiffieHellman::Create(c.group);
        auto server = DiffieHellman::Create(c.group);
        ASSERT_TRUE(client && server);
        EXPECT_EQ(client->PrimeBits(), c.bits) << c.name;
        Bytes e, f;
        ASSERT_TRUE(client->GenerateKey(128, e));
        ASSERT_TRUE(server->GenerateKey(128, f));
        EXPECT_NE(e, f);
        SecureBytes k1, k2;
        ASSERT_TRUE(client->ComputeSecret(f, k1));
        ASSERT_TRUE(server->ComputeSecret(e, k2));
        EXPECT_EQ(Bytes(k1.View().begin(), k1.View().end()), Bytes(k2.View().begin(), k2.View().end())) << c.name;
        EXPECT_GT(k1.size(), 100u);
        // x is used once and then wiped.
        EXPECT_FALSE(client->ComputeSecret(f, k1));
    }
}

TEST(DiffieHellman, RefusesServerValuesOutsideTheGroup)
{
    const Bytes p = Group14Prime();
    const struct {
        const char *name;
        Bytes f;
    } cases[] = {
        {"f = 0", {}},
        {"f = 1", {0x01}},
        {"f = p - 1", Offset(p, -1)},
        {"f = p", p},
        {"f = p + 1", Offset(p, 1)},
    };
    for (const auto &c : cases) {
        auto dh = DiffieHellman::Create(DhFixedGroup::Group14);
        Bytes e;
        ASSERT_TRUE(dh->GenerateKey(256, e));
        SecureBytes k;
        SetErrorCode(0);
        EXPECT_FALSE(dh->ComputeSecret(c.f, k)) << c.name;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidServerResponse)) << c.name;
    }
}

// Group-exchange groups that would make the private value impossible to draw, or are no groups at all.
TEST(DiffieHellman, RefusesInsaneGroups)
{
    const Bytes p = Group14Prime();
    Bytes small(64, 0xFF);  // 512 bits
    Bytes huge(8192 / 8 + 1, 0xFF);
    const struct {
        const char *name;
        Bytes p, g;
    } cases[] = {
        {"p = 5", {0x05}, {0x02}},
        {"512-bit p", small, {0x02}},
        {"p above 8192 bits", huge, {0x02}},
        {"even p", Offset(p, 1), {0x02}},
        {"g = 0", p, {}},
        {"g = 1", p, {0x01}},
        {"g = p - 1", p, Offset(p, -1)},
        {"g = p", p, p},
    };
    for (const auto &c : cases) {
        SetErrorCode(0);
        EXPECT_EQ(DiffieHellman::Create(c.p, c.g), nullptr) << c.name;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidServerResponse)) << c.name;
    }
    EXPECT_NE(DiffieHellman::Create(p, Bytes{0x05}), nullptr);
}

}  // namespace
}  // namespace qs::ssh
