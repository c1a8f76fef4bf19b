// Name encoding, compression, expansion and skipping, with hostile pointer and label layouts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dns/lib/dns_name.h"
#include "tests/dns/dns_test_util.h"

namespace qs::test {
namespace {

std::vector<std::uint8_t> Encode(const char *text, std::size_t capacity = 1024, DnsNameTable *table = nullptr)
{
    std::vector<std::uint8_t> buffer(capacity);
    DnsWriter writer(buffer);
    if (DnsEncodeName(text, writer, table) < 0)
        return {};
    buffer.resize(writer.Length());
    return buffer;
}

std::vector<std::uint8_t> Wire(std::initializer_list<std::uint8_t> bytes) { return bytes; }

std::string Label(std::size_t length, char c = 'a') { return std::string(length, c); }

struct EncodeCase {
    std::string text;
    std::vector<std::uint8_t> wire;  // empty: the encoding fails
};

TEST(DnsEncodeName, EncodesOrRefusesEachForm)
{
    const std::vector<std::uint8_t> www = {3, 'w', 'w', 'w', 4, 't', 'e', 's', 't', 0};
    std::vector<std::uint8_t> label63 = {63};
    label63.insert(label63.end(), 63, 'a');
    label63.push_back(0);
    // Four labels that make exactly 255 octets on the wire, and the same with one octet more.
    std::string longest = Label(63) + "." + Label(63) + "." + Label(63) + "." + Label(61);
    const EncodeCase cases[] = {
        {"www.test", www},
        {"www.test.", www},
        {"WwW.test", {3, 'W', 'w', 'W', 4, 't', 'e', 's', 't', 0}},
        {"", {0}},
        {".", {0}},
        {"a..b", {}},
        {".a", {}},
        {"a..", {}},
        {"..", {}},
        {Label(63), label63},
        {Label(64), {}},
        {"a\\.b.test", {3, 'a', '.', 'b', 4, 't', 'e', 's', 't', 0}},
        {"a\\\\b", {3, 'a', '\\', 'b', 0}},
        {"ab\\", {2, 'a', 'b', 0}},
        {longest + "b", {}},
    };
    for (const EncodeCase &c : cases) {
        ClearError();
        std::vector<std::uint8_t> wire = Encode(c.text.c_str());
        EXPECT_EQ(wire, c.wire) << '"' << c.text << '"';
        if (c.wire.empty())
            EXPECT_EQ(LastError(), qsErrorInvalidHostName) << c.text;
    }
    EXPECT_EQ(Encode(longest.c_str()).size(), 255u);
}

TEST(DnsEncodeName, FailsWhenTheOutputIsFull)
{
    EXPECT_EQ(Encode("www.test", 10).size(), 10u);
    ClearError();
    EXPECT_TRUE(Encode("www.test", 9).empty());
    EXPECT_EQ(LastError(), qsErrorInvalidHostName);
}

TEST(DnsEncodeName, CompressesSuffixesAlreadyWritten)
{
    std::uint8_t buffer[128];
    DnsWriter writer(buffer);
    DnsNameTable table;
    ASSERT_TRUE(writer.Bytes(std::vector<std::uint8_t>(12, 0)));
    EXPECT_EQ(DnsEncodeName("mail.example.test", writer, &table), 19);
    // "www" and then a pointer to "example.test" at offset 12 + 5.
    EXPECT_EQ(DnsEncodeName("www.EXAMPLE.test", writer, &table), 6);
    // The whole name again: just a pointer to the first one, whatever the letter case.
    EXPECT_EQ(DnsEncodeName("MAIL.example.TEST.", writer, &table), 2);
    // No suffix in common: written out in full.
    EXPECT_EQ(DnsEncodeName("other.invalid", writer, &table), 15);
    std::vector<std::uint8_t> tail(buffer + 31, buffer + 39);
    EXPECT_EQ(tail, Wire({3, 'w', 'w', 'w', 0xC0, 17, 0xC0, 12}));

    std::span<const std::uint8_t> message = writer.Written();
    char text[256];
    EXPECT_EQ(DnsExpandName(message, 31, text, sizeof text), 6);
    EXPECT_STREQ(text, "www.example.test");
    EXPECT_EQ(DnsExpandName(message, 37, text, sizeof text), 2);
    EXPECT_STREQ(text, "mail.example.test");
}

TEST(DnsExpandName, GivesBackTheTextThatWasEncoded)
{
    const char *names[] = {"www.example.test", "a\\.b.test", "back\\\\slash.test", "x", ""};
    for (const char *name : names) {
        std::vector<std::uint8_t> message = Encode(name);
        char text[256];
        EXPECT_EQ(DnsExpandName(message, 0, text, sizeof text), static_cast<int>(message.size())) << name;
        EXPECT_STREQ(text, name);
    }
}

struct ExpandCase {
    const char *what;
    std::vector<std::uint8_t> message;
    std::size_t position;
    int expandResult;  // -1: fails
    const char *text;
    int skipResult;
};

TEST(DnsExpandName, FollowsOnlyPointersInsideTheMessage)
{
    const ExpandCase cases[] = {
        {"plain", AfterHeader({1, 'a', 0}), 12, 3, "a", 3},
        {"backward pointer", AfterHeader({1, 'a', 0, 1, 'b', 0xC0, 12}), 15, 4, "b.a", 4},
        {"forward pointer", AfterHeader({0xC0, 14, 1, 'f', 0}), 12, 2, "f", 2},
        {"dot inside a label", AfterHeader({3, 'a', '.', 'b', 0}), 12, 5, "a\\.b", 5},
        {"pointer to itself", AfterHeader({0xC0, 12}), 12, -1, nullptr, 2},
        {"two pointers to each other", AfterHeader({0xC0, 14, 0xC0, 12}), 12, -1, nullptr, 2},
        {"label then a pointer back to it", AfterHeader({1, 'a', 0xC0, 12}), 12, -1, nullptr, 4},
        {"pointer at the message end", AfterHeader({0xC0, 14}), 12, -1, nullptr, 2},
        {"pointer past the message end", AfterHeader({0xFF, 0xFF}), 12, -1, nullptr, 2},
        {"pointer cut by the end", AfterHeader({1, 'a', 0xC0}), 12, -1, nullptr, -1},
        {"label past the end", AfterHeader({5, 'a', 'b'}), 12, -1, nullptr, -1},
        {"no terminator", AfterHeader({1, 'a'}), 12, -1, nullptr, -1},
        {"reserved length 0x40", AfterHeader({0x40, 'a', 0}), 12, -1, nullptr, -1},
        {"reserved length 0x80", AfterHeader({0x80, 'a', 0}), 12, -1, nullptr, -1},
        {"zero octet inside a label", AfterHeader({3, 'a', 0, 'b', 0}), 12, -1, nullptr, 5},
        {"name at the message end", AfterHeader({}), 12, -1, nullptr, -1},
    };
    for (const ExpandCase &c : cases) {
        char text[256] = "unchanged";
        ClearError();
        EXPECT_EQ(DnsExpandName(c.message, c.position, text, sizeof text), c.expandResult) << c.what;
        if (c.expandResult < 0)
            EXPECT_EQ(LastError(), qsErrorInvalidServerResponse) << c.what;
        else
            EXPECT_STREQ(text, c.text) << c.what;
        EXPECT_EQ(DnsSkipName(c.message, c.position), c.skipResult) << c.what;
    }
}

TEST(DnsExpandName, RefusesNamesOverTheProtocolLimit)
{
    // Five 62-octet labels chained through pointers: every label is in range, the name is 316 octets.
    std::vector<std::uint8_t> message(12, 0);
    std::size_t first = message.size();
    for (int i = 0; i < 5; ++i) {
        std::size_t next = message.size() + 1 + 62 + 2;
        message.push_back(62);
        message.insert(message.end(), 62, static_cast<std::uint8_t>('a' + i));
        if (i < 4) {
            message.push_back(static_cast<std::uint8_t>(0xC0 | next >> 8));
            message.push_back(static_cast<std::uint8_t>(next));
        } else {
            message.push_back(0);
        }
    }
    char text[1024];
    ClearError();
    EXPECT_EQ(DnsExpandName(message, first, text, sizeof text), -1);
    EXPECT_EQ(LastError(), qsErrorInvalidServerResponse);
    // Four of them (253 octets) are a valid name.
    std::size_t second = first + 1 + 62 + 2;
    EXPECT_EQ(DnsExpandName(message, second, text, sizeof text), 65);
    EXPECT_EQ(std::string(text).size(), 4 * 62 + 3u);
}

TEST(DnsExpandName, FailsWhenTheOutputIsFull)
{
    std::vector<std::uint8_t> message = Encode("abc.de");
    char text[7];
    EXPECT_EQ(DnsExpandName(message, 0, text, 7), 8);
    EXPECT_STREQ(text, "abc.de");
    EXPECT_EQ(DnsExpandName(message, 0, text, 6), -1);
    // An escape needs its room too.
    std::vector<std::uint8_t> dotted = Encode("a\\.b");
    EXPECT_EQ(DnsExpandName(dotted, 0, text, 5), 5);
    EXPECT_EQ(DnsExpandName(dotted, 0, text, 4), -1);
}

TEST(DnsExpandName, KeepsLabelsInsideTheGivenPart)
{
    // A name whose labels run past the end of its record data into the next octets.
    std::vector<std::uint8_t> message = AfterHeader({1, 'a', 1, 'b', 0});
    char text[16];
    EXPECT_EQ(DnsExpandNameWithin(message, 12, 17, text, sizeof text), 5);
    EXPECT_EQ(DnsExpandNameWithin(message, 12, 16, text, sizeof text), -1);
    EXPECT_EQ(DnsSkipNameWithin(message, 12, 16), -1);
    // A pointer may still lead anywhere in the message.
    std::vector<std::uint8_t> pointed = AfterHeader({1, 'a', 0, 0xC0, 12});
    EXPECT_EQ(DnsExpandNameWithin(pointed, 15, 17, text, sizeof text), 2);
    EXPECT_STREQ(text, "a");
}

TEST(DnsSameName, IgnoresOnlyTheCaseOfLetters)
{
    EXPECT_TRUE(DnsSameName("WWW.Example.test", "www.example.TEST"));
    EXPECT_FALSE(DnsSameName("www.example.test", "www.example.tes"));
    EXPECT_FALSE(DnsSameName("a\\.b", "a.b"));
}

}  // namespace
}  // namespace qs::test
