#include "dns/lib/dns_reader.h"

#include "dns/lib/dns_name.h"

namespace qs {

bool DnsReader::U8(std::uint8_t *value)
{
    if (Remaining() < 1)
        return false;
    *value = message_[pos_];
    pos_ += 1;
    return true;
}

bool DnsReader::U16(std::uint16_t *value)
{
    if (Remaining() < 2)
        return false;
    *value = static_cast<std::uint16_t>(message_[pos_] << 8 | message_[pos_ + 1]);
    pos_ += 2;
    return true;
}

bool DnsReader::U32(std::uint32_t *value)
{
    if (Remaining() < 4)
        return false;
    *value = static_cast<std::uint32_t>(message_[pos_]) << 24 | static_cast<std::uint32_t>(message_[pos_ + 1]) << 16 |
             static_cast<std::uint32_t>(message_[pos_ + 2]) << 8 | message_[pos_ + 3];
    pos_ += 4;
    return true;
}

bool DnsReader::Bytes(std::size_t count, std::span<const std::uint8_t> *bytes)
{
    if (Remaining() < count)
        return false;
    *bytes = message_.subspan(pos_, count);
    pos_ += count;
    return true;
}

bool DnsReader::Skip(std::size_t count)
{
    if (Remaining() < count)
        return false;
    pos_ += count;
    return true;
}

bool DnsReader::CharacterString(std::span<const std::uint8_t> *bytes)
{
    if (Remaining() < 1 || Remaining() - 1 < message_[pos_])
        return false;
    *bytes = message_.subspan(pos_ + 1, message_[pos_]);
    pos_ += 1 + bytes->size();
    return true;
}

bool DnsReader::Name(char *out, std::size_t capacity)
{
    int used = DnsExpandNameWithin(message_, pos_, end_, out, capacity);
    if (used < 0)
        return false;
    pos_ += static_cast<std::size_t>(used);
    return true;
}

bool DnsReader::SkipName()
{
    int used = DnsSkipNameWithin(message_, pos_, end_);
    if (used < 0)
        return false;
    pos_ += static_cast<std::size_t>(used);
    return true;
}

bool DnsReader::Take(std::size_t count, DnsReader *part)
{
    if (Remaining() < count)
        return false;
    *part = DnsReader(message_, pos_, pos_ + count);
    pos_ += count;
    return true;
}

}  // namespace qs
