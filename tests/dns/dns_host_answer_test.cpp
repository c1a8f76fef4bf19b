// Address and pointer answers read into a host entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dns/lib/dns_host_answer.h"
#include "tests/dns/dns_test_util.h"
#include "tests/dns/message_builder.h"

namespace qs::test {
namespace {

std::vector<std::string> Aliases(const DnsHostEntry &entry)
{
    std::vector<std::string> names;
    for (const char *const *alias = entry.aliases; *alias != nullptr; ++alias)
        names.emplace_back(*alias);
    return names;
}

std::vector<std::string> Addresses(const DnsHostEntry &entry)
{
    std::vector<std::string> dotted;
    for (const std::uint8_t *const *a = entry.addresses; *a != nullptr; ++a)
        dotted.push_back(std::to_string((*a)[0]) + "." + std::to_string((*a)[1]) + "." + std::to_string((*a)[2]) +
                         "." + std::to_string((*a)[3]));
    return dotted;
}

MessageBuilder &A(MessageBuilder &m, const char *owner, std::uint8_t last, std::uint16_t rclass = 1)
{
    return m.Record(owner, kDnsTypeA, rclass).Bytes({127, 0, 0, last});
}

TEST(DnsReadHostAnswer, TakesAliasesFromCnamesAndTheNameFromTheFirstAddress)
{
    MessageBuilder m;
    m.Question("alias.example.test", kDnsTypeA);
    m.Record("alias.example.test", kDnsTypeCNAME).Name("www.example.test");
    m.Record("www.example.test", kDnsTypeCNAME).Name("example.test");
    A(m, "example.test", 10);
    A(m, "example.test", 20);
    m.Record("example.test", kDnsTypeTXT).String("ignored");
    A(m, "example.test", 30);
    std::vector<std::uint8_t> reply = m.Build();
    DnsHostArea area;
    const DnsHostEntry *entry = DnsReadHostAnswer(reply, DnsHostMode::Address, area);
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->name, "example.test");
    EXPECT_EQ(Aliases(*entry), (std::vector<std::string>{"alias.example.test", "www.example.test"}));
    EXPECT_EQ(entry->addressType, 2);
    EXPECT_EQ(entry->addressLength, 4);
    EXPECT_EQ(Addresses(*entry), (std::vector<std::string>{"127.0.0.10", "127.0.0.20", "127.0.0.30"}));
}

TEST(DnsReadHostAnswer, SkipsAddressesUnlikeTheFirst)
{
    MessageBuilder m;
    m.Question("h.test", kDnsTypeA);
    m.Record("h.test", kDnsTypeA).Bytes({127, 0, 0, 1, 9, 9});  // not an IPv4 address
    A(m, "h.test", 2);
    A(m, "h.test", 3, 3);  // another class than the first
    A(m, "h.test", 4);
    std::vector<std::uint8_t> reply = m.Build();
    DnsHostArea area;
    const DnsHostEntry *entry = DnsReadHostAnswer(reply, DnsHostMode::Address, area);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Addresses(*entry), (std::vector<std::string>{"127.0.0.2", "127.0.0.4"}));

    // A first address of another class gives address type 0.
    MessageBuilder chaos;
    A(chaos, "h.test", 5, 3);
    reply = chaos.Build();
    entry = DnsReadHostAnswer(reply, DnsHostMode::Address, area);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->addressType, 0);
}

TEST(DnsReadHostAnswer, KeepsAtMostThirtyFiveAddressesAndThirtyFourAliases)
{
    MessageBuilder m;
    for (int i = 0; i < 40; ++i)
        m.Record(("a" + std::to_string(i) + ".test").c_str(), kDnsTypeCNAME).Name("t.test");
    for (int i = 0; i < 40; ++i)
        A(m, "t.test", static_cast<std::uint8_t>(i));
    std::vector<std::uint8_t> reply = m.Build();
    DnsHostArea area;
    const DnsHostEntry *entry = DnsReadHostAnswer(reply, DnsHostMode::Address, area);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Aliases(*entry).size(), 34u);
    EXPECT_EQ(Addresses(*entry).size(), 35u);
    EXPECT_EQ(Addresses(*entry).back(), "127.0.0.34");
}

TEST(DnsReadHostAnswer, StopsWhenTheNameAreaIsFull)
{
    // Aliases of 200 characters fill the 1024-octet area after five; the address after them is lost.
    std::string label(60, 'x');
    MessageBuilder m;
    for (int i = 0; i < 6; ++i) {
        std::string alias = std::to_string(i) + label + "." + label + "." + label + "." + std::string(17, 'y');
        m.Record(alias.c_str(), kDnsTypeCNAME).Name("t.test");
    }
    A(m, "t.test", 1);
    std::vector<std::uint8_t> reply = m.Build();
    DnsHostArea area;
    ClearError();
    EXPECT_EQ(DnsReadHostAnswer(reply, DnsHostMode::Address, area), nullptr);
    EXPECT_EQ(LastError(), qsErrorInvalidServerResponse);
    EXPECT_EQ(area.AliasCount(), 5u);
}

