#include "ssh/wire/wire_reader.h"

#include "ssh/wire/name_list.h"

namespace qs::ssh {

bool WireReader::U8(std::uint8_t &out)
{
    if (Remaining() < 1)
        return false;
    out = data_[pos_++];
    return true;
}

bool WireReader::U32(std::uint32_t &out)
{
    if (Remaining() < 4)
        return false;
    out = static_cast<std::uint32_t>(data_[pos_]) << 24 | static_cast<std::uint32_t>(data_[pos_ + 1]) << 16 |
          static_cast<std::uint32_t>(data_[pos_ + 2]) << 8 | data_[pos_ + 3];
    pos_ += 4;
    return true;
}

bool WireReader::Bool(bool &out)
{
    std::uint8_t b;
    if (!U8(b))
        return false;
    out = b != 0;
    return true;
}

bool WireReader::Bytes(std::size_t count, ByteView &out)
{
    if (Remaining() < count)
        return false;
    out = data_.subspan(pos_, count);
    pos_ += count;
    return true;
}

bool WireReader::String(ByteView &out)
{
    const std::size_t start = pos_;
    std::uint32_t length;
    if (!U32(length))
        return false;
    if (!Bytes(length, out)) {
        pos_ = start;
        return false;
    }
    return true;
}

bool WireReader::Text(std::string_view &out)
{
    ByteView bytes;
    if (!String(bytes))
        return false;
    out = std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    return true;
}

bool WireReader::Mpint(ByteView &magnitude)
{
    const std::size_t start = pos_;
    ByteView bytes;
    if (!String(bytes))
        return false;
    // Negative values have no use in SSH key exchange or keys.
    if (bytes.size() > kMaxMpintBytes || (!bytes.empty() && (bytes[0] & 0x80) != 0)) {
        pos_ = start;
        return false;
    }
    std::size_t zeros = 0;
    while (zeros < bytes.size() && bytes[zeros] == 0)
        ++zeros;
    magnitude = bytes.subspan(zeros);
    return true;
}

bool WireReader::NameList(std::string_view &out)
{
    const std::size_t start = pos_;
    std::string_view text;
    if (!Text(text))
        return false;
    if (text.size() > kMaxNameListBytes || !IsValidNameList(text)) {
        pos_ = start;
        return false;
    }
    out = text;
    return true;
}

}  // namespace qs::ssh
