#include <gtest/gtest.h>

#include <openssl/bio.h>
#include <openssl/dsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>

#include "core/error/last_error.h"
#include "ssh/algorithms/host_key.h"
#include "ssh/wire/wire_writer.h"
#include "tests/ssh/test_bytes.h"
#include "tests/ssh/test_keys.h"
#include "tests/ssh/test_signing.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromBase64;
using test::FromText;
using test::LoadPrivate;
using test::SignSha1;

// r || s, 20 bytes each, from DSA's DER form.
Bytes DsaRs(const Bytes &der)
{
    const unsigned char *p = der.data();
    DSA_SIG *pair = d2i_DSA_SIG(nullptr, &p, static_cast<long>(der.size()));
    const BIGNUM *r, *s;
    DSA_SIG_get0(pair, &r, &s);
    Bytes rs(40);
    BN_bn2binpad(r, rs.data(), 20);
    BN_bn2binpad(s, rs.data() + 20, 20);
    DSA_SIG_free(pair);
    return rs;
}

Bytes Blob(std::string_view name, const Bytes &value)
{
    Bytes out;
    WireWriter writer(out, 4096);
    writer.String(name);
    writer.String(value);
    return out;
}

struct Keys : ::testing::Test {
    void SetUp() override
    {
        rsaPrivate = LoadPrivate(test::kRsaPrivatePem);
        dsaPrivate = LoadPrivate(test::kDsaPrivatePem);
        ASSERT_TRUE(rsaPrivate && dsaPrivate);
        rsa = FindHostKey("ssh-rsa")->create(rsaBlob);
        dss = FindHostKey("ssh-dss")->create(dsaBlob);
        ASSERT_TRUE(rsa && dss);
    }
    void TearDown() override
    {
        EVP_PKEY_free(rsaPrivate);
        EVP_PKEY_free(dsaPrivate);
    }

    const Bytes rsaBlob = FromBase64(test::kRsaPublicBase64);
    const Bytes dsaBlob = FromBase64(test::kDsaPublicBase64);
    const Bytes hash = FromText("exchange hash H of this connection");
    EVP_PKEY *rsaPrivate = nullptr;
    EVP_PKEY *dsaPrivate = nullptr;
    std::unique_ptr<HostKey> rsa, dss;
};

TEST_F(Keys, TableAndFingerprintsMatchSshKeygen)
{
    ASSERT_EQ(HostKeyTable().size(), 2u);
    EXPECT_EQ(HostKeyTable()[0].name, "ssh-rsa");
    EXPECT_EQ(HostKeyTable()[0].keyType, "rsa");
    EXPECT_EQ(HostKeyTable()[1].name, "ssh-dss");
    EXPECT_EQ(HostKeyTable()[1].keyType, "dsa");
    EXPECT_EQ(rsa->Fingerprint(), test::kRsaFingerprint);
    EXPECT_EQ(dss->Fingerprint(), test::kDsaFingerprint);
    EXPECT_EQ(rsa->Bits(), 1024);
    EXPECT_EQ(dss->Bits(), 1024);
}

TEST_F(Keys, AcceptsGoodSignaturesInEveryForm)
{
    EXPECT_TRUE(rsa->Verify(Blob("ssh-rsa", SignSha1(rsaPrivate, hash)), hash));
    const Bytes rs = DsaRs(SignSha1(dsaPrivate, hash));
    EXPECT_TRUE(dss->Verify(Blob("ssh-dss", rs), hash));
    EXPECT_TRUE(dss->Verify(rs, hash)) << "a bare 40-byte r || s";
}

// A signature value whose top byte is zero, sent without it, is still the same integer.
TEST_F(Keys, RsaAcceptsASignatureWithoutLeadingZeros)
{
    for (int i = 0; i < 5000; ++i) {
        const Bytes data = FromText("data " + std::to_string(i));
        const Bytes signature = SignSha1(rsaPrivate, data);
        if (signature[0] != 0)
            continue;
        EXPECT_TRUE(rsa->Verify(Blob("ssh-rsa", Bytes(signature.begin() + 1, signature.end())), data));
        return;
    }
    FAIL() << "no signature with a leading zero byte";
}

TEST_F(Keys, RefusesWrongSignatures)
{
    const Bytes rsaSignature = SignSha1(rsaPrivate, hash);
    const Bytes rs = DsaRs(SignSha1(dsaPrivate, hash));
    const Bytes otherData = FromText("another exchange hash");
    EXPECT_FALSE(rsa->Verify(Blob("ssh-rsa", rsaSignature), otherData));
    EXPECT_FALSE(dss->Verify(rs, otherData));
    for (std::size_t at : {std::size_t{0}, std::size_t{19}, std::size_t{20}, std::size_t{39}}) {
        Bytes changed = rs;
        changed[at] ^= 0x01;
        SetErrorCode(0);
        EXPECT_FALSE(dss->Verify(changed, hash)) << at;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorSecurityCertificate));
    }
    for (std::size_t at = 0; at < rsaSignature.size(); at += 17) {
        Bytes changed = rsaSignature;
        changed[at] ^= 0x40;
        EXPECT_FALSE(rsa->Verify(Blob("ssh-rsa", changed), hash)) << at;
    }
    // r = 0 and s = 0 are outside the group.
    EXPECT_FALSE(dss->Verify(Bytes(40, 0), hash));
}

