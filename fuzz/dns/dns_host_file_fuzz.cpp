// Host files of any content: compacted, then looked up by name, alias and address, with everything
// an entry hands back touched so the sanitizers see any read outside the stored text or the entry area.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "dns/resolver/dns_host_file.h"

namespace {

std::size_t Touch(const qs::DnsHostEntry *entry)
{
    if (entry == nullptr)
        return 0;
    std::size_t sum = std::strlen(entry->name);
    for (const char *const *alias = entry->aliases; *alias != nullptr; ++alias)
        sum += std::strlen(*alias);
    for (const std::uint8_t *const *a = entry->addresses; *a != nullptr; ++a)
        sum += (*a)[0] + (*a)[3];
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    auto session = std::make_unique<qs::DnsSession>();
    session->hostFileText = std::make_unique<char[]>(size + 1);
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    qs::DnsCompactHostText(text, session->hostFileText.get(), &session->hostFileLength);
    volatile std::size_t sum = 0;
    for (const char *name : {"localhost", "LOCALHOST", "a", "10.0.0.1", "127.0.0.1", "x.y"})
        sum = sum + Touch(qs::DnsLookupHostFile(*session, name));
    // Every word of the input is also a name to look up.
    for (std::size_t at = 0; at < session->hostFileLength;) {
        const char *line = session->hostFileText.get() + at;
        const char *space = std::strchr(line, ' ');
        if (space != nullptr) {
            const std::string name(space + 1, std::strcspn(space + 1, " "));
            sum = sum + Touch(qs::DnsLookupHostFile(*session, name.c_str()));
        }
        at += std::strlen(line) + 1;
    }
    sum = sum + Touch(qs::DnsLookupHostFileAddress(*session, 0x0100007F));
    return 0;
}
