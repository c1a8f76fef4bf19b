#include "dns/lib/dns_name.h"

#include "core/error/last_error.h"
#include "dns/lib/dns_message.h"

namespace qs {
namespace {

constexpr std::uint8_t kPointerBits = 0xC0;

std::uint8_t Lower(std::uint8_t c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + ('a' - 'A')) : c;
}

int Fail(std::uint32_t error)
{
    SetErrorCode(error);
    return -1;
}

// Turns the text into wire labels (ending with the zero octet) in `wire`; records where each label
// starts. Returns the wire length, or 0 when the text is not a name.
std::size_t TextToLabels(const char *text, std::uint8_t (&wire)[kDnsMaxWireName], std::size_t (&starts)[kDnsMaxWireName],
                         std::size_t *labels)
{
    std::size_t length = 0;
    *labels = 0;
    const char *p = text;
    // A lone dot is the root, like the empty text.
    if (p[0] == '.' && p[1] == '\0')
        ++p;
    while (*p != '\0') {
        std::size_t start = length;
        if (length + 1 >= kDnsMaxWireName)
            return 0;
        ++length;  // the length octet, filled in below
        std::size_t size = 0;
        while (*p != '\0' && *p != '.') {
            char c = *p++;
            if (c == '\\') {
                if (*p == '\0')
                    break;  // a backslash at the very end ends the name
                c = *p++;
            }
            if (length + 1 >= kDnsMaxWireName || size == kDnsMaxLabel)
                return 0;
            wire[length++] = static_cast<std::uint8_t>(c);
            ++size;
        }
        if (size == 0)
            return 0;  // an empty label anywhere but at the end
        wire[start] = static_cast<std::uint8_t>(size);
        starts[(*labels)++] = start;
        if (*p == '.')
            ++p;
    }
    wire[length++] = 0;
    return length;
}

// True when the name at `offset` of `message` spells exactly the wire labels of `suffix`.
bool SameLabels(std::span<const std::uint8_t> message, std::size_t offset, std::span<const std::uint8_t> suffix)
{
    std::size_t s = 0;
    std::size_t hops = 0;
    std::size_t pos = offset;
    for (;;) {
        if (pos >= message.size() || s >= suffix.size())
            return false;
        std::uint8_t length = message[pos];
        if ((length & kPointerBits) == kPointerBits) {
            if (message.size() - pos < 2 || ++hops > message.size())
                return false;
            pos = static_cast<std::size_t>(length & 0x3F) << 8 | message[pos + 1];
            continue;
        }
        if ((length & kPointerBits) != 0 || length != suffix[s])
            return false;
        if (length == 0)
            return true;
        if (message.size() - pos - 1 < length || suffix.size() - s - 1 < length)
            return false;
        for (std::size_t i = 1; i <= length; ++i)
            if (Lower(message[pos + i]) != Lower(suffix[s + i]))
                return false;
        pos += length + 1u;
        s += length + 1u;
    }
}

}  // namespace

void DnsNameTable::Add(std::size_t offset)
{
    if (count_ < kCapacity && offset <= kMaxOffset)
        offsets_[count_++] = static_cast<std::uint16_t>(offset);
}

int DnsEncodeName(const char *text, DnsWriter &out, DnsNameTable *table)
{
    if (text == nullptr)
        return Fail(qsErrorInvalidHostName);
    std::uint8_t wire[kDnsMaxWireName];
    std::size_t starts[kDnsMaxWireName];
    std::size_t labels = 0;
    std::size_t length = TextToLabels(text, wire, starts, &labels);
    if (length == 0)
        return Fail(qsErrorInvalidHostName);

    std::size_t before = out.Length();
    std::span<const std::uint8_t> all(wire, length);
    for (std::size_t i = 0; i < labels; ++i) {
        std::span<const std::uint8_t> suffix = all.subspan(starts[i]);
        if (table != nullptr) {
            for (std::size_t t = 0; t < table->Count(); ++t) {
                std::size_t target = table->At(t);
                if (SameLabels(out.Written(), target, suffix)) {
                    if (!out.U16(static_cast<std::uint16_t>(0xC000 | target)))
                        return Fail(qsErrorInvalidHostName);
                    return static_cast<int>(out.Length() - before);
                }
            }
            table->Add(out.Length());
        }
        if (!out.Bytes(all.subspan(starts[i], wire[starts[i]] + 1u)))
            return Fail(qsErrorInvalidHostName);
    }
    if (!out.U8(0))
        return Fail(qsErrorInvalidHostName);
    return static_cast<int>(out.Length() - before);
}

