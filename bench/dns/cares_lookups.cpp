#include "bench/dns/cares_lookups.h"

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/select.h>

#include <string>

namespace bench {
namespace {

struct Lookup {
    bool done = false;
    std::string address;
};

void Answered(void *argument, int status, int, hostent *host)
{
    auto *lookup = static_cast<Lookup *>(argument);
    lookup->done = true;
    if (status == ARES_SUCCESS && host != nullptr && host->h_addr_list[0] != nullptr) {
        char text[INET_ADDRSTRLEN];
        lookup->address = inet_ntop(AF_INET, host->h_addr_list[0], text, sizeof text);
    }
}

}  // namespace

std::vector<std::string> CaresLookups(const std::vector<std::string> &names, int port)
{
    std::vector<std::string> results;
    if (ares_library_init(ARES_LIB_INIT_ALL) != ARES_SUCCESS)
        return results;
    ares_options options{};
    char lookups[] = "b";
    options.lookups = lookups;
    options.ndomains = 0;
    options.domains = nullptr;
    options.timeout = 5000;
    options.tries = 2;
    ares_channel channel = nullptr;
    const int mask = ARES_OPT_LOOKUPS | ARES_OPT_DOMAINS | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES;
    const std::string server = "127.0.0.1:" + std::to_string(port);
    if (ares_init_options(&channel, &options, mask) != ARES_SUCCESS ||
        ares_set_servers_ports_csv(channel, server.c_str()) != ARES_SUCCESS) {
        ares_library_cleanup();
        return results;
    }
    results.reserve(names.size());
    for (const std::string &name : names) {
        Lookup lookup;
        ares_gethostbyname(channel, name.c_str(), AF_INET, Answered, &lookup);
        while (!lookup.done) {
            fd_set readable, writable;
            FD_ZERO(&readable);
            FD_ZERO(&writable);
            const int count = ares_fds(channel, &readable, &writable);
            if (count == 0)
                break;
            timeval wait{};
            timeval *limit = ares_timeout(channel, nullptr, &wait);
            select(count, &readable, &writable, nullptr, limit);
            ares_process(channel, &readable, &writable);
        }
        results.push_back(lookup.address);
    }
    ares_destroy(channel);
    ares_library_cleanup();
    return results;
}

}  // namespace bench
