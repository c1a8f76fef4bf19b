// Query building, reply classification and matching a reply to its query.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dns/lib/dns_header.h"
#include "dns/lib/dns_message.h"
#include "dns/lib/dns_query.h"
#include "tests/dns/dns_test_util.h"
#include "tests/dns/message_builder.h"

namespace qs::test {
namespace {

std::vector<std::uint8_t> Query(const char *name, const char *domain, std::uint16_t type = kDnsTypeA,
                                std::size_t size = kDnsMessageSize, std::uint16_t id = 0x1234)
{
    std::vector<std::uint8_t> buffer(size);
    int length = DnsBuildQuery(id, name, domain, kDnsClassInternet, type, buffer);
    if (length < 0)
        return {};
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

TEST(DnsBuildQuery, WritesOneRecursiveQuestion)
{
    std::vector<std::uint8_t> expected = {0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0,
                                          3, 'w', 'w', 'w', 4, 't', 'e', 's', 't', 0, 0, 15, 0, 1};
    EXPECT_EQ(Query("www.test", "", kDnsTypeMX), expected);
}

TEST(DnsBuildQuery, ExtendsOnlyNamesWithoutADotWithTheLocalDomain)
{
    struct Case {
        const char *name;
        const char *domain;
        const char *asked;
    } cases[] = {
        {"host", "example.test", "host.example.test"},
        {"host", "", "host"},
        {"host", nullptr, "host"},
        {"host.", "example.test", "host"},
        {"host.other", "example.test", "host.other"},
        {"", "example.test", ""},
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> query = Query(c.name, c.domain);
        ASSERT_FALSE(query.empty()) << c.name;
        char asked[256];
        ASSERT_GE(DnsExpandName(query, 12, asked, sizeof asked), 0);
        EXPECT_STREQ(asked, c.asked) << c.name << " + " << (c.domain ? c.domain : "(none)");
    }
}

TEST(DnsBuildQuery, RefusesWhatCannotBeSent)
{
    ClearError();
    EXPECT_TRUE(Query("a..b", "").empty());
    EXPECT_EQ(LastError(), qsErrorInvalidHostName);
    ClearError();
    std::string longLabel(64, 'x');
    EXPECT_TRUE(Query(longLabel.c_str(), "").empty());
    EXPECT_EQ(LastError(), qsErrorInvalidHostName);
    // Short enough alone, too long with the local domain.
    std::string label(63, 'x');
    std::string domain = label + "." + label + "." + label;
    EXPECT_FALSE(Query(label.c_str(), "").empty());
    EXPECT_TRUE(Query(label.c_str(), domain.c_str()).empty());
    ClearError();
    EXPECT_TRUE(Query(nullptr, "").empty());
    EXPECT_EQ(LastError(), qsErrorInvalidHostName);
    ClearError();
    EXPECT_TRUE(Query("a", "", kDnsTypeA, 16).empty());
    EXPECT_EQ(LastError(), qsErrorBufferTooSmall);
}

TEST(DnsBuildQuery, LeavesTheNameTheBufferSizeLessSixteen)
{
    // A 30-octet buffer leaves 14 octets for the name: a 12-character label fits, 13 do not.
    EXPECT_EQ(Query("abcdefghijkl", "", kDnsTypeA, 30).size(), 30u);
    EXPECT_TRUE(Query("abcdefghijklm", "", kDnsTypeA, 30).empty());
}

TEST(DnsSetMessageId, ChangesOnlyTheId)
{
    std::vector<std::uint8_t> query = Query("www.test", "");
    std::vector<std::uint8_t> resent = query;
    DnsSetMessageId(resent, 0xBEEF);
    EXPECT_EQ(resent[0], 0xBE);
    EXPECT_EQ(resent[1], 0xEF);
    EXPECT_TRUE(std::equal(query.begin() + 2, query.end(), resent.begin() + 2));
}

TEST(DnsClassifyReply, MapsReplyCodesToErrors)
{
    struct Case {
        int rcode;
        int answers;
        std::uint32_t error;  // 0: accepted
    } cases[] = {
        {0, 1, 0},
        {0, 0, qsErrorNoServerResponse},
        {1, 1, qsErrorInvalidServerResponse},
        {2, 0, qsErrorInvalidServerResponse},
        {3, 0, qsErrorHostNameNotFound},
        {4, 0, qsErrorHostNameRefused},
        {5, 1, qsErrorHostNameRefused},
        {15, 0, qsErrorHostNameRefused},
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> reply =
            MessageBuilder(static_cast<std::uint16_t>(0x8180 | c.rcode)).Counts(0, c.answers).Build();
        ClearError();
        EXPECT_EQ(DnsClassifyReply(reply), c.error == 0) << "rcode " << c.rcode;
        EXPECT_EQ(LastError(), c.error) << "rcode " << c.rcode;
    }
    std::vector<std::uint8_t> shortReply(11, 0);
    ClearError();
    EXPECT_FALSE(DnsClassifyReply(shortReply));
    EXPECT_EQ(LastError(), qsErrorInvalidServerResponse);
}

TEST(DnsReplyAnswersQuery, WantsTheSameQuestionInAResponse)
{
    std::vector<std::uint8_t> query = Query("www.example.test", "", kDnsTypeMX);
    struct Case {
        const char *what;
        std::vector<std::uint8_t> reply;
        bool answers;
    } cases[] = {
        {"same question", MessageBuilder(0x8180).Question("www.example.test", kDnsTypeMX).Build(), true},
        {"other letter case", MessageBuilder(0x8580).Question("WWW.Example.TEST", kDnsTypeMX).Build(), true},
        {"other ID", MessageBuilder(0x8180, 0x9999).Question("www.example.test", kDnsTypeMX).Build(), true},
        {"other type", MessageBuilder(0x8180).Question("www.example.test", kDnsTypeA).Build(), false},
        {"other class", MessageBuilder(0x8180).Question("www.example.test", kDnsTypeMX, 3).Build(), false},
        {"other name", MessageBuilder(0x8180).Question("ww.example.test", kDnsTypeMX).Build(), false},
        {"not a response", MessageBuilder(0x0100).Question("www.example.test", kDnsTypeMX).Build(), false},
        {"other opcode", MessageBuilder(0x8980).Question("www.example.test", kDnsTypeMX).Build(), false},
        {"no question", MessageBuilder(0x8180).Build(), false},
        {"two questions",
         MessageBuilder(0x8180).Question("www.example.test", kDnsTypeMX).Question("x", kDnsTypeA).Build(), false},
        {"header only", std::vector<std::uint8_t>(query.begin(), query.begin() + 12), false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DnsReplyAnswersQuery(c.reply, query), c.answers) << c.what;
}

}  // namespace
}  // namespace qs::test
