// Runs every decoder of the codec over one message and touches everything they hand back, so the
// sanitizers see any read outside the message or outside the work areas. Shared by the fault sweep and
// the fuzz targets.
#pragma once
#include <cstdint>
#include <cstring>
#include <span>

#include "dns/lib/dns_header.h"
#include "dns/lib/dns_host_answer.h"
#include "dns/lib/dns_mail_exchanges.h"
#include "dns/lib/dns_name.h"
#include "dns/lib/dns_record_text.h"
#include "tests/dns/dns_test_util.h"

namespace qs::test {

inline constexpr std::uint16_t kEveryTextType[] = {
    kDnsTypeNS,  kDnsTypeMD,  kDnsTypeMF,  kDnsTypeCNAME, kDnsTypeSOA,   kDnsTypeMB,  kDnsTypeMG,
    kDnsTypeMR,  kDnsTypeNULL, kDnsTypeWKS, kDnsTypeHINFO, kDnsTypeMINFO, kDnsTypeMX, kDnsTypeTXT,
    kDnsTypeRP,  kDnsTypeLOC, kDnsTypeUINFO, kDnsTypeUID, kDnsTypeGID,   kDnsTypeAAAA, kDnsTypeA,
};

// A decoder that fails must say why.
inline void ExpectError(bool failed)
{
    if (failed && LastError() == 0)
        __builtin_trap();
    ClearError();
}

inline std::size_t TouchEntry(const DnsHostEntry &entry)
{
    std::size_t sum = std::strlen(entry.name);
    for (const char *const *alias = entry.aliases; *alias != nullptr; ++alias)
        sum += std::strlen(*alias);
    for (const std::uint8_t *const *a = entry.addresses; *a != nullptr; ++a)
        for (int i = 0; i < entry.addressLength; ++i)
            sum += (*a)[i];
    return sum;
}

// Formats the first answer of `message` as `type`, following an alias the way the resolver does.
inline std::size_t FormatOne(std::span<const std::uint8_t> message, std::uint16_t type)
{
    char text[kDnsTextAreaSize];
    char alias[kDnsAliasSize];
    int length = 0;
    DnsAnswerText result = DnsFormatAnswer(message, type, FixedNames(), text, sizeof text, &length, alias);
    ExpectError(result == DnsAnswerText::Failed);
    if (result == DnsAnswerText::Alias)
        return std::strlen(alias);
    if (result == DnsAnswerText::Text && std::strlen(text) != static_cast<std::size_t>(length))
        __builtin_trap();
    return static_cast<std::size_t>(length);
}

// The answer walks: host entries in both modes, mail exchangers, services, classification, matching.
inline std::size_t DecodeAnswers(std::span<const std::uint8_t> message)
{
    std::size_t sum = 0;
    ClearError();
    DnsHostArea area;
    for (DnsHostMode mode : {DnsHostMode::Address, DnsHostMode::Pointer}) {
        const DnsHostEntry *entry = DnsReadHostAnswer(message, mode, area);
        ExpectError(entry == nullptr);
        if (entry != nullptr)
            sum += TouchEntry(*entry);
    }
    DnsMailExchangeList list;
    int count = DnsReadMailExchanges(message, 0, list);
    ExpectError(count < 0);
    for (int i = 0; i < count; ++i)
        sum += std::strlen(list.At(static_cast<std::size_t>(i)).name);
    char text[kDnsTextAreaSize];
    for (int protocol : {6, 17}) {
        int length = DnsReadHostServices(message, protocol, FixedNames(), text, sizeof text);
        ExpectError(length < 0);
        if (length > 0 && std::strlen(text) != static_cast<std::size_t>(length))
            __builtin_trap();
        sum += static_cast<std::size_t>(length + 1);
    }
    sum += DnsClassifyReply(message) ? 1 : 0;
    sum += DnsReplyAnswersQuery(message, message) ? 1 : 0;
    return sum;
}

// A name at every position of the message, expanded and skipped.
inline std::size_t DecodeNames(std::span<const std::uint8_t> message)
{
    std::size_t sum = 0;
    char name[kDnsNameTextSize];
    for (std::size_t at = 0; at < message.size(); ++at) {
        if (DnsExpandName(message, at, name, sizeof name) > 0)
            sum += std::strlen(name);
        sum += static_cast<std::size_t>(DnsSkipName(message, at) + 1);
    }
    return sum;
}

inline std::size_t DecodeEverything(std::span<const std::uint8_t> message)
{
    std::size_t sum = DecodeAnswers(message) + DecodeNames(message);
    for (std::uint16_t type : kEveryTextType)
        sum += FormatOne(message, type);
    return sum;
}

}  // namespace qs::test
