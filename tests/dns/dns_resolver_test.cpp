// The resolver's sessions, name servers, local domain, search list and exchange, against scripted
// servers on loopback (and the silent discard port and NSD of tests/peers where named).
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "dns/lib/dns_message.h"
#include "platform/base/registry.h"
#include "tests/core/handler_window.h"
#include "tests/core/loopback.h"
#include "tests/core/peers.h"
#include "tests/dns/message_builder.h"
#include "tests/dns/resolver_fixture.h"
#include "tests/dns/scripted_dns_server.h"

namespace qs::test {
namespace {

constexpr std::uint32_t kGenuine = 0x7F000063;   // 127.0.0.99
constexpr std::uint32_t kForged = 0x06060606;

std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

std::vector<std::string> Names(const std::vector<Question> &questions)
{
    std::vector<std::string> names;
    for (const Question &q : questions)
        names.push_back(q.name);
    return names;
}

TEST_F(ResolverTest, NameServerSlotsFillInOrderAndRefuseWhatDoesNotFit)
{
    EXPECT_EQ(DnsSetNameServer(handle_, -1, "127.0.0.1", 0), 0);
    EXPECT_EQ(DnsSetNameServer(handle_, -1, "127.0.0.1", 5353), 0);   // duplicates take their own slot
    EXPECT_EQ(DnsSetNameServer(handle_, -1, "0x7f.2", 0), 0);
    EXPECT_EQ(DnsSetNameServer(handle_, -1, "127.0.0.3", 0), 0);
    EXPECT_EQ(DnsSetNameServer(handle_, -1, "127.0.0.4", 0), -1);
    EXPECT_EQ(Error(), qsErrorInvalidParameter);
    EXPECT_EQ(DottedText(DnsGetNameServer(handle_, 2)), "127.0.0.2");
    EXPECT_EQ(DnsSetNameServer(handle_, 1, "", 0), 0);
    EXPECT_EQ(DnsGetNameServer(handle_, 1), 0u);
    EXPECT_EQ(DnsSetNameServer(handle_, -1, "127.0.0.9", 0), 0);
    EXPECT_EQ(DottedText(DnsGetNameServer(handle_, 1)), "127.0.0.9");

    struct Refused {
        int slot;
        const char *address;
        int port;
        std::uint32_t error;
    } refused[] = {
        {4, "127.0.0.1", 0, qsErrorInvalidParameter},
        {-2, "127.0.0.1", 0, qsErrorInvalidParameter},
        {0, "127.0.0.1", 65536, qsErrorInvalidServicePort},
        {0, "name.example", 0, qsErrorInvalidHostAddress},
        {0, "1.2.3.4.5", 0, qsErrorInvalidHostAddress},
    };
    for (const Refused &r : refused) {
        EXPECT_EQ(DnsSetNameServer(handle_, r.slot, r.address, r.port), -1) << r.address;
        EXPECT_EQ(Error(), r.error) << r.address;
    }
    EXPECT_EQ(DnsGetNameServer(handle_, 4), 0xFFFFFFFFu);
    EXPECT_EQ(Error(), qsErrorInvalidParameter);
}

TEST_F(ResolverTest, DiscoveryTakesTheNameServersOfTheResolverConfiguration)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("qs-resolv-" + std::to_string(getpid()));
    std::ofstream(file) << "# servers\nnameserver 127.0.0.5\nnameserver 127.0.0.5\nnameserver ::1\n"
                           "search example.test\nnameserver bogus\n  nameserver\t127.0.0.6 # third\n"
                           "nameserver 127.0.0.7\nnameserver 127.0.0.8\n";
    setenv("QS_RESOLV_CONF", file.c_str(), 1);
    const ClientHandle session = DnsCreateSession(2, 1, 0);
    ASSERT_NE(session, kNoHandle);
    std::vector<std::string> slots;
    for (int slot = 0; slot < 4; ++slot)
        slots.push_back(DottedText(DnsGetNameServer(session, slot)));
    // The same server twice takes two slots; the fifth server finds none.
    EXPECT_EQ(slots, (std::vector<std::string>{"127.0.0.5", "127.0.0.5", "127.0.0.6", "127.0.0.7"}));
    DnsFreeSession(session);

