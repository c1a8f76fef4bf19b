// The codec against a real NSD serving the test zones (tests/peers/start-nsd.sh): queries built here,
// replies fetched over loopback by this test, their text compared with what dig prints for the same
// question. Skips when no server answers on QS_PEER_DNS_PORT.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dns/lib/dns_header.h"
#include "dns/lib/dns_host_answer.h"
#include "dns/lib/dns_mail_exchanges.h"
#include "dns/lib/dns_query.h"
#include "dns/lib/dns_record_text.h"
#include "tests/dns/dig.h"
#include "tests/dns/dns_test_util.h"

namespace qs::test {
namespace {

constexpr int kWaitMs = 5000;  // a safety net on loopback, not a measurement

int Port()
{
    const char *port = std::getenv("QS_PEER_DNS_PORT");
    return port != nullptr ? std::atoi(port) : 0;
}

class Socket {
public:
    explicit Socket(int type) : fd_(::socket(AF_INET, type, 0)) {}
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }
    bool Connect(int port)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(fd_, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0;
    }
    bool Readable()
    {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, kWaitMs) == 1;
    }
    bool ReadExactly(std::uint8_t *out, std::size_t size)
    {
        for (std::size_t got = 0; got < size;) {
            if (!Readable())
                return false;
            ssize_t n = ::recv(fd_, out + got, size - got, 0);
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

// One exchange with the server; the whole reply, however long.
std::vector<std::uint8_t> Exchange(const std::vector<std::uint8_t> &query, bool tcp)
{
    Socket s(tcp ? SOCK_STREAM : SOCK_DGRAM);
    if (s.fd() < 0 || !s.Connect(Port()))
        return {};
    if (!tcp) {
        std::vector<std::uint8_t> reply(65535);
        if (::send(s.fd(), query.data(), query.size(), 0) != static_cast<ssize_t>(query.size()) || !s.Readable())
            return {};
        ssize_t n = ::recv(s.fd(), reply.data(), reply.size(), 0);
        reply.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return reply;
    }
    std::vector<std::uint8_t> framed = {static_cast<std::uint8_t>(query.size() >> 8),
                                        static_cast<std::uint8_t>(query.size())};
    framed.insert(framed.end(), query.begin(), query.end());
    if (::send(s.fd(), framed.data(), framed.size(), 0) != static_cast<ssize_t>(framed.size()))
        return {};
    std::uint8_t length[2];
    if (!s.ReadExactly(length, 2))
        return {};
    std::vector<std::uint8_t> reply(static_cast<std::size_t>(length[0] << 8 | length[1]));
    if (!s.ReadExactly(reply.data(), reply.size()))
        return {};
    return reply;
}

// The reply as the resolver keeps it: over UDP first, over TCP when truncated, at most 1024 octets.
std::vector<std::uint8_t> Ask(const char *name, std::uint16_t type)
{
    static std::uint16_t id = 0x4000;
    std::vector<std::uint8_t> query(kDnsMessageSize);
    int length = DnsBuildQuery(++id, name, "", kDnsClassInternet, type, query);
    EXPECT_GT(length, 0) << name;
    query.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    std::vector<std::uint8_t> reply = Exchange(query, false);
    EXPECT_TRUE(DnsReplyAnswersQuery(reply, query)) << name;
    DnsReader reader(reply);
    DnsHeader header;
    if (DnsReadHeader(reader, &header) && header.IsTruncated()) {
        reply = Exchange(query, true);
        EXPECT_TRUE(DnsReplyAnswersQuery(reply, query)) << name;
    }
    if (reply.size() > kDnsMessageSize)
        reply.resize(kDnsMessageSize);
    return reply;
}

std::vector<std::string> Dig(const std::string &name, const std::string &type) { return qs::test::Dig(Port(), name, type); }

std::string Format(const std::vector<std::uint8_t> &reply, std::uint16_t type, char *alias = nullptr)
{
    char text[kDnsTextAreaSize];
    int length = 0;
    DnsAnswerText result = DnsFormatAnswer(reply, type, NoNames(), text, sizeof text, &length, alias);
    if (result == DnsAnswerText::Failed)
        return "error " + std::to_string(LastError());
    return result == DnsAnswerText::Alias ? "alias " + std::string(alias) : std::string(text, length);
}

class DnsAgainstNsd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Port() == 0)
            GTEST_SKIP() << "QS_PEER_DNS_PORT is not set";
        std::vector<std::uint8_t> probe(kDnsMessageSize);
        probe.resize(static_cast<std::size_t>(DnsBuildQuery(1, "example.test", "", 1, kDnsTypeSOA, probe)));
        if (Exchange(probe, false).empty())
            GTEST_SKIP() << "no DNS server answers on port " << Port();
    }
};

