// The resolver against real name servers on loopback, NSD and BIND serving the zones of
// tests/peers/dns-zones.sh: every record type of the zone compared with what dig says, host lookups,
// truncated answers completed over TCP (NSD keeps no records in a truncated answer, BIND keeps those
// that fit), the search list and matching through lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "dns/lib/dns_message.h"
#include "tests/dns/dig.h"
#include "tests/dns/resolver_fixture.h"
#include "tests/dns/service_numbers.h"

namespace qs::test {
namespace {

struct Server {
    const char *name;
    const char *portVariable;
};

void PrintTo(const Server &server, std::ostream *out) { *out << server.name; }

class AgainstServer : public ResolverTest, public ::testing::WithParamInterface<Server> {
  protected:
    void SetUp() override
    {
        const char *value = std::getenv(GetParam().portVariable);
        port_ = value != nullptr ? std::atoi(value) : 0;
        if (port_ == 0)
            GTEST_SKIP() << GetParam().portVariable << " is not set: the local test servers are not running";
        ResolverTest::SetUp();
        UseServer(0, "127.0.0.1", port_);
        DnsSetTimeout(handle_, 5);
        DnsSetRetryCount(handle_, 2);
        ASSERT_EQ(RecordText(handle_, "example.test", kDnsTypeSOA), "ns1.example.test")
            << GetParam().name << " does not answer on port " << port_;
    }
    std::vector<std::string> Dig(const std::string &name, const std::string &type)
    {
        return qs::test::Dig(port_, name, type);
    }
    int port_ = 0;
};

bool Contains(const std::vector<std::string> &lines, const std::string &line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A name as the labels of record data: each label's length octet, then its characters.
std::string Labels(const std::string &name)
{
    std::string out;
    std::istringstream labels(name);
    for (std::string label; std::getline(labels, label, '.');)
        out += static_cast<char>(label.size()) + label;
    return out;
}

// The record text is the first record of the answer; servers that rotate record sets may put any of
// them first, so it must be one of the lines dig shows.
TEST_P(AgainstServer, EveryRecordTypeOfTheZoneMatchesDig)
{
    struct Case {
        const char *name;
        int type;
        const char *digType;
    } oneOf[] = {
        {"example.test", kDnsTypeA, "A"},
        {"example.test", kDnsTypeNS, "NS"},
        {"example.test", kDnsTypeMX, "MX"},
        {"example.test", kDnsTypeMINFO, "MINFO"},
        {"alias.example.test", kDnsTypeCNAME, "CNAME"},
        {"mailer.example.test", kDnsTypeA, "A"},
        {"anything.wild.example.test", kDnsTypeA, "A"},
    };
    for (const Case &c : oneOf) {
        const std::string ours = RecordText(handle_, c.name, c.type);
        const std::vector<std::string> dig = Dig(c.name, c.digType);
        EXPECT_TRUE(Contains(dig, ours)) << c.name << " " << c.digType << ": " << ours << " is not one of "
                                         << ::testing::PrintToString(dig);
    }
    // An alias is followed for the type asked: dig lists the chain, then the records.
    EXPECT_TRUE(Contains(Dig("www.example.test", "MX"), RecordText(handle_, "www.example.test", kDnsTypeMX)));

    EXPECT_EQ(RecordText(handle_, "example.test", kDnsTypeSOA), Dig("example.test", "SOA")[0].substr(0, 16));
    EXPECT_EQ(RecordText(handle_, "example.test", kDnsTypeHINFO), "x86-64 Linux");
    EXPECT_EQ(Dig("example.test", "HINFO"), std::vector<std::string>{"\"x86-64\" \"Linux\""});
    EXPECT_EQ(RecordText(handle_, "nocpu.example.test", kDnsTypeHINFO), "Linux");
    EXPECT_EQ(WksNumbers(RecordText(handle_, "example.test", kDnsTypeWKS)), Dig("example.test", "WKS")[0]);
    EXPECT_EQ(RecordText(handle_, "127.0.0.10", kDnsTypePTR), Dig("10.0.0.127.in-addr.arpa", "PTR")[0]);
    EXPECT_EQ(RecordText(handle_, "127.0.0.30", kDnsTypePTR), Dig("30.0.0.127.in-addr.arpa", "PTR").back());
    for (const char *name : {"example.test", "txt.example.test", "multi.example.test", "x.wild.example.test",
                             "medium.example.test"})
        EXPECT_EQ(Quoted(RecordText(handle_, name, kDnsTypeTXT)), Dig(name, "TXT")[0]) << name;
    EXPECT_TRUE(Contains(Dig("big.example.test", "TXT"), Quoted(RecordText(handle_, "big.example.test", kDnsTypeTXT))));

    // Record data kept as it is, up to its first zero octet: the RP's first name as labels, and nothing
    // of LOC (whose version octet is 0).
    const std::vector<std::string> rp = Dig("example.test", "RP");
    ASSERT_EQ(rp.size(), 1u);
    EXPECT_EQ(RecordText(handle_, "example.test", kDnsTypeRP), Labels(rp[0].substr(0, rp[0].find(' '))));
    EXPECT_EQ(RecordText(handle_, "example.test", kDnsTypeLOC), "");
    EXPECT_EQ(Dig("example.test", "LOC").size(), 1u);
    // dig shows these in the generic form "\# LENGTH HEX".
    EXPECT_EQ(Dig("uid.example.test", "TYPE101")[0], "\\# 4 000003E8");
    EXPECT_EQ(RecordText(handle_, "uid.example.test", kDnsTypeUID), std::to_string(0x3E8));
    EXPECT_EQ(Dig("gid.example.test", "TYPE102")[0], "\\# 4 00000064");
    EXPECT_EQ(RecordText(handle_, "gid.example.test", kDnsTypeGID), std::to_string(0x64));
    EXPECT_EQ(Dig("uinfo.example.test", "TYPE100")[0], "\\# 5 68656C6C6F");
    EXPECT_EQ(RecordText(handle_, "uinfo.example.test", kDnsTypeUINFO), "hello");
    EXPECT_EQ(RecordText(handle_, "null.example.test", kDnsTypeNULL), "");
    // Types the text builder does not decode fail once their answer has come.
    const std::string invalidType = "error " + std::to_string(qsErrorInvalidRecordType);
    for (auto [name, type, digType] : {std::tuple{"example.test", 28, "AAAA"},
                                       std::tuple{"x25.example.test", 19, "X25"},
                                       std::tuple{"_ldap._tcp.example.test", 33, "SRV"}}) {
        EXPECT_EQ(RecordText(handle_, name, type), invalidType) << digType;
        EXPECT_EQ(Dig(name, digType).size(), 1u) << digType;
    }
    EXPECT_EQ(RecordText(handle_, "nothing.example.test", kDnsTypeTXT),
              "error " + std::to_string(qsErrorHostNameNotFound));
    EXPECT_EQ(RecordText(handle_, "txt.example.test", kDnsTypeMX), "error " + std::to_string(qsErrorNoServerResponse));
}

TEST_P(AgainstServer, HostLookupsMatchDig)
{
    const DnsHostEntry *entry = DnsGetHostByName(handle_, "alias.example.test");
    ASSERT_NE(entry, nullptr) << Error();
    // dig lists the chain's targets, the entry its owners.
    EXPECT_EQ(Dig("alias.example.test", "A")[0], "www.example.test");
    EXPECT_STREQ(entry->name, "example.test");
    EXPECT_EQ(Aliases(*entry), (std::vector<std::string>{"alias.example.test", "www.example.test"}));
    std::vector<std::string> ours = Addresses(*entry), dig = Dig("example.test", "A");
    std::sort(ours.begin(), ours.end());
    std::sort(dig.begin(), dig.end());
    EXPECT_EQ(ours, dig);

    struct Reverse {
        const char *address;
        const char *name;
    } reverses[] = {{"127.0.0.10", "example.test"},
                    {"127.0.0.13", "first.example.test"},
                    {"127.0.0.30", "host.wild.example.test"}};   // through a CNAME
    char text[256];
    for (const Reverse &r : reverses) {
        EXPECT_GT(DnsGetHostNameText(handle_, r.address, text, sizeof text), 0) << r.address;
        EXPECT_STREQ(text, r.name);
        entry = DnsGetHostByName(handle_, r.address);
        ASSERT_NE(entry, nullptr) << r.address;
        EXPECT_STREQ(entry->name, r.name);
        EXPECT_EQ(Addresses(*entry), std::vector<std::string>{r.address});
    }
    EXPECT_EQ(DnsGetHostAddressText(handle_, "ns1.example.test", text, sizeof text), 10);
    EXPECT_EQ(std::string(text), Dig("ns1.example.test", "A")[0]);
    EXPECT_EQ(DnsGetHostAddressText(handle_, "ns1.example.test", text, 10), -1);
    EXPECT_EQ(Error(), qsErrorBufferTooSmall);
    EXPECT_EQ(DnsGetHostByName(handle_, "nothing.example.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorHostNameNotFound);
    EXPECT_EQ(DnsGetHostNameText(handle_, "127.0.0.99", text, sizeof text), -1);
    EXPECT_EQ(Error(), qsErrorHostNameNotFound);
    EXPECT_EQ(DottedText(DnsGetServerAddress(handle_)), "127.0.0.1");
}

TEST_P(AgainstServer, TruncatedAnswersAreCompletedOverTcp)
{
    // Over UDP 29 of the 80 addresses would fit (BIND sends them with TC set, NSD none); over TCP
    // the reply is cut at 1024 octets, which keeps 35 of them.
    const DnsHostEntry *entry = DnsGetHostByName(handle_, "many.example.test");
    ASSERT_NE(entry, nullptr) << Error();
    std::vector<std::string> ours = Addresses(*entry);
    ASSERT_EQ(ours.size(), 35u);
    const std::vector<std::string> dig = Dig("many.example.test", "A");
    ASSERT_EQ(dig.size(), 80u);
    for (const std::string &address : ours)
        EXPECT_TRUE(Contains(dig, address)) << address;
    if (std::string(GetParam().name) == "nsd")
        EXPECT_EQ(ours, std::vector<std::string>(dig.begin(), dig.begin() + 35));
    // All seven strings of a record that does not fit in 512 octets.
    EXPECT_EQ(Quoted(RecordText(handle_, "medium.example.test", kDnsTypeTXT)), Dig("medium.example.test", "TXT")[0]);
}

TEST_P(AgainstServer, MailExchangersComeInPreferenceOrder)
{
    ASSERT_EQ(DnsGetMailExchanges(handle_, "example.test", 0), 3);
    const DnsMailExchangeList *list = DnsGetMailExchangeList(handle_);
    std::vector<std::string> ours;
    for (std::size_t i = 0; i < list->Count(); ++i)
        ours.push_back(std::to_string(list->At(i).preference) + " " + list->At(i).name);
    EXPECT_EQ(ours[2], "20 mx20.example.test");
    std::vector<std::string> dig = Dig("example.test", "MX");
    std::sort(ours.begin(), ours.end());
    std::sort(dig.begin(), dig.end());
    EXPECT_EQ(ours, dig);
    EXPECT_EQ(DnsGetMailExchanges(handle_, "txt.example.test", 0), -1);
    EXPECT_EQ(Error(), qsErrorNoServerResponse);

    char text[128];
    EXPECT_GT(DnsGetHostServices(handle_, "example.test", 6, text, sizeof text), 0);
    EXPECT_EQ(WksNumbers("127.0.0.10 6 " + std::string(text)), Dig("example.test", "WKS")[0]);
    EXPECT_EQ(DnsGetHostServices(handle_, "example.test", 17, text, sizeof text), 0);
    EXPECT_EQ(DnsGetHostServices(handle_, "example.test", 1, text, sizeof text), -1);
    EXPECT_EQ(Error(), qsErrorProtocolNotSupported);
    EXPECT_EQ(DnsGetHostInfo(handle_, "example.test", text, sizeof text), 12);
}

TEST_P(AgainstServer, NamesAreSearchedThroughTheLocalDomain)
{
    // Four labels: the name is tried under deep.sub.example.test, sub.example.test, then example.test.
    ASSERT_EQ(DnsSetLocalDomain(handle_, "deep.sub.example.test"), 0);
    char text[64];
    EXPECT_EQ(DnsGetHostAddressText(handle_, "ns1", text, sizeof text), 10);
    EXPECT_STREQ(text, "127.0.0.11");
    EXPECT_EQ(RecordText(handle_, "www", kDnsTypeCNAME), "example.test");
    // A name with a dot that the search list does not find is asked as given.
    EXPECT_EQ(RecordText(handle_, "first.example.test", kDnsTypeA), "127.0.0.13");
    // A single label with a final dot is asked once, under the local domain.
    ASSERT_EQ(DnsSetLocalDomain(handle_, "example.test"), 0);
    EXPECT_EQ(RecordText(handle_, "second.", kDnsTypeA), "127.0.0.14");
    ASSERT_EQ(DnsSetLocalDomain(handle_, ""), 0);
    EXPECT_EQ(RecordText(handle_, "second", kDnsTypeA), "error " + std::to_string(qsErrorHostNameRefused));
}

TEST_P(AgainstServer, MatchHostTriesTheOtherFormFirst)
{
    EXPECT_EQ(DnsMatchHost(handle_, "127.0.0.10", "*.TEST", true), 1);
    EXPECT_EQ(DnsMatchHost(handle_, "127.0.0.10", "*.TEST", false), 0);
    EXPECT_EQ(DnsMatchHost(handle_, "first.example.test", "127.0.0.1?", true), 1);
    EXPECT_EQ(DnsMatchHost(handle_, "first.example.test", "127.0.0.1?", false), 0);
    // The other form cannot be found: the host as given.
    EXPECT_EQ(DnsMatchHost(handle_, "nothing.example.test", "*.example.test", true), 1);
}

TEST_P(AgainstServer, LocalNameIsTheNameOfTheLocalAddress)
{
    const std::uint32_t address = DnsGetLocalAddress(handle_);
    ASSERT_NE(address, 0xFFFFFFFFu) << Error();
    char name[128];
    ASSERT_GT(DnsGetLocalName(handle_, name, sizeof name), 0) << Error();
    if (DottedText(address) == "127.0.0.1")
        EXPECT_STREQ(name, "localhost");   // the zone's PTR record for 127.0.0.1
    EXPECT_EQ(DnsGetLocalName(handle_, name, 2), -1);
    EXPECT_EQ(Error(), qsErrorBufferTooSmall);
}

INSTANTIATE_TEST_SUITE_P(Servers, AgainstServer,
                         ::testing::Values(Server{"nsd", "QS_PEER_DNS_PORT"}, Server{"bind9", "QS_PEER_BIND_PORT"}),
                         [](const ::testing::TestParamInfo<Server> &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qs::test