    std::filesystem::remove(file);
    EXPECT_EQ(DnsDiscoverNameServers(handle_), 0);
    EXPECT_EQ(Error(), qsErrorNetworkAdapter);
    EXPECT_EQ(DnsGetNameServer(handle_, 0), 0u);
    setenv("QS_RESOLV_CONF", kNoResolverConfig, 1);
}

TEST_F(ResolverTest, LocalDomainComesFromTheRegistryAndIsChecked)
{
    const char *transient = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Transient";
    const char *parameters = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    auto write = [](const char *path, const char *domain) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Domain", 0, REG_SZ, reinterpret_cast<const BYTE *>(domain),
                       static_cast<DWORD>(std::strlen(domain) + 1));
        RegCloseKey(key);
    };
    char domain[kDnsNameTextSize];
    write(transient, "transient.test");
    ASSERT_EQ(DnsSetLocalDomain(handle_, nullptr), 0);
    EXPECT_EQ(DnsGetLocalDomain(handle_, domain, sizeof domain), 14);
    EXPECT_STREQ(domain, "transient.test");
    // Both are read, the second replacing the first.
    write(parameters, "params.test");
    ASSERT_EQ(DnsSetLocalDomain(handle_, nullptr), 0);
    EXPECT_STREQ((DnsGetLocalDomain(handle_, domain, sizeof domain), domain), "params.test");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "System");

    EXPECT_EQ(DnsGetLocalDomain(handle_, domain, 5), -1);
    EXPECT_EQ(Error(), qsErrorBufferTooSmall);
    EXPECT_EQ(DnsSetLocalDomain(handle_, std::string(256, 'a').c_str()), -1);
    EXPECT_EQ(Error(), qsErrorInvalidParameter);
    EXPECT_EQ(DnsSetLocalDomain(handle_, std::string(255, 'a').c_str()), 0);
}

TEST_F(ResolverTest, TimeoutAndRetrySettersClampAndReturnThePreviousValue)
{
    EXPECT_EQ(DnsSetTimeout(handle_, 5000), 2);
    EXPECT_EQ(DnsSetTimeout(handle_, 0), 3600);
    EXPECT_EQ(DnsSetTimeout(handle_, -1), -1);
    EXPECT_EQ(Error(), qsErrorInvalidParameter);
    EXPECT_EQ(DnsSetRetryCount(handle_, 0), 1);
    EXPECT_EQ(DnsSetRetryCount(handle_, 99), 1);
    EXPECT_EQ(DnsSetRetryCount(handle_, 5), 32);
    EXPECT_EQ(DnsSetRetryCount(handle_, -1), -1);
    EXPECT_EQ(DnsCreateSession(-1, 1, 0), kNoHandle);
    EXPECT_EQ(Error(), qsErrorInvalidParameter);
}

// Every name tried, for a table of local domains and names, against a server that knows no name.
TEST_F(ResolverTest, SearchListDecidesWhichNamesAreTried)
{
    ScriptedDnsServer server("127.0.0.1", RepliesWith(0x8583));   // name error
    UseServer(0, "127.0.0.1", server.port());
    struct Case {
        const char *domain;
        const char *name;
        std::vector<std::string> tried;
    } cases[] = {
        {"a.b.c.d", "host", {"host.a.b.c.d", "host.b.c.d", "host.c.d"}},
        {"c.d", "host", {"host.c.d"}},
        {"c.d", "www.x", {"www.x.c.d", "www.x"}},
        {"c.d", "www.x.", {"www.x"}},
        {"c.d", "solo.", {"solo.c.d"}},
        {"", "solo", {"solo"}},
        {"", "solo.", {"solo"}},
        // Only digits and dots: not a name, so nothing is asked; with a final dot it is asked.
        {"c.d", "1.2.3.4.5", {}},
        {"c.d", "1.2.3.4.5.", {"1.2.3.4.5"}},
    };
    std::size_t seen = 0;
    for (const Case &c : cases) {
        ASSERT_EQ(DnsSetLocalDomain(handle_, c.domain), 0);
        EXPECT_EQ(DnsGetHostByName(handle_, c.name), nullptr);
        EXPECT_EQ(Error(), qsErrorHostNameNotFound) << c.name;
        std::vector<std::string> asked = Names(server.questions());
        EXPECT_EQ(std::vector<std::string>(asked.begin() + static_cast<std::ptrdiff_t>(seen), asked.end()), c.tried)
            << c.domain << " " << c.name;
        seen = asked.size();
    }
}