TEST_F(DnsAgainstNsd, RecordTextsMatchDig)
{
    struct Case {
        const char *name;
        std::uint16_t type;
        const char *digType;
        std::string (*fromDig)(const std::vector<std::string> &lines);
        std::string (*fromOurs)(const std::string &text);
    };
    auto firstLine = [](const std::vector<std::string> &lines) { return lines.empty() ? "" : lines[0]; };
    auto firstWord = [](const std::vector<std::string> &lines) {
        return lines.empty() ? std::string() : lines[0].substr(0, lines[0].find(' '));
    };
    auto unquoted = [](const std::vector<std::string> &lines) {
        std::string line = lines.empty() ? "" : lines[0], out;
        for (char c : line)
            if (c != '"')
                out += c;
        return !out.empty() && out.front() == ' ' ? out.substr(1) : out;
    };
    auto same = [](const std::string &text) { return text; };
    auto quoted = [](const std::string &text) { return Quoted(text); };
    const Case cases[] = {
        {"example.test", kDnsTypeNS, "NS", firstLine, same},
        {"example.test", kDnsTypeSOA, "SOA", firstWord, same},
        {"example.test", kDnsTypeMX, "MX", firstLine, same},
        {"example.test", kDnsTypeHINFO, "HINFO", unquoted, same},
        {"nocpu.example.test", kDnsTypeHINFO, "HINFO", unquoted, same},
        {"example.test", kDnsTypeMINFO, "MINFO", firstLine, same},
        {"example.test", kDnsTypeWKS, "WKS", firstLine, same},
        {"alias.example.test", kDnsTypeCNAME, "CNAME", firstLine, same},
        {"example.test", kDnsTypeTXT, "TXT", firstLine, quoted},
        {"multi.example.test", kDnsTypeTXT, "TXT", firstLine, quoted},
        {"x.wild.example.test", kDnsTypeTXT, "TXT", firstLine, quoted},
        {"medium.example.test", kDnsTypeTXT, "TXT", firstLine, quoted},
        {"big.example.test", kDnsTypeTXT, "TXT", firstLine, quoted},
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> reply = Ask(c.name, c.type);
        ASSERT_TRUE(DnsClassifyReply(reply)) << c.name << " " << c.digType;
        EXPECT_EQ(c.fromOurs(Format(reply, c.type)), c.fromDig(Dig(c.name, c.digType))) << c.name << " " << c.digType;
    }
}

TEST_F(DnsAgainstNsd, RecordsWithoutAReadableFormMatchTheirData)
{
    // dig shows these in the generic form "\# LENGTH HEX".
    EXPECT_EQ(Dig("uid.example.test", "TYPE101"), std::vector<std::string>{"\\# 4 000003E8"});
    EXPECT_EQ(Format(Ask("uid.example.test", kDnsTypeUID), kDnsTypeUID), "1000");
    EXPECT_EQ(Format(Ask("gid.example.test", kDnsTypeGID), kDnsTypeGID), "100");
    EXPECT_EQ(Dig("uinfo.example.test", "TYPE100"), std::vector<std::string>{"\\# 5 68656C6C6F"});
    EXPECT_EQ(Format(Ask("uinfo.example.test", kDnsTypeUINFO), kDnsTypeUINFO), "hello");
    EXPECT_EQ(Format(Ask("null.example.test", kDnsTypeNULL), kDnsTypeNULL), "");
    // Record data kept unchanged ends at its first zero octet: RP keeps its first name's labels, LOC
    // (whose version octet is 0) nothing at all.
    EXPECT_EQ(Format(Ask("example.test", kDnsTypeRP), kDnsTypeRP), "\x0Ahostmaster\x07" "example\x04test");
    EXPECT_EQ(Format(Ask("example.test", kDnsTypeLOC), kDnsTypeLOC), "");
    const std::string invalidType = "error " + std::to_string(qsErrorInvalidRecordType);
    EXPECT_EQ(Format(Ask("example.test", kDnsTypeAAAA), kDnsTypeAAAA), invalidType);
    EXPECT_EQ(Format(Ask("x25.example.test", kDnsTypeX25), kDnsTypeX25), invalidType);
}

TEST_F(DnsAgainstNsd, AnAliasIsFollowedOnce)
{
    char alias[kDnsAliasSize];
    EXPECT_EQ(Format(Ask("www.example.test", kDnsTypeMX), kDnsTypeMX, alias), "alias example.test");
    std::vector<std::string> dig = Dig("www.example.test", "MX");
    ASSERT_EQ(dig.size(), 4u);
    EXPECT_EQ(dig[0], "example.test");
    EXPECT_EQ(Format(Ask(alias, kDnsTypeMX), kDnsTypeMX), dig[1]);
}

