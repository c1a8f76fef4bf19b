// Mail-exchanger lists and the services of a host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dns/lib/dns_mail_exchanges.h"
#include "dns/lib/dns_services.h"
#include "tests/dns/dns_test_util.h"
#include "tests/dns/message_builder.h"

namespace qs::test {
namespace {

MessageBuilder &Mx(MessageBuilder &m, std::uint16_t preference, const char *exchange)
{
    return m.Record("example.test", kDnsTypeMX).U16(preference).Name(exchange);
}

std::vector<std::string> List(const DnsMailExchangeList &list)
{
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < list.Count(); ++i)
        entries.push_back(std::to_string(list.At(i).preference) + " " + list.At(i).name);
    return entries;
}

TEST(DnsReadMailExchanges, SortsByPreferenceKeepingTheOrderOfEqualOnes)
{
    MessageBuilder m;
    m.Question("example.test", kDnsTypeMX);
    Mx(m, 20, "mx20.example.test");
    Mx(m, 10, "first.example.test");
    Mx(m, 10, "second.example.test");
    m.Record("example.test", kDnsTypeA).Bytes({127, 0, 0, 1});
    Mx(m, 5, "after-another-type.example.test");
    std::vector<std::uint8_t> reply = m.Build();
    DnsMailExchangeList list;
    EXPECT_EQ(DnsReadMailExchanges(reply, 0, list), 3);
    EXPECT_EQ(List(list), (std::vector<std::string>{"10 first.example.test", "10 second.example.test",
                                                    "20 mx20.example.test"}));
    EXPECT_EQ(DnsReadMailExchanges(reply, 2, list), 2);
    EXPECT_EQ(List(list), (std::vector<std::string>{"10 first.example.test", "20 mx20.example.test"}));
    EXPECT_EQ(DnsReadMailExchanges(reply, 36, list), 3);
}

TEST(DnsReadMailExchanges, PassesOverTheAliasInFront)
{
    MessageBuilder m;
    m.Question("alias.example.test", kDnsTypeMX);
    m.Record("alias.example.test", kDnsTypeCNAME).Name("example.test");
    Mx(m, 10, "mail.example.test");
    std::vector<std::uint8_t> reply = m.Build();
    DnsMailExchangeList list;
    EXPECT_EQ(DnsReadMailExchanges(reply, 0, list), 1);
    EXPECT_EQ(List(list), (std::vector<std::string>{"10 mail.example.test"}));
}

TEST(DnsReadMailExchanges, StopsWhereTheStoreIsFull)
{
    // Names of 251 characters: four fit in the 1025-octet store, the fifth does not.
    std::string label(62, 'm');
    MessageBuilder m;
    for (int i = 0; i < 6; ++i) {
        std::string name = std::to_string(i) + label + "." + label + "." + label + "." + label.substr(0, 61);
        Mx(m, static_cast<std::uint16_t>(i), name.c_str());
    }
    std::vector<std::uint8_t> reply = m.Build();
    DnsMailExchangeList list;
    EXPECT_EQ(DnsReadMailExchanges(reply, 0, list), 4);
}

TEST(DnsReadMailExchanges, RefusesBrokenExchangeRecords)
{
    struct Case {
        const char *what;
        std::vector<std::uint8_t> reply;
        int result;
    } cases[] = {
        {"exchange name runs past its record",
         [] {
             MessageBuilder m;
             m.Record("example.test", kDnsTypeMX).U16(10).Bytes({4, 'm', 'a', 'i', 'l'});
             m.Record("example.test", kDnsTypeA).Bytes({0, 0, 0, 0});
             return m.Build();
         }(),
         -1},
        {"octets after the exchange name",
         [] {
             MessageBuilder m;
             Mx(m, 10, "mail.example.test").U8(0);
             return m.Build();
         }(),
         -1},
        {"preference only",
         [] {
             MessageBuilder m;
             m.Record("example.test", kDnsTypeMX).U16(10);
             return m.Build();
         }(),
         -1},
        {"question cannot be stepped over", MessageBuilder().Counts(1, 1).Build(), -1},
        {"more answers counted than present",
         [] {
             MessageBuilder m;
             Mx(m, 10, "mail.example.test");
             m.Counts(0, 7);
             return m.Build();
         }(),
         1},
        {"second record cut by the end",
         [] {
             MessageBuilder m;
             Mx(m, 10, "mail.example.test");
             Mx(m, 20, "mail2.example.test").LengthLies(9);
             return m.Build();
         }(),
         1},
    };
    for (const Case &c : cases) {
        DnsMailExchangeList list;
        ClearError();
        EXPECT_EQ(DnsReadMailExchanges(c.reply, 0, list), c.result) << c.what;
        if (c.result < 0)
            EXPECT_EQ(LastError(), qsErrorInvalidServerResponse) << c.what;
    }
}

std::vector<std::uint8_t> WksReply()
{
    MessageBuilder m;
    m.Question("example.test", kDnsTypeWKS);
    // UDP: port 53 (octet 6, mask 0x04).
    m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10, 17, 0, 0, 0, 0, 0, 0, 0x04});
    // TCP: ports 21, 25 and 30 (octet 2: 0x04; octet 3: 0x40 | 0x02).
    m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10, 6, 0, 0, 0x04, 0x42});
    return m.Build();
}

TEST(DnsReadHostServices, ListsThePortsOfTheProtocolAsked)
{
    std::vector<std::uint8_t> reply = WksReply();
    char text[64];
    EXPECT_EQ(DnsReadHostServices(reply, 6, FixedNames(), text, sizeof text), 11);
    EXPECT_STREQ(text, "ftp smtp 30");
    EXPECT_EQ(DnsReadHostServices(reply, 17, FixedNames(), text, sizeof text), 6);
    EXPECT_STREQ(text, "domain");
    EXPECT_EQ(DnsReadHostServices(reply, 6, NoNames(), text, 6), 5);
    EXPECT_STREQ(text, "21 25");
}

TEST(DnsReadHostServices, GivesNothingOrAnErrorForWhatItCannotUse)
{
    char text[64];
    std::vector<std::uint8_t> reply = WksReply();
    ClearError();
    EXPECT_EQ(DnsReadHostServices(reply, 1, FixedNames(), text, sizeof text), -1);
    EXPECT_EQ(LastError(), qsErrorProtocolNotSupported);
    EXPECT_EQ(DnsReadHostServices(reply, 6, FixedNames(), nullptr, 1), -1);
    EXPECT_EQ(LastError(), qsErrorInvalidBuffer);

    MessageBuilder shortRecord;
    shortRecord.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10});
    shortRecord.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10, 6, 0x80});
    reply = shortRecord.Build();
    EXPECT_EQ(DnsReadHostServices(reply, 6, FixedNames(), text, sizeof text), 0);

    MessageBuilder none;
    none.Question("example.test", kDnsTypeWKS);
    reply = none.Build();
    EXPECT_EQ(DnsReadHostServices(reply, 6, FixedNames(), text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

TEST(DnsReadHostServices, CutsTheListAtTheTextArea)
{
    // Every port of a full bit map: far more than 1024 characters of port numbers.
    MessageBuilder m;
    m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 1, 6});
    for (int i = 0; i < 1000; ++i)
        m.U8(0xFF);
    std::vector<std::uint8_t> reply = m.Build();
    std::vector<char> text(4096);
    EXPECT_EQ(DnsReadHostServices(reply, 6, NoNames(), text.data(), text.size()), 1024);
    EXPECT_EQ(std::string(text.data()).substr(0, 12), "0 1 2 3 4 5 ");
}

}  // namespace
}  // namespace qs::test