TEST_F(ResolverTest, SearchStopsAtARefusalAndReportsNamesWithoutData)
{
    std::atomic<std::uint16_t> flags = 0x8585;   // refused
    ScriptedDnsServer server("127.0.0.1",
                             [&](const Question &q) { return std::vector<Datagram>{{ReplyTo(q, flags.load())}}; });
    UseServer(0, "127.0.0.1", server.port());
    ASSERT_EQ(DnsSetLocalDomain(handle_, "a.b.c.d"), 0);
    EXPECT_EQ(DnsGetHostByName(handle_, "host"), nullptr);
    EXPECT_EQ(Error(), qsErrorHostNameRefused);
    EXPECT_EQ(server.questions().size(), 1u);

    flags = 0x8580;   // no error, no records
    EXPECT_EQ(DnsGetHostByName(handle_, "host"), nullptr);
    EXPECT_EQ(Error(), qsErrorNoServerResponse);
    EXPECT_EQ(server.questions().size(), 4u);
}

// Each forgery carries another address than the genuine answer that follows it, so accepting any of
// them shows in the result.
TEST_F(ResolverTest, RepliesNotAnsweringThisExchangeAreWaitedPast)
{
    ScriptedDnsServer server("127.0.0.1", [](const Question &q) {
        Question otherId = q, otherName = q, otherType = q;
        otherId.id = static_cast<std::uint16_t>(q.id + 7);
        otherName.name = "other.test";
        otherType.type = kDnsTypeMX;
        MessageBuilder query(0x0100, q.id);   // a query, not a response
        query.Question(q.name.c_str(), q.type).Record(q.name.c_str(), kDnsTypeA).U32(kForged);
        return std::vector<Datagram>{
            {AddressReply(otherId, kForged)},
            {AddressReply(q, kForged), true},   // from another port of the server's address
            {AddressReply(otherName, kForged)},
            {AddressReply(otherType, kForged)},
            {query.Build()},
            {{0x12}},
            {AddressReply(q, kGenuine), false, 100},
        };
    });
    UseServer(0, "127.0.0.1", server.port());
    const DnsHostEntry *entry = DnsGetHostByName(handle_, "victim.test");
    ASSERT_NE(entry, nullptr) << Error();
    EXPECT_EQ(Addresses(*entry), std::vector<std::string>{"127.0.0.99"});
    EXPECT_EQ(DottedText(DnsGetServerAddress(handle_)), "127.0.0.1");
}

TEST_F(ResolverTest, ALateAnswerToAnEarlierAttemptIsTaken)
{
    ScriptedDnsServer server("127.0.0.1", [first = std::uint16_t{0}, count = 0](const Question &q) mutable {
        if (count++ == 0) {
            first = q.id;
            return std::vector<Datagram>{};
        }
        Question late = q;
        late.id = first;
        return std::vector<Datagram>{{AddressReply(late, kGenuine)}};
    });
    UseServer(0, "127.0.0.1", server.port());
    DnsSetTimeout(handle_, 1);
    DnsSetRetryCount(handle_, 2);
    const DnsHostEntry *entry = DnsGetHostByName(handle_, "late.test");
    ASSERT_NE(entry, nullptr) << Error();
    std::vector<Question> asked = server.questions();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].id, static_cast<std::uint16_t>(asked[0].id + 1));
}