TEST_F(DnsAgainstNsd, HostEntriesMatchDig)
{
    DnsHostArea area;
    std::vector<std::uint8_t> reply = Ask("alias.example.test", kDnsTypeA);
    const DnsHostEntry *entry = DnsReadHostAnswer(reply, DnsHostMode::Address, area);
    ASSERT_NE(entry, nullptr);
    std::vector<std::string> ours = {entry->aliases[0], entry->aliases[1]};
    for (const std::uint8_t *const *a = entry->addresses; *a != nullptr; ++a)
        ours.push_back(inet_ntoa(in_addr{*reinterpret_cast<const in_addr_t *>(*a)}));
    EXPECT_EQ(entry->aliases[2], nullptr);
    EXPECT_STREQ(entry->name, "example.test");
    // dig lists the chain's targets, we list its owners: compare the addresses and the chain.
    EXPECT_EQ(std::vector<std::string>(ours.begin() + 2, ours.end()),
              (std::vector<std::string>{"127.0.0.10", "127.0.0.20"}));
    EXPECT_EQ(Dig("alias.example.test", "A"),
              (std::vector<std::string>{"www.example.test", "example.test", "127.0.0.10", "127.0.0.20"}));
    EXPECT_EQ(ours[0], "alias.example.test");
    EXPECT_EQ(ours[1], "www.example.test");

    struct Reverse {
        const char *name;
        const char *official;
    } reverses[] = {{"10.0.0.127.in-addr.arpa", "example.test"}, {"30.0.0.127.in-addr.arpa", "host.wild.example.test"}};
    for (const Reverse &r : reverses) {
        reply = Ask(r.name, kDnsTypePTR);
        entry = DnsReadHostAnswer(reply, DnsHostMode::Pointer, area);
        ASSERT_NE(entry, nullptr) << r.name;
        EXPECT_STREQ(entry->name, r.official);
        EXPECT_EQ(Dig(r.name, "PTR").back(), r.official);
    }
}

TEST_F(DnsAgainstNsd, TruncatedRepliesAreCompletedOverTcp)
{
    // Over UDP, NSD answers the 80 addresses with TC set and no records at all.
    std::vector<std::uint8_t> query(kDnsMessageSize);
    query.resize(static_cast<std::size_t>(DnsBuildQuery(7, "many.example.test", "", 1, kDnsTypeA, query)));
    std::vector<std::uint8_t> udp = Exchange(query, false);
    DnsReader reader(udp);
    DnsHeader header;
    ASSERT_TRUE(DnsReadHeader(reader, &header));
    EXPECT_TRUE(header.IsTruncated());
    ClearError();
    EXPECT_FALSE(DnsClassifyReply(udp));
    EXPECT_EQ(LastError(), qsErrorNoServerResponse);

    // Over TCP all of them come, more than the 1024 octets kept: the cut record ends the walk, and the
    // first 35 addresses are those dig lists first.
    std::vector<std::uint8_t> tcp = Ask("many.example.test", kDnsTypeA);
    EXPECT_EQ(tcp.size(), kDnsMessageSize);
    DnsHostArea area;
    const DnsHostEntry *entry = DnsReadHostAnswer(tcp, DnsHostMode::Address, area);
    ASSERT_NE(entry, nullptr);
    std::vector<std::string> dig = Dig("many.example.test", "A");
    ASSERT_EQ(dig.size(), 80u);
    std::vector<std::string> ours;
    for (const std::uint8_t *const *a = entry->addresses; *a != nullptr; ++a)
        ours.push_back(inet_ntoa(in_addr{*reinterpret_cast<const in_addr_t *>(*a)}));
    EXPECT_EQ(ours, std::vector<std::string>(dig.begin(), dig.begin() + 35));
}

TEST_F(DnsAgainstNsd, MailExchangersAndServicesMatchDig)
{
    DnsMailExchangeList list;
    std::vector<std::uint8_t> reply = Ask("example.test", kDnsTypeMX);
    ASSERT_EQ(DnsReadMailExchanges(reply, 0, list), 3);
    std::vector<std::string> ours;
    for (std::size_t i = 0; i < list.Count(); ++i)
        ours.push_back(std::to_string(list.At(i).preference) + " " + list.At(i).name);
    std::vector<std::string> dig = Dig("example.test", "MX");
    std::stable_sort(dig.begin(), dig.end(), [](const std::string &a, const std::string &b) {
        return std::stoi(a) < std::stoi(b);
    });
    EXPECT_EQ(ours, dig);

    char text[128];
    reply = Ask("example.test", kDnsTypeWKS);
    EXPECT_EQ(DnsReadHostServices(reply, 6, NoNames(), text, sizeof text), 8);
    EXPECT_EQ("127.0.0.10 6 " + std::string(text), Dig("example.test", "WKS")[0]);
}

TEST_F(DnsAgainstNsd, RepliesWithoutAnswersGiveTheirErrors)
{
    ClearError();
    EXPECT_FALSE(DnsClassifyReply(Ask("nothing.example.test", kDnsTypeA)));
    EXPECT_EQ(LastError(), qsErrorHostNameNotFound);
    ClearError();
    EXPECT_FALSE(DnsClassifyReply(Ask("txt.example.test", kDnsTypeMX)));
    EXPECT_EQ(LastError(), qsErrorNoServerResponse);
    ClearError();
    EXPECT_FALSE(DnsClassifyReply(Ask("outside.invalid", kDnsTypeA)));
    EXPECT_EQ(LastError(), qsErrorHostNameRefused);
}

}  // namespace
}  // namespace qs::test
