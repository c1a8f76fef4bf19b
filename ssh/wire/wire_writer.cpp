#include "ssh/wire/wire_writer.h"

namespace qs::ssh {

bool WireWriter::Reserve(std::size_t count)
{
    if (ok_ && (out_.size() > cap_ || count > cap_ - out_.size()))
        ok_ = false;
    return ok_;
}

bool WireWriter::U8(std::uint8_t value)
{
    if (!Reserve(1))
        return false;
    out_.push_back(value);
    return true;
}

bool WireWriter::U32(std::uint32_t value)
{
    if (!Reserve(4))
        return false;
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    out_.insert(out_.end(), bytes, bytes + 4);
    return true;
}

bool WireWriter::Bool(bool value)
{
    return U8(value ? 1 : 0);
}

bool WireWriter::Bytes(ByteView bytes)
{
    if (!Reserve(bytes.size()))
        return false;
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return true;
}

bool WireWriter::String(ByteView bytes)
{
    if (bytes.size() > UINT32_MAX || !Reserve(4 + bytes.size()))
        return false;
    return U32(static_cast<std::uint32_t>(bytes.size())) && Bytes(bytes);
}

bool WireWriter::String(std::string_view text)
{
    return String(ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
}

bool WireWriter::Mpint(ByteView magnitude)
{
    std::size_t zeros = 0;
    while (zeros < magnitude.size() && magnitude[zeros] == 0)
        ++zeros;
    magnitude = magnitude.subspan(zeros);
    const bool pad = !magnitude.empty() && (magnitude[0] & 0x80) != 0;
    const std::size_t length = magnitude.size() + (pad ? 1 : 0);
    if (length > UINT32_MAX || !Reserve(4 + length))
        return false;
    U32(static_cast<std::uint32_t>(length));
    if (pad)
        U8(0);
    return Bytes(magnitude);
}

}  // namespace qs::ssh
