#include "platform/iphelper/resolv_conf.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iph {
namespace {

constexpr const char kDefaultPath[] = "/etc/resolv.conf";
constexpr const char kPathVariable[] = "QS_RESOLV_CONF";
constexpr const char kSeparators[] = " \t\r\n";

// The address of a `nameserver` line in canonical dotted form; IPv6 and malformed addresses are skipped.
void ParseLine(char *line, ResolverConfig *config)
{
    char *save = nullptr;
    const char *keyword = strtok_r(line, kSeparators, &save);
    if (keyword == nullptr || std::strcmp(keyword, "nameserver") != 0)
        return;
    const char *address = strtok_r(nullptr, kSeparators, &save);
    in_addr parsed{};
    if (address == nullptr || inet_pton(AF_INET, address, &parsed) != 1 || config->count == kMaxNameServers)
        return;
    IP_ADDRESS_STRING &slot = config->servers[config->count];
    if (inet_ntop(AF_INET, &parsed, slot.String, sizeof slot.String) != nullptr)
        ++config->count;
}

}  // namespace

bool ReadResolverConfig(ResolverConfig *config)
{
    const char *path = std::getenv(kPathVariable);
    if (path == nullptr || *path == '\0')
        path = kDefaultPath;
    std::snprintf(config->path, sizeof config->path, "%s", path);
    config->count = 0;
    std::FILE *file = std::fopen(config->path, "r");
    if (file == nullptr)
        return false;
    char line[kLineCap];
    bool lineStart = true;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        const bool whole = std::strchr(line, '\n') != nullptr;
        if (lineStart)
            ParseLine(line, config);
        lineStart = whole;
    }
    std::fclose(file);
    return true;
}

}  // namespace iph
