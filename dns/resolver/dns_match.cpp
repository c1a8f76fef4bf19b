#include "dns/resolver/dns_match.h"

#include <cctype>

#include "core/error/last_error.h"
#include "core/net/dotted_address.h"
#include "dns/resolver/dns_resolver.h"

namespace qs {
namespace {

// Host names a resolved form is matched with; longer ones are not matched that way.
constexpr int kResolvedNameCap = 128;

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

bool MatchMask(std::string_view host, std::string_view mask)
{
    std::size_t h = 0, m = 0;
    while (h < host.size()) {
        if (m == mask.size())
            return false;
        const char c = Upper(mask[m]);
        if (c == '?') {
            ++h;
            ++m;
            continue;
        }
        if (c != '*') {
            if (Upper(host[h]) != c)
                return false;
            ++h;
            ++m;
            continue;
        }
        ++m;
        if (m == mask.size()) {
            h = host.size();
            break;
        }
        const char next = Upper(mask[m]);
        while (h < host.size() && Upper(host[h]) != next)
            ++h;
        // A rest of the mask without wildcards can only match the end of the host: move on to where
        // it would start there (not just to the last occurrence of its first character, which would
        // let "*.example.test" miss "www.example.test").
        const std::string_view rest = mask.substr(m);
        if (h < host.size() && !HasWildcard(rest) && host.size() - h >= rest.size())
            h = host.size() - rest.size();
    }
    return m == mask.size();
}

}  // namespace

bool DnsMatchMasks(std::string_view host, std::string_view masks)
{
    if (host.empty())
        return false;
    while (!masks.empty()) {
        const std::size_t end = masks.find(';');
        const std::string_view mask = masks.substr(0, end);
        if (!mask.empty() && MatchMask(host, mask))
            return true;
        masks = end == std::string_view::npos ? std::string_view() : masks.substr(end + 1);
    }
    return false;
}

int DnsMatchHost(ClientHandle handle, const char *host, const char *masks, bool resolve)
{
    if (host == nullptr || *host == '\0' || masks == nullptr || *masks == '\0')
        return 0;
    if (resolve) {
        char other[kResolvedNameCap];
        const std::uint32_t address = ParseDottedAddress(host);
        const int length = address != 0 && address != 0xFFFFFFFFu
                               ? DnsGetHostNameText(handle, host, other, sizeof other)
                               : DnsGetHostAddressText(handle, host, other, sizeof other);
        if (length > 0 && DnsMatchMasks(other, masks))
            return 1;
    }
    if (DnsMatchMasks(host, masks))
        return 1;
    SetErrorCode(0);
    return 0;
}

}  // namespace qs
