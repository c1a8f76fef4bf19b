#include "dns/lib/dns_record_text.h"

#include <cstring>
#include <iterator>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "dns/lib/dns_header.h"
#include "dns/lib/dns_message.h"
#include "dns/lib/dns_text.h"

namespace qs {
namespace {

// Each renderer reads the whole record data; data left over after the fields of a fixed layout is refused.
using Renderer = bool (*)(DnsReader &data, const DnsNameSource &names, DnsText &text);

bool RenderName(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    char name[kDnsNameTextSize];
    if (!data.Name(name, sizeof name) || !data.AtEnd())
        return false;
    text.Append(name);
    return true;
}

// The primary server only; the rest of the record must still be there.
bool RenderSoa(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    constexpr std::size_t kSoaNumbersSize = 20;
    char primary[kDnsNameTextSize];
    if (!data.Name(primary, sizeof primary) || !data.SkipName() || !data.Skip(kSoaNumbersSize) || !data.AtEnd())
        return false;
    text.Append(primary);
    return true;
}

bool RenderEmpty(DnsReader &, const DnsNameSource &, DnsText &)
{
    return true;
}

bool RenderWks(DnsReader &data, const DnsNameSource &names, DnsText &text)
{
    std::span<const std::uint8_t> address;
    std::uint8_t protocol = 0;
    std::span<const std::uint8_t> bitmap;
    if (!data.Bytes(4, &address) || !data.U8(&protocol) || !data.Bytes(data.Remaining(), &bitmap))
        return false;
    std::uint32_t dotted = 0;
    std::memcpy(&dotted, address.data(), sizeof dotted);
    char addressText[kDottedAddressCap];
    FormatDottedAddress(dotted, addressText, sizeof addressText);
    text.Append(addressText);
    text.Append(" ");
    const char *protocolName = names.ProtocolName(protocol);
    if (protocolName != nullptr)
        text.Append(protocolName);
    else
        text.AppendNumber(protocol);
    DnsAppendPortList(bitmap, names, text, true);
    return true;
}

bool RenderHinfo(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    std::span<const std::uint8_t> cpu, system;
    if (!data.CharacterString(&cpu) || !data.CharacterString(&system) || !data.AtEnd())
        return false;
    if (!cpu.empty()) {
        text.Append(cpu);
        text.Append(" ");
    }
    text.Append(system);
    return true;
}

bool RenderMinfo(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    char responsible[kDnsNameTextSize], errors[kDnsNameTextSize];
    if (!data.Name(responsible, sizeof responsible) || !data.Name(errors, sizeof errors) || !data.AtEnd())
        return false;
    text.Append(responsible);
    text.Append(" ");
    text.Append(errors);
    return true;
}

bool RenderMx(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    std::uint16_t preference = 0;
    char exchange[kDnsNameTextSize];
    if (!data.U16(&preference) || !data.Name(exchange, sizeof exchange) || !data.AtEnd())
        return false;
    text.AppendNumber(preference);
    text.Append(" ");
    text.Append(exchange);
    return true;
}

// The record data octet for octet, up to its first zero octet.
bool RenderOctets(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    std::span<const std::uint8_t> octets;
    if (!data.Bytes(data.Remaining(), &octets))
        return false;
    text.Append(octets);
    return true;
}

// A 32-bit number, or nothing when the data is not exactly four octets.
bool RenderNumber(DnsReader &data, const DnsNameSource &, DnsText &text)
{
    std::uint32_t value = 0;
    if (data.Remaining() == 4 && data.U32(&value))
        text.AppendNumber(value);
    return true;
}

struct RendererRow {
    std::uint16_t type;
    Renderer render;
};

constexpr RendererRow kRenderers[] = {
    {kDnsTypeNS, RenderName},      {kDnsTypeMD, RenderName},     {kDnsTypeMF, RenderName},
    {kDnsTypeCNAME, RenderName},   {kDnsTypeSOA, RenderSoa},     {kDnsTypeMB, RenderName},
    {kDnsTypeMG, RenderName},      {kDnsTypeMR, RenderName},     {kDnsTypeNULL, RenderEmpty},
    {kDnsTypeWKS, RenderWks},      {kDnsTypeHINFO, RenderHinfo}, {kDnsTypeMINFO, RenderMinfo},
    {kDnsTypeMX, RenderMx},        {kDnsTypeTXT, RenderOctets},  {kDnsTypeRP, RenderOctets},
    {kDnsTypeLOC, RenderOctets},   {kDnsTypeUINFO, RenderOctets}, {kDnsTypeUID, RenderNumber},
    {kDnsTypeGID, RenderNumber},
};

Renderer FindRenderer(std::uint16_t type)
{
    for (const RendererRow &row : kRenderers)
        if (row.type == type)
            return row.render;
    return nullptr;
}

DnsAnswerText Fail(std::uint32_t error)
{
    SetErrorCode(error);
    return DnsAnswerText::Failed;
}

}  // namespace

DnsAnswerText DnsFormatAnswer(std::span<const std::uint8_t> reply, std::uint16_t type, const DnsNameSource &names,
                              char *out, std::size_t capacity, int *length, char *alias)
{
    if (out == nullptr)
        return Fail(qsErrorInvalidBuffer);
    if (capacity < 2)
        return Fail(qsErrorBufferTooSmall);
    out[0] = '\0';
    *length = 0;
    DnsHeader header;
    DnsReader reader;
    if (!DnsOpenAnswers(reply, &header, &reader))
        return DnsAnswerText::Failed;
    if (header.answers == 0)
        return Fail(qsErrorNoServerResponse);
    DnsRecord record;
    if (!DnsReadRecord(reader, &record))
        return Fail(qsErrorInvalidServerResponse);
    if (record.type == kDnsTypeCNAME && type != kDnsTypeCNAME && alias != nullptr) {
        if (!record.data.Name(alias, kDnsAliasSize) || !record.data.AtEnd())
            return Fail(qsErrorInvalidServerResponse);
        return DnsAnswerText::Alias;
    }
    if (record.type != type)
        return Fail(qsErrorInvalidRecordData);
    Renderer render = FindRenderer(type);
    if (render == nullptr)
        return Fail(qsErrorInvalidRecordType);
    DnsText text(out, capacity);
    if (!render(record.data, names, text)) {
        out[0] = '\0';
        return Fail(qsErrorInvalidServerResponse);
    }
    *length = static_cast<int>(text.Length());
    return DnsAnswerText::Text;
}

}  // namespace qs
