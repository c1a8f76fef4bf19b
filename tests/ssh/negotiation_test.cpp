// KEXINIT building and the choice of one algorithm per category.
#include <gtest/gtest.h>

#include <string>

#include "core/error/last_error.h"
#include "ssh/engine/negotiation.h"
#include "ssh/engine/transport.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

struct ServerLists {
    std::string kex = "diffie-hellman-group14-sha1";
    std::string hostKeys = "ssh-rsa";
    std::string ciphersOut = "aes128-ctr", ciphersIn = "aes128-ctr";
    std::string macsOut = "hmac-sha1", macsIn = "hmac-sha1";
    std::string compOut = "none", compIn = "none";
    bool guess = false;
};

std::vector<std::uint8_t> ServerKexInit(const ServerLists &l)
{
    std::vector<std::uint8_t> out;
    WireWriter w(out, kMaxKexInitBytes);
    w.U8(kMsgKexInit);
    w.Bytes(std::vector<std::uint8_t>(16, 0xab));
    for (const std::string *s : {&l.kex, &l.hostKeys, &l.ciphersOut, &l.ciphersIn, &l.macsOut, &l.macsIn, &l.compOut,
                                 &l.compIn})
        w.String(std::string_view(*s));
    w.String(std::string_view());
    w.String(std::string_view());
    w.Bool(l.guess);
    w.U32(0);
    return out;
}

AlgorithmOffer DefaultOffer(bool compression = false)
{
    TransportConfig config;
    config.compression = compression;
    AlgorithmOffer offer;
    EXPECT_TRUE(BuildOffer(config, offer));
    return offer;
}

TEST(NegotiationTest, ClientKexInitListsEverythingInOfferOrder)
{
    std::vector<std::uint8_t> payload;
    ASSERT_TRUE(BuildKexInit(DefaultOffer(), payload));
    WireReader r(payload);
    std::uint8_t type = 0;
    ByteView cookie;
    ASSERT_TRUE(r.U8(type) && r.Bytes(16, cookie));
    EXPECT_EQ(type, kMsgKexInit);
    std::string_view lists[10];
    for (auto &l : lists)
        ASSERT_TRUE(r.NameList(l));
    EXPECT_EQ(lists[0], "diffie-hellman-group-exchange-sha256,diffie-hellman-group-exchange-sha1,"
                        "diffie-hellman-group14-sha1,diffie-hellman-group1-sha1");
    EXPECT_EQ(lists[1], "ssh-rsa,ssh-dss");
    EXPECT_EQ(lists[2].rfind("aes256-ctr,", 0), 0u);
    EXPECT_EQ(lists[2], lists[3]);
    EXPECT_EQ(lists[2].find("des-cbc,"), lists[2].find("3des-cbc,") + 1) << "single DES is off";
    EXPECT_EQ(lists[4], "hmac-sha1,hmac-sha1-96,hmac-md5");
    EXPECT_EQ(lists[6], "none,zlib");
    EXPECT_TRUE(lists[8].empty() && lists[9].empty());
    bool guess = true;
    std::uint32_t reserved = 1;
    ASSERT_TRUE(r.Bool(guess) && r.U32(reserved) && r.Finish());
    EXPECT_FALSE(guess);
    EXPECT_EQ(reserved, 0u);

    ASSERT_TRUE(BuildKexInit(DefaultOffer(true), payload));
    EXPECT_NE(std::string(payload.begin(), payload.end()).find("zlib,none"), std::string::npos);
}

TEST(NegotiationTest, TakesTheClientsFirstChoiceThatTheServerHasPerDirection)
{
    ServerLists l;
    l.kex = "curve25519-sha256,diffie-hellman-group1-sha1,diffie-hellman-group14-sha1";
    l.hostKeys = "ssh-ed25519,ssh-dss";
    l.ciphersOut = "3des-cbc,aes128-cbc";
    l.ciphersIn = "aes192-ctr";
    l.macsOut = "hmac-md5,hmac-sha1-96";
    l.macsIn = "hmac-sha1-960,hmac-md5";  // no prefix or substring matches
    l.compIn = "zlib,none";
    NegotiatedSuite s;
    ASSERT_TRUE(Negotiate(DefaultOffer(), ServerKexInit(l), s));
    EXPECT_EQ(s.kex->wireName, "diffie-hellman-group14-sha1");
    EXPECT_EQ(s.hostKey->name, "ssh-dss");
    EXPECT_EQ(s.cipherOut->wireName, "aes128-cbc");
    EXPECT_EQ(s.cipherIn->wireName, "aes192-ctr");
    EXPECT_EQ(s.macOut->wireName, "hmac-sha1-96");
    EXPECT_EQ(s.macIn->wireName, "hmac-md5");
    EXPECT_EQ(s.compressionIn->wireName, "none");
    EXPECT_FALSE(s.skipGuessedPacket);
}

TEST(NegotiationTest, WrongGuessIsSkippedAndRightGuessKept)
{
    ServerLists l;
    l.guess = true;
    NegotiatedSuite s;
    ASSERT_TRUE(Negotiate(DefaultOffer(), ServerKexInit(l), s));
    EXPECT_TRUE(s.skipGuessedPacket);
    l.kex = "diffie-hellman-group-exchange-sha256";
    ASSERT_TRUE(Negotiate(DefaultOffer(), ServerKexInit(l), s));
    EXPECT_FALSE(s.skipGuessedPacket);
}

TEST(NegotiationTest, EachCategoryWithoutCommonAlgorithmFails)
{
    for (int category = 0; category < 8; ++category) {
        ServerLists l;
        std::string *lists[] = {&l.kex, &l.hostKeys, &l.ciphersOut, &l.ciphersIn, &l.macsOut, &l.macsIn, &l.compOut,
                                &l.compIn};
        *lists[category] = "unknown-algorithm";
        NegotiatedSuite s;
        EXPECT_FALSE(Negotiate(DefaultOffer(), ServerKexInit(l), s)) << category;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorProtocolNotSupported)) << category;
        EXPECT_EQ(s.kex, nullptr);
    }
}

TEST(NegotiationTest, MalformedKexInitFails)
{
    std::vector<std::uint8_t> good = ServerKexInit({});
    for (const std::size_t cut : {1ul, 17ul, 30ul, good.size() - 1}) {
        std::vector<std::uint8_t> bad(good.begin(), good.begin() + static_cast<long>(cut));
        NegotiatedSuite s;
        EXPECT_FALSE(Negotiate(DefaultOffer(), bad, s)) << cut;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidServerResponse));
    }
    good.push_back(0);  // trailing byte
    NegotiatedSuite s;
    EXPECT_FALSE(Negotiate(DefaultOffer(), good, s));
}

TEST(NegotiationTest, OfferRefusesUnknownNames)
{
    TransportConfig config;
    config.ciphers = {"aes128-ctr", "chacha20-poly1305@openssh.com"};
    AlgorithmOffer offer;
    EXPECT_FALSE(BuildOffer(config, offer));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
    config.ciphers = {"des-cbc"};  // named on purpose: offered even though single DES is off by default
    EXPECT_TRUE(BuildOffer(config, offer));
    config.bugs = kBugHmacShortKey;
    ASSERT_TRUE(BuildOffer(config, offer));
    EXPECT_EQ(offer.macs[0]->keyBytes, 16u);
}

}  // namespace
}  // namespace qs::ssh
