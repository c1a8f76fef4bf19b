#include "dns/lib/dns_writer.h"

#include <algorithm>

namespace qs {

bool DnsWriter::U8(std::uint8_t value)
{
    if (Remaining() < 1)
        return false;
    buffer_[pos_++] = value;
    return true;
}

bool DnsWriter::U16(std::uint16_t value)
{
    if (Remaining() < 2)
        return false;
    buffer_[pos_++] = static_cast<std::uint8_t>(value >> 8);
    buffer_[pos_++] = static_cast<std::uint8_t>(value);
    return true;
}

bool DnsWriter::U32(std::uint32_t value)
{
    if (Remaining() < 4)
        return false;
    for (int shift = 24; shift >= 0; shift -= 8)
        buffer_[pos_++] = static_cast<std::uint8_t>(value >> shift);
    return true;
}

bool DnsWriter::Bytes(std::span<const std::uint8_t> bytes)
{
    if (Remaining() < bytes.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ += bytes.size();
    return true;
}

bool DnsWriter::PatchU16(std::size_t position, std::uint16_t value)
{
    if (position > pos_ || pos_ - position < 2)
        return false;
    buffer_[position] = static_cast<std::uint8_t>(value >> 8);
    buffer_[position + 1] = static_cast<std::uint8_t>(value);
    return true;
}

}  // namespace qs