struct BrokenCase {
    const char *what;
    std::vector<std::uint8_t> reply;
    DnsHostMode mode;
    std::size_t addresses;  // 0: fails with `error`
    std::uint32_t error;
};

TEST(DnsReadHostAnswer, SurvivesRepliesThatLie)
{
    // Two addresses, then optionally a third whose data length claims 20 octets more than the message has.
    auto twoAddresses = [](int answersCounted, bool cutThird) {
        MessageBuilder m;
        m.Question("h.test", kDnsTypeA);
        A(m, "h.test", 1);
        A(m, "h.test", 2);
        if (cutThird)
            A(m, "h.test", 3).LengthLies(20);
        if (answersCounted >= 0)
            m.Counts(1, answersCounted);
        return m.Build();
    };
    auto onlyCname = [] {
        MessageBuilder m;
        m.Question("h.test", kDnsTypeA);
        m.Record("h.test", kDnsTypeCNAME).Name("t.test");
        return m.Build();
    };
    auto badOwner = [] {
        std::vector<std::uint8_t> reply = AfterHeader({0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 0, 0, 4, 127, 0, 0, 1});
        reply[7] = 1;  // ANCOUNT
        return reply;
    };
    const BrokenCase cases[] = {
        {"more answers counted than present", twoAddresses(9, false), DnsHostMode::Address, 2, 0},
        {"last record's data runs past the end", twoAddresses(-1, true), DnsHostMode::Address, 2, 0},
        {"only a CNAME", onlyCname(), DnsHostMode::Address, 0, qsErrorInvalidServerResponse},
        {"no answers", MessageBuilder().Question("h.test", kDnsTypeA).Build(), DnsHostMode::Address, 0,
         qsErrorInvalidServerResponse},
        {"more questions counted than present", MessageBuilder().Question("h.test", kDnsTypeA).Counts(2, 0).Build(),
         DnsHostMode::Address, 0, qsErrorInvalidServerResponse},
        {"owner name loops", badOwner(), DnsHostMode::Address, 0, qsErrorInvalidServerResponse},
        {"header cut short", std::vector<std::uint8_t>(11, 0), DnsHostMode::Address, 0,
         qsErrorInvalidServerResponse},
        {"pointer reply without question, authoritative", MessageBuilder(0x8580).Build(), DnsHostMode::Pointer, 0,
         qsErrorHostNameNotFound},
        {"pointer reply without question", MessageBuilder(0x8180).Build(), DnsHostMode::Pointer, 0,
         qsErrorInvalidServerResponse},
    };
    for (const BrokenCase &c : cases) {
        DnsHostArea area;
        ClearError();
        const DnsHostEntry *entry = DnsReadHostAnswer(c.reply, c.mode, area);
        if (c.addresses == 0) {
            EXPECT_EQ(entry, nullptr) << c.what;
            EXPECT_EQ(LastError(), c.error) << c.what;
        } else {
            ASSERT_NE(entry, nullptr) << c.what;
            EXPECT_EQ(Addresses(*entry).size(), c.addresses) << c.what;
        }
    }
}

TEST(DnsReadHostAnswer, ReturnsTheFirstReadablePointer)
{
    MessageBuilder m;
    m.Question("10.0.0.127.in-addr.arpa", kDnsTypePTR);
    m.Record("10.0.0.127.in-addr.arpa", kDnsTypeCNAME).Name("10.sub.0.0.127.in-addr.arpa");
    m.Record("10.sub.0.0.127.in-addr.arpa", kDnsTypePTR).Bytes({5, 'b', 'r', 'o'});  // cut name: skipped
    m.Record("10.sub.0.0.127.in-addr.arpa", kDnsTypePTR).Name("host.example.test");
    m.Record("10.sub.0.0.127.in-addr.arpa", kDnsTypePTR).Name("second.example.test");
    std::vector<std::uint8_t> reply = m.Build();
    DnsHostArea area;
    const DnsHostEntry *entry = DnsReadHostAnswer(reply, DnsHostMode::Pointer, area);
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->name, "host.example.test");
    EXPECT_EQ(Aliases(*entry), (std::vector<std::string>{"10.0.0.127.in-addr.arpa"}));
    EXPECT_EQ(entry->addresses[0], nullptr);
    // The caller adds the address it asked for.
    const std::uint8_t asked[4] = {127, 0, 0, 10};
    EXPECT_TRUE(area.AddAddress(asked));
    area.SetAddressForm(kDnsAddressTypeInet, 4);
    EXPECT_EQ(Addresses(area.Entry()), (std::vector<std::string>{"127.0.0.10"}));

    // Without a pointer record, the question name alone is no answer.
    MessageBuilder none;
    none.Question("10.0.0.127.in-addr.arpa", kDnsTypePTR);
    A(none, "10.0.0.127.in-addr.arpa", 1);
    reply = none.Build();
    ClearError();
    EXPECT_EQ(DnsReadHostAnswer(reply, DnsHostMode::Pointer, area), nullptr);
    EXPECT_EQ(LastError(), qsErrorInvalidServerResponse);
}

}  // namespace
}  // namespace qs::test
