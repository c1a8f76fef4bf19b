// dns_bench [PORT] [COUNT]: resolves COUNT names (default 5000) one after the other against the local
// NSD (default port $QS_PEER_DNS_PORT, else 10053) through our resolver and through c-ares, in
// alternating rounds so that a busy machine slows both alike, and prints the queries per second of each
// and their ratio. Both must find every name, with the same address where a name has only one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/dns/cares_lookups.h"
#include "core/host/host_address.h"
#include "dns/resolver/dns_resolver.h"

namespace {

constexpr int kDefaultPort = 10053;
constexpr int kDefaultCount = 5000;
constexpr int kRounds = 10;

struct Name {
    const char *name;
    bool oneAddress;   // else a record set the server may rotate
};
// Names of the test zone with addresses: plain, several addresses, aliases, a wildcard.
constexpr Name kNames[] = {{"example.test", false},       {"ns1.example.test", true},   {"ns2.example.test", true},
                           {"first.example.test", true},  {"second.example.test", true}, {"mx20.example.test", true},
                           {"www.example.test", false},   {"alias.example.test", false}, {"mailer.example.test", true},
                           {"host.wild.example.test", true}};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> OurLookups(const std::vector<std::string> &names, int port)
{
    std::vector<std::string> results;
    if (qs::DnsLibrary().LibraryInitialize(nullptr, nullptr) != 1)
        return results;
    const qs::ClientHandle session = qs::DnsCreateSession(5, 2, 0);
    qs::DnsSetNameServer(session, 0, "127.0.0.1", port);
    for (int slot = 1; slot < 4; ++slot)
        qs::DnsSetNameServer(session, slot, nullptr, 0);
    results.reserve(names.size());
    for (const std::string &name : names) {
        const qs::DnsHostEntry *entry = qs::DnsGetHostByName(session, name.c_str());
        std::string address;
        if (entry != nullptr && entry->addresses[0] != nullptr) {
            std::uint32_t value = 0;
            std::memcpy(&value, entry->addresses[0], sizeof value);
            char text[qs::kDottedAddressCap];
            qs::FormatDottedAddress(value, text, sizeof text);
            address = text;
        }
        results.push_back(address);
    }
    qs::DnsFreeSession(session);
    qs::DnsLibrary().LibraryUninitialize();
    return results;
}

}  // namespace

int main(int argc, char **argv)
{
    const char *peer = std::getenv("QS_PEER_DNS_PORT");
    const int port = argc > 1 ? std::atoi(argv[1]) : peer != nullptr ? std::atoi(peer) : kDefaultPort;
    const int count = argc > 2 ? std::atoi(argv[2]) : kDefaultCount;
    std::vector<std::string> names;
    std::vector<bool> oneAddress;
    for (int i = 0; i < count / kRounds; ++i) {
        const Name &name = kNames[static_cast<std::size_t>(i) % (sizeof kNames / sizeof kNames[0])];
        names.push_back(name.name);
        oneAddress.push_back(name.oneAddress);
    }

    double ourSeconds = 0, theirSeconds = 0;
    int failed = 0, differ = 0;
    for (int round = 0; round < kRounds; ++round) {
        Clock::time_point start = Clock::now();
        const std::vector<std::string> ours = OurLookups(names, port);
        ourSeconds += Seconds(start);
        start = Clock::now();
        const std::vector<std::string> theirs = bench::CaresLookups(names, port);
        theirSeconds += Seconds(start);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const bool bothFound = i < ours.size() && !ours[i].empty() && i < theirs.size() && !theirs[i].empty();
            failed += bothFound ? 0 : 1;
            differ += bothFound && oneAddress[i] && ours[i] != theirs[i] ? 1 : 0;
        }
    }
    const int done = static_cast<int>(names.size()) * kRounds;
    const double ourRate = done / ourSeconds, theirRate = done / theirSeconds;
    std::printf("%d sequential lookups each against 127.0.0.1:%d\n", done, port);
    std::printf("quillstream  %10.0f queries/s\n", ourRate);
    std::printf("c-ares       %10.0f queries/s\n", theirRate);
    std::printf("ratio        %10.2f (quillstream / c-ares)\n", ourRate / theirRate);
    if (failed != 0 || differ != 0) {
        std::printf("%d lookups failed, %d answers differ\n", failed, differ);
        return 1;
    }
    return 0;
}