int DnsExpandName(std::span<const std::uint8_t> message, std::size_t position, char *out, std::size_t capacity)
{
    return DnsExpandNameWithin(message, position, message.size(), out, capacity);
}

int DnsExpandNameWithin(std::span<const std::uint8_t> message, std::size_t position, std::size_t limit, char *out,
                        std::size_t capacity)
{
    if (out == nullptr || capacity == 0 || limit > message.size())
        return Fail(qsErrorInvalidServerResponse);
    std::size_t written = 0;
    auto put = [&](char c) {
        if (written + 1 >= capacity)
            return false;
        out[written++] = c;
        return true;
    };
    // The loop guard: a chain of pointers may never examine as many octets as the message holds.
    std::size_t examined = 0;
    std::size_t wire = 0;
    std::size_t consumed = 0;
    bool jumped = false;
    std::size_t pos = position;
    std::size_t end = limit;  // octets before the first pointer stay inside the caller's part
    for (;;) {
        if (pos >= end)
            return Fail(qsErrorInvalidServerResponse);
        std::uint8_t length = message[pos];
        if (length == 0) {
            out[written] = '\0';
            return static_cast<int>(jumped ? consumed : pos + 1 - position);
        }
        if ((length & kPointerBits) == kPointerBits) {
            if (end - pos < 2)
                return Fail(qsErrorInvalidServerResponse);
            std::size_t target = static_cast<std::size_t>(length & 0x3F) << 8 | message[pos + 1];
            if (!jumped) {
                consumed = pos + 2 - position;
                jumped = true;
            }
            examined += 2;
            if (target >= message.size() || examined >= message.size())
                return Fail(qsErrorInvalidServerResponse);
            pos = target;
            end = message.size();
            continue;
        }
        if ((length & kPointerBits) != 0 || end - pos - 1 < length)
            return Fail(qsErrorInvalidServerResponse);
        wire += length + 1u;
        if (wire + 1 > kDnsMaxWireName)
            return Fail(qsErrorInvalidServerResponse);
        if (written > 0 && !put('.'))
            return Fail(qsErrorInvalidServerResponse);
        for (std::size_t i = 1; i <= length; ++i) {
            char c = static_cast<char>(message[pos + i]);
            // A zero octet cannot be carried by a zero-ended text: refuse rather than cut the name short.
            if (c == '\0')
                return Fail(qsErrorInvalidServerResponse);
            if ((c == '.' || c == '\\') && !put('\\'))
                return Fail(qsErrorInvalidServerResponse);
            if (!put(c))
                return Fail(qsErrorInvalidServerResponse);
        }
        examined += length + 1u;
        pos += length + 1u;
    }
}

int DnsSkipName(std::span<const std::uint8_t> message, std::size_t position)
{
    return DnsSkipNameWithin(message, position, message.size());
}

int DnsSkipNameWithin(std::span<const std::uint8_t> message, std::size_t position, std::size_t limit)
{
    if (limit > message.size())
        return Fail(qsErrorInvalidServerResponse);
    std::size_t pos = position;
    for (;;) {
        if (pos >= limit)
            return Fail(qsErrorInvalidServerResponse);
        std::uint8_t length = message[pos];
        if (length == 0)
            return static_cast<int>(pos + 1 - position);
        if ((length & kPointerBits) == kPointerBits) {
            if (limit - pos < 2)
                return Fail(qsErrorInvalidServerResponse);
            return static_cast<int>(pos + 2 - position);
        }
        if ((length & kPointerBits) != 0 || limit - pos - 1 < length)
            return Fail(qsErrorInvalidServerResponse);
        pos += length + 1u;
    }
}

bool DnsSameName(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        if (Lower(static_cast<std::uint8_t>(*a)) != Lower(static_cast<std::uint8_t>(*b)))
            return false;
        if (*a == '\0')
            return true;
    }
}

}  // namespace qs
