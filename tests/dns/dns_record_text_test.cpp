// The text of each record type, built from messages with compressed names, and the errors of the
// record text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dns/lib/dns_record_text.h"
#include "tests/dns/dns_test_util.h"
#include "tests/dns/message_builder.h"

namespace qs::test {
namespace {

using Fill = void (*)(MessageBuilder &);

struct TextCase {
    const char *what;
    std::uint16_t asked;
    Fill fill;           // the answer records, after a question for example.test
    std::string text;    // expected text when `error` is 0
    std::uint32_t error;
};

std::vector<std::uint8_t> Reply(std::uint16_t asked, Fill fill)
{
    MessageBuilder m;
    m.Question("example.test", asked);
    fill(m);
    return m.Build();
}

void Soa(MessageBuilder &m)
{
    m.Record("example.test", kDnsTypeSOA).Name("ns1.example.test").Name("hostmaster.example.test");
    m.U32(2024010101).U32(7200).U32(3600).U32(1209600).U32(300);
}

const TextCase kCases[] = {
    {"NS", kDnsTypeNS, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeNS).Name("ns1.example.test"); },
     "ns1.example.test", 0},
    {"MD", kDnsTypeMD, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMD).Name("md.example.test"); },
     "md.example.test", 0},
    {"MF", kDnsTypeMF, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMF).Name("mf.example.test"); },
     "mf.example.test", 0},
    {"MB", kDnsTypeMB, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMB).Name("mb.example.test"); },
     "mb.example.test", 0},
    {"MG", kDnsTypeMG, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMG).Name("mg.example.test"); },
     "mg.example.test", 0},
    {"MR", kDnsTypeMR, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMR).Name("mr.example.test"); },
     "mr.example.test", 0},
    {"CNAME asked for", kDnsTypeCNAME,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeCNAME).Name("www.example.test"); }, "www.example.test",
     0},
    {"SOA gives its primary server", kDnsTypeSOA, Soa, "ns1.example.test", 0},
    {"NULL", kDnsTypeNULL, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeNULL).Bytes({1, 2, 3}); }, "",
     0},
    {"WKS", kDnsTypeWKS,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10, 6, 0, 0, 0x04, 0x42}); },
     "127.0.0.10 tcp ftp smtp 30", 0},
    {"WKS with no bit set", kDnsTypeWKS,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeWKS).Bytes({10, 1, 2, 3, 99}); }, "10.1.2.3 99", 0},
    {"HINFO", kDnsTypeHINFO,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeHINFO).String("intel").String("bsd"); }, "intel bsd",
     0},
    {"HINFO without CPU", kDnsTypeHINFO,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeHINFO).String("").String("Linux"); }, "Linux", 0},
    {"MINFO", kDnsTypeMINFO,
     [](MessageBuilder &m) {
         m.Record("example.test", kDnsTypeMINFO).Name("hostmaster.example.test").Name("errors.example.test");
     },
     "hostmaster.example.test errors.example.test", 0},
    {"MX", kDnsTypeMX,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMX).U16(10).Name("mail.example.test"); },
     "10 mail.example.test", 0},
    {"TXT keeps its length octet", kDnsTypeTXT,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeTXT).String("hello"); }, "\x05hello", 0},
    {"TXT of several strings", kDnsTypeTXT,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeTXT).String("first").String("second"); },
     "\x05" "first\x06second", 0},
    {"TXT ends at a zero octet", kDnsTypeTXT,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeTXT).Bytes({3, 'a', 0, 'b'}); }, "\x03" "a", 0},
    {"RP", kDnsTypeRP,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeRP).Bytes({2, 'r', 'p', 1, 'x'}); }, "\x02rp\x01x",
     0},
    {"LOC", kDnsTypeLOC,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeLOC).Bytes({0x01, 0x33, 0x16, 0x13}); },
     "\x01\x33\x16\x13", 0},
    {"UINFO", kDnsTypeUINFO,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeUINFO).Bytes({'h', 'i'}); }, "hi", 0},
    {"UID", kDnsTypeUID, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeUID).U32(1000); }, "1000", 0},
    {"GID, all bits set", kDnsTypeGID,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeGID).U32(0xFFFFFFFF); }, "4294967295", 0},
    {"UID of three octets", kDnsTypeUID,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeUID).Bytes({0, 3, 0xE8}); }, "", 0},

    {"AAAA has no text form", kDnsTypeAAAA,
     [](MessageBuilder &m) {
         m.Record("example.test", kDnsTypeAAAA).Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
     },
     "", qsErrorInvalidRecordType},
    {"X25 has no text form", kDnsTypeX25,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeX25).String("311061700956"); }, "",
     qsErrorInvalidRecordType},
    {"ISDN has no text form", kDnsTypeISDN,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeISDN).String("150862028003217"); }, "",
     qsErrorInvalidRecordType},
    {"RT has no text form", kDnsTypeRT,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeRT).U16(10).Name("relay.example.test"); }, "",
     qsErrorInvalidRecordType},
    {"SRV has no text form", 33,
     [](MessageBuilder &m) { m.Record("example.test", 33).U16(0).U16(5).U16(389).Name("ldap.example.test"); }, "",
     qsErrorInvalidRecordType},
    {"A is the resolver's", kDnsTypeA,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeA).Bytes({127, 0, 0, 1}); }, "",
     qsErrorInvalidRecordType},
    {"first record of another type", kDnsTypeMX,
     [](MessageBuilder &m) {
         m.Record("example.test", kDnsTypeA).Bytes({127, 0, 0, 1});
         m.Record("example.test", kDnsTypeMX).U16(10).Name("mail.example.test");
     },
     "", qsErrorInvalidRecordData},
    {"no answer", kDnsTypeMX, [](MessageBuilder &) {}, "", qsErrorNoServerResponse},
    {"more answers counted than present", kDnsTypeMX, [](MessageBuilder &m) { m.Counts(1, 2); }, "",
     qsErrorInvalidServerResponse},
    {"data length past the message", kDnsTypeMX,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMX).U16(10).Name("mail.example.test").LengthLies(1); },
     "", qsErrorInvalidServerResponse},
    {"name runs past its record", kDnsTypeNS,
     [](MessageBuilder &m) {
         m.Record("example.test", kDnsTypeNS).Bytes({2, 'n', 's'});
         m.Record("example.test", kDnsTypeNS).Name("ns2.example.test");
     },
     "", qsErrorInvalidServerResponse},
    {"octets after the name", kDnsTypeNS,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeNS).Name("ns1.example.test").U8(7); }, "",
     qsErrorInvalidServerResponse},
    {"SOA without its numbers", kDnsTypeSOA,
     [](MessageBuilder &m) {
         m.Record("example.test", kDnsTypeSOA).Name("ns1.example.test").Name("hostmaster.example.test").U32(1);
     },
     "", qsErrorInvalidServerResponse},
    {"HINFO string past its record", kDnsTypeHINFO,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeHINFO).String("intel").Bytes({9, 'x'}); }, "",
     qsErrorInvalidServerResponse},
    {"WKS shorter than five octets", kDnsTypeWKS,
     [](MessageBuilder &m) { m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 1}); }, "",
     qsErrorInvalidServerResponse},
    {"MX without its name", kDnsTypeMX, [](MessageBuilder &m) { m.Record("example.test", kDnsTypeMX).U16(10); }, "",
     qsErrorInvalidServerResponse},
};