TEST_F(ResolverTest, QueryIdsStartUnpredictably)
{
    std::set<std::uint16_t> first;
    ScriptedDnsServer server("127.0.0.1", AnswersWith(kGenuine));
    for (int i = 0; i < 8; ++i) {
        const ClientHandle session = DnsCreateSession(2, 1, 0);
        ASSERT_EQ(DnsSetNameServer(session, 0, "127.0.0.1", server.port()), 0);
        ASSERT_NE(DnsGetHostByName(session, "id.test"), nullptr);
        DnsFreeSession(session);
        first.insert(server.questions().back().id);
    }
    EXPECT_GT(first.size(), 4u);
}

// A stream of forgeries neither gets accepted nor keeps the attempt waiting past its time-out.
TEST_F(ResolverTest, ForgeriesDoNotExtendTheTimeout)
{
    ScriptedDnsServer server("127.0.0.1", [](const Question &q) {
        Question other = q;
        other.id = static_cast<std::uint16_t>(q.id ^ 0x5555);
        return std::vector<Datagram>(30, Datagram{AddressReply(other, kForged), false, 100});
    });
    UseServer(0, "127.0.0.1", server.port());
    DnsSetTimeout(handle_, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DnsGetHostByName(handle_, "flood.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorOperationTimeout);
    EXPECT_LT(MillisecondsSince(start), 2500);
}

TEST_F(ResolverTest, SilentServerTimesOutOncePerRetry)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    UseServer(0, "127.0.0.1", port);
    DnsSetTimeout(handle_, 1);
    DnsSetRetryCount(handle_, 3);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DnsGetHostByName(handle_, "silent.test"), nullptr);
    const std::int64_t elapsed = MillisecondsSince(start);
    EXPECT_EQ(Error(), qsErrorOperationTimeout);
    EXPECT_GE(elapsed, 3000);
    EXPECT_LT(elapsed, 5000);
    EXPECT_EQ(DnsGetServerAddress(handle_), 0xFFFFFFFFu);

    DnsSetNameServer(handle_, 0, nullptr, 0);
    EXPECT_EQ(DnsGetHostByName(handle_, "silent.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorHostNameRefused);
}

TEST_F(ResolverTest, TruncatedReplyMovesTheExchangeToTcpAtTheNextSlot)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DNS_PORT");
    ScriptedDnsServer truncating("127.0.0.2", RepliesWith(0x8780));   // TC set
    UseServer(0, "127.0.0.2", truncating.port());
    UseServer(1, "127.0.0.1", port);
    EXPECT_EQ(RecordText(handle_, "txt.example.test", kDnsTypeTXT), "\x05hello");
    EXPECT_EQ(DottedText(DnsGetServerAddress(handle_)), "127.0.0.1");
    EXPECT_EQ(truncating.questions().size(), 1u);
}

TEST_F(ResolverTest, ExchangeOverTcpFailsAsRefusedWhenNoServerAccepts)
{
    ScriptedDnsServer truncating("127.0.0.2", RepliesWith(0x8780));   // TC set
    UseServer(0, "127.0.0.2", truncating.port());
    UseServer(1, "127.0.0.3", UnusedTcpPort());
    EXPECT_EQ(DnsGetHostByName(handle_, "refused.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorHostNameRefused);
}

// A server that accepts the connection and never answers costs one time-out per attempt, not a hang.
TEST_F(ResolverTest, SilentTcpServerTimesOutToo)
{
    QS_REQUIRE_PEER(port, "QS_PEER_DISCARD_PORT");
    ScriptedDnsServer truncating("127.0.0.2", RepliesWith(0x8780));   // TC set
    UseServer(0, "127.0.0.2", truncating.port());
    UseServer(1, "127.0.0.1", port);
    DnsSetTimeout(handle_, 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DnsGetHostByName(handle_, "stalled.test"), nullptr);
    const std::int64_t elapsed = MillisecondsSince(start);
    // Over TCP every failure is reported as a refusal; the discard server was waited for twice.
    EXPECT_EQ(Error(), qsErrorHostNameRefused);
    EXPECT_GE(elapsed, 2000);
    EXPECT_LT(elapsed, 4000);
}

TEST_F(ResolverTest, CancelFromAHandlerEndsAWaitWithoutLimit)
{
    ScriptedDnsServer silent("127.0.0.1", Silent());
    UseServer(0, "127.0.0.1", silent.port());
    DnsSetTimeout(handle_, 0);
    std::uint32_t nested = 0;
    HandlerWindow window([&](UINT, WPARAM, LPARAM) {
        // The session's exchange is in progress: a second one on it is refused.
        EXPECT_EQ(DnsGetHostByName(handle_, "nested.test."), nullptr);
        nested = Error();
        EXPECT_EQ(DnsCancel(handle_), 0);
    });
    PostMessage(window.hwnd(), WM_USER + 1, 0, 0);
    EXPECT_EQ(DnsGetHostByName(handle_, "wait.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorOperationCanceled);
    EXPECT_EQ(nested, qsErrorOperationInProgress);
    // The session is idle again and works.
    DnsSetTimeout(handle_, 1);
    EXPECT_EQ(DnsGetHostByName(handle_, "again.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorOperationTimeout);
}

TEST_F(ResolverTest, CancelFromAnotherThreadEndsTheWait)
{
    ScriptedDnsServer silent("127.0.0.1", Silent());
    UseServer(0, "127.0.0.1", silent.port());
    DnsSetTimeout(handle_, 0);
    std::thread canceller([handle = handle_] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        DnsCancel(handle);
    });
    EXPECT_EQ(DnsGetHostByName(handle_, "wait.test"), nullptr);
    EXPECT_EQ(Error(), qsErrorOperationCanceled);
    canceller.join();
}

TEST_F(ResolverTest, RecordTextChecksItsArgumentsFirst)
{
    char text[16];
    struct Case {
        const char *name;
        int type;
        char *out;
        int capacity;
        std::uint32_t error;
    } cases[] = {
        {"", kDnsTypeMX, text, sizeof text, qsErrorInvalidRecordName},
        {"example.test", kDnsTypeMX, nullptr, 16, qsErrorInvalidBuffer},
        {"example.test", kDnsTypeMX, text, 1, qsErrorBufferTooSmall},
        {"example.test", kDnsTypePTR, text, sizeof text, qsErrorInvalidHostAddress},
        {"0.0.0.0", kDnsTypePTR, text, sizeof text, qsErrorInvalidHostAddress},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(DnsFormatRecord(handle_, c.name, c.type, c.out, c.capacity), -1) << c.name;
        EXPECT_EQ(Error(), c.error) << c.name;
    }
    // Nothing is asked for type 0, so no server is needed.
    EXPECT_EQ(DnsFormatRecord(handle_, "example.test", kDnsTypeNone, text, sizeof text), 0);
}

TEST_F(ResolverTest, SessionsBelongToTheirThread)
{
    std::uint32_t error = 0;
    std::thread([&] {
        EXPECT_EQ(DnsSetTimeout(handle_, 5), -1);
        error = ErrorNumber(GetErrorCode());
    }).join();
    EXPECT_EQ(error, qsErrorNotHandleOwner);
    const ClientHandle shared = DnsCreateSession(2, 1, kOptionAnyThread);
    std::thread([&] { EXPECT_EQ(DnsSetTimeout(shared, 5), 2); }).join();
    EXPECT_EQ(DnsFreeSession(shared), 0);
    EXPECT_EQ(DnsFreeSession(shared), -1);
    EXPECT_EQ(Error(), qsErrorInvalidHandle);
}

}  // namespace
}  // namespace qs::test
