#include "dns/lib/dns_text.h"

#include <cstdio>

namespace qs {

DnsText::DnsText(char *out, std::size_t capacity) : out_(out), capacity_(capacity)
{
    out_[0] = '\0';
}

void DnsText::Put(char c)
{
    if (ended_)
        return;
    if (c == '\0' || length_ + 1 >= capacity_) {
        ended_ = true;
        return;
    }
    out_[length_++] = c;
    out_[length_] = '\0';
}

void DnsText::Append(std::string_view text)
{
    for (char c : text)
        Put(c);
}

void DnsText::Append(std::span<const std::uint8_t> octets)
{
    for (std::uint8_t c : octets)
        Put(static_cast<char>(c));
}

void DnsText::AppendNumber(std::uint32_t value)
{
    char digits[16];
    int length = std::snprintf(digits, sizeof digits, "%u", value);
    Append(std::string_view(digits, static_cast<std::size_t>(length)));
}

}  // namespace qs