TEST(DnsFormatAnswer, GivesTheTextOfEachRecordType)
{
    for (const TextCase &c : kCases) {
        std::vector<std::uint8_t> reply = Reply(c.asked, c.fill);
        char out[256] = "unchanged";
        int length = -1;
        ClearError();
        DnsAnswerText result = DnsFormatAnswer(reply, c.asked, FixedNames(), out, sizeof out, &length, nullptr);
        if (c.error == 0) {
            ASSERT_EQ(result, DnsAnswerText::Text) << c.what << ": error " << LastError();
            EXPECT_EQ(std::string(out, static_cast<std::size_t>(length)), c.text) << c.what;
            EXPECT_EQ(std::string(out), c.text) << c.what;
        } else {
            EXPECT_EQ(result, DnsAnswerText::Failed) << c.what;
            EXPECT_EQ(LastError(), c.error) << c.what;
            EXPECT_STREQ(out, "") << c.what;
        }
    }
}

TEST(DnsFormatAnswer, HandsBackAnAliasToFollowOnce)
{
    auto fill = [](MessageBuilder &m) {
        m.Record("example.test", kDnsTypeCNAME).Name("www.example.test");
        m.Record("www.example.test", kDnsTypeMX).U16(10).Name("mail.example.test");
    };
    std::vector<std::uint8_t> reply = Reply(kDnsTypeMX, fill);
    char out[64];
    char alias[kDnsAliasSize];
    int length = 0;
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeMX, FixedNames(), out, sizeof out, &length, alias), DnsAnswerText::Alias);
    EXPECT_STREQ(alias, "www.example.test");
    // Already following an alias: a second one is of the wrong type.
    ClearError();
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeMX, FixedNames(), out, sizeof out, &length, nullptr),
              DnsAnswerText::Failed);
    EXPECT_EQ(LastError(), qsErrorInvalidRecordData);
    // A CNAME asked for is the answer itself.
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeCNAME, FixedNames(), out, sizeof out, &length, alias),
              DnsAnswerText::Text);
    EXPECT_STREQ(out, "www.example.test");

    auto broken = [](MessageBuilder &m) { m.Record("example.test", kDnsTypeCNAME).Bytes({3, 'w', 'w'}); };
    reply = Reply(kDnsTypeMX, broken);
    ClearError();
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeMX, FixedNames(), out, sizeof out, &length, alias),
              DnsAnswerText::Failed);
    EXPECT_EQ(LastError(), qsErrorInvalidServerResponse);
}

TEST(DnsFormatAnswer, CutsTheTextToTheCapacity)
{
    auto fill = [](MessageBuilder &m) {
        m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10, 6, 0, 0, 0x04, 0x42});
    };
    std::vector<std::uint8_t> reply = Reply(kDnsTypeWKS, fill);
    char out[16];
    int length = 0;
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeWKS, NoNames(), out, 2, &length, nullptr), DnsAnswerText::Text);
    EXPECT_EQ(length, 1);
    EXPECT_STREQ(out, "1");
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeWKS, NoNames(), out, sizeof out, &length, nullptr), DnsAnswerText::Text);
    EXPECT_STREQ(out, "127.0.0.10 6 21");
    ClearError();
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeWKS, NoNames(), out, 1, &length, nullptr), DnsAnswerText::Failed);
    EXPECT_EQ(LastError(), qsErrorBufferTooSmall);
    EXPECT_EQ(DnsFormatAnswer(reply, kDnsTypeWKS, NoNames(), nullptr, 16, &length, nullptr), DnsAnswerText::Failed);
    EXPECT_EQ(LastError(), qsErrorInvalidBuffer);
}

}  // namespace
}  // namespace qs::test