TEST_F(Keys, RefusesMalformedSignatureBlobs)
{
    const Bytes rsaSignature = SignSha1(rsaPrivate, hash);
    const Bytes rs = DsaRs(SignSha1(dsaPrivate, hash));
    Bytes trailing = Blob("ssh-rsa", rsaSignature);
    trailing.push_back(0);
    Bytes longer = rsaSignature;
    longer.insert(longer.begin(), 0x01);
    const struct {
        const char *name;
        HostKey *key;
        Bytes blob;
    } cases[] = {
        {"rsa: other algorithm name", rsa.get(), Blob("ssh-dss", rsaSignature)},
        {"rsa: trailing byte", rsa.get(), trailing},
        {"rsa: truncated", rsa.get(), Bytes(trailing.begin(), trailing.end() - 2)},
        {"rsa: value longer than the modulus", rsa.get(), Blob("ssh-rsa", longer)},
        {"rsa: empty value", rsa.get(), Blob("ssh-rsa", {})},
        {"dss: other algorithm name", dss.get(), Blob("ssh-rsa", rs)},
        {"dss: 39 bytes of r || s", dss.get(), Blob("ssh-dss", Bytes(rs.begin(), rs.end() - 1))},
        {"dss: bare 41 bytes", dss.get(), Bytes(41, 1)},
    };
    for (const auto &c : cases) {
        SetErrorCode(0);
        EXPECT_FALSE(c.key->Verify(c.blob, hash)) << c.name;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidServerResponse)) << c.name;
    }
}

// Every truncation and a trailing byte; then keys that parse but are no keys.
TEST_F(Keys, RefusesMalformedKeyBlobs)
{
    for (const auto &[name, blob] : {std::pair{"ssh-rsa", rsaBlob}, std::pair{"ssh-dss", dsaBlob}}) {
        const SshHostKey &kind = *FindHostKey(name);
        for (std::size_t length = 0; length < blob.size(); ++length)
            EXPECT_EQ(kind.create(std::span(blob).first(length)), nullptr) << name << " cut at " << length;
        Bytes trailing = blob;
        trailing.push_back(0);
        EXPECT_EQ(kind.create(trailing), nullptr) << name;
    }
    EXPECT_EQ(FindHostKey("ssh-dss")->create(rsaBlob), nullptr);
    EXPECT_EQ(FindHostKey("ssh-rsa")->create(dsaBlob), nullptr);

    auto rsaKey = [](const Bytes &e, const Bytes &n) {
        Bytes out;
        WireWriter writer(out, 8192);
        writer.String(std::string_view("ssh-rsa"));
        writer.Mpint(e);
        writer.Mpint(n);
        return out;
    };
    Bytes modulus(128, 0xC5);  // odd, 1024 bits
    Bytes even = modulus;
    even.back() = 0xC4;
    const struct {
        const char *name;
        Bytes blob;
    } cases[] = {
        {"even exponent", rsaKey({0x01, 0x00, 0x00}, modulus)},
        {"exponent 1", rsaKey({0x01}, modulus)},
        {"exponent not below n", rsaKey(modulus, modulus)},
        {"even modulus", rsaKey({0x01, 0x00, 0x01}, even)},
        {"256-bit modulus", rsaKey({0x01, 0x00, 0x01}, Bytes(32, 0xC5))},
    };
    for (const auto &c : cases) {
        SetErrorCode(0);
        EXPECT_EQ(FindHostKey("ssh-rsa")->create(c.blob), nullptr) << c.name;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidServerResponse)) << c.name;
    }
    EXPECT_NE(FindHostKey("ssh-rsa")->create(rsaKey({0x01, 0x00, 0x01}, modulus)), nullptr);

    // The DSA key's own p, q, g, y with one of them replaced.
    WireReader reader(dsaBlob);
    std::string_view type;
    ByteView parts[4];
    ASSERT_TRUE(reader.Text(type) && reader.Mpint(parts[0]) && reader.Mpint(parts[1]) && reader.Mpint(parts[2]) &&
                reader.Mpint(parts[3]));
    auto dsaKey = [&](int index, const Bytes &value) {
        Bytes out;
        WireWriter writer(out, 8192);
        writer.String(std::string_view("ssh-dss"));
        for (int i = 0; i < 4; ++i)
            writer.Mpint(i == index ? value : Bytes(parts[i].begin(), parts[i].end()));
        return out;
    };
    const Bytes p(parts[0].begin(), parts[0].end());
    const struct {
        const char *name;
        int index;
        Bytes value;
    } dsaCases[] = {
        {"q of 152 bits", 1, Bytes(19, 0xE1)},
        {"g = 1", 2, {0x01}},
        {"g = p", 2, p},
        {"y = 0", 3, {}},
        {"y = p", 3, p},
    };
    for (const auto &c : dsaCases)
        EXPECT_EQ(FindHostKey("ssh-dss")->create(dsaKey(c.index, c.value)), nullptr) << c.name;
    EXPECT_NE(FindHostKey("ssh-dss")->create(dsaKey(-1, {})), nullptr);
}

}  // namespace
}  // namespace qs::ssh
