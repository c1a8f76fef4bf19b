#include <gtest/gtest.h>

#include "ssh/algorithms/hash.h"
#include "ssh/algorithms/mac.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromHex;
using test::FromText;
using test::ToHex;

// Derived key material 40 41 .. 53; the MAC input is sequence number 7 and this packet. Expected values
// from `openssl dgst -mac HMAC -macopt hexkey:...` over 00000007 || packet.
constexpr std::uint32_t kSequence = 7;
const Bytes kPacket = FromText("packet bytes for the mac test");
constexpr const char *kSha1With20 = "ce7b8a2977e7a4fc38a52297849da859f6b976b0";
constexpr const char *kSha1With16 = "402db290586359b15355c9250b535eea93b64961";
constexpr const char *kMd5With16 = "27d21f9bff81583aff35a7f94bd07a22";

Bytes Material()
{
    Bytes key(40);
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<std::uint8_t>(0x40 + i);
    return key;
}

std::unique_ptr<MacContext> Keyed(const SshMac &mac)
{
    auto context = CreateMac(mac);
    if (!context || !context->SetKey(Material()))
        return nullptr;
    return context;
}

TEST(Mac, ListsAndKnownAnswers)
{
    const struct {
        MacList list;
        const char *name;
        std::uint32_t length;
        std::string expected;  // the first `length` bytes are sent
    } cases[] = {
        {MacList::Normal, "hmac-sha1", 20, kSha1With20},
        {MacList::Normal, "hmac-sha1-96", 12, std::string(kSha1With20).substr(0, 24)},
        {MacList::Normal, "hmac-md5", 16, kMd5With16},
        {MacList::ShortKey, "hmac-sha1", 20, kSha1With16},
        {MacList::ShortKey, "hmac-sha1-96", 12, std::string(kSha1With16).substr(0, 24)},
        {MacList::ShortKey, "hmac-md5", 16, kMd5With16},
    };
    for (const auto &c : cases) {
        const SshMac *mac = FindMac(c.list, c.name);
        ASSERT_NE(mac, nullptr) << c.name;
        EXPECT_EQ(mac->macBytes, c.length);
        auto context = Keyed(*mac);
        ASSERT_NE(context, nullptr);
        // Twice with the same object: the key must survive each packet's restart.
        for (int round = 0; round < 2; ++round) {
            Bytes out(kMaxMacBytes + 4, 0xEE);
            ASSERT_TRUE(context->Generate(kSequence, kPacket, out));
            EXPECT_EQ(ToHex(out.data(), c.length), c.expected) << mac->displayName;
            EXPECT_EQ(out[c.length], 0xEE) << "wrote past the MAC";
            EXPECT_TRUE(context->Verify(kSequence, kPacket, std::span(out).first(c.length)));
        }
    }
    EXPECT_EQ(FindMac(MacList::ShortKey, "hmac-sha1")->displayName, "HMAC-SHA1 (16-byte key)");
    std::string offer;
    for (const SshMac &m : MacTable(MacList::Normal))
        offer += std::string(offer.empty() ? "" : ",") + std::string(m.wireName);
    EXPECT_EQ(offer, "hmac-sha1,hmac-sha1-96,hmac-md5");
}

TEST(Mac, VerifyRefusesAnyChange)
{
    for (const SshMac &mac : MacTable(MacList::Normal)) {
        auto context = Keyed(mac);
        ASSERT_NE(context, nullptr);
        Bytes tag(mac.macBytes);
        ASSERT_TRUE(context->Generate(kSequence, kPacket, tag));
        Bytes flipped = tag;
        flipped[mac.macBytes - 1] ^= 1;
        Bytes changedPacket = kPacket;
        changedPacket[0] ^= 0x80;
        EXPECT_FALSE(context->Verify(kSequence, kPacket, flipped)) << mac.wireName;
        EXPECT_FALSE(context->Verify(kSequence + 1, kPacket, tag)) << mac.wireName << ": sequence number";
        EXPECT_FALSE(context->Verify(kSequence, changedPacket, tag)) << mac.wireName;
        EXPECT_FALSE(context->Verify(kSequence, kPacket, std::span(tag).first(mac.macBytes - 1))) << mac.wireName;
        EXPECT_TRUE(context->Verify(kSequence, kPacket, tag));
    }
}

TEST(Mac, RefusesShortKeysAndUnkeyedUse)
{
    auto context = CreateMac(*FindMac(MacList::Normal, "hmac-sha1"));
    ASSERT_NE(context, nullptr);
    Bytes out(20);
    EXPECT_FALSE(context->Generate(0, kPacket, out));
    EXPECT_FALSE(context->SetKey(Bytes(19)));
    Bytes small(19);
    ASSERT_TRUE(context->SetKey(Bytes(20)));
    EXPECT_FALSE(context->Generate(0, kPacket, small));
}

TEST(Hash, KnownAnswersAndRestart)
{
    const struct {
        const SshHash &hash;
        const char *digest;  // of "abc"
    } cases[] = {
        {kSha1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {kSha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {kMd5, "900150983cd24fb0d6963f7d28e17f72"},
    };
    for (const auto &c : cases) {
        auto context = HashContext::Create(c.hash);
        ASSERT_NE(context, nullptr);
        for (int round = 0; round < 2; ++round) {
            Bytes out(c.hash.hashLen);
            ASSERT_TRUE(context->Update(FromText("ab")) && context->Update(FromText("c")));
            ASSERT_TRUE(context->Finish(out));
            EXPECT_EQ(ToHex(out), c.digest) << c.hash.displayName;
        }
    }
}

}  // namespace
}  // namespace qs::ssh
