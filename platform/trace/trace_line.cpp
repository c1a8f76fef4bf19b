#include "platform/trace/trace_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace qstrace {

TraceLine::TraceLine(const char *function)
{
    buffer_[0] = '\0';
    Append("%s(", function);
}

void TraceLine::Append(const char *format, ...)
{
    if (used_ + 1 >= kMaxLine) {
        return;
    }
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer_ + used_, kMaxLine - used_, format, args);
    va_end(args);
    if (n > 0) {
        used_ += static_cast<std::size_t>(n) < kMaxLine - used_ ? static_cast<std::size_t>(n) : kMaxLine - used_ - 1;
    }
}

void TraceLine::Separate()
{
    if (!first_) {
        Append(", ");
    }
    first_ = false;
}

TraceLine &TraceLine::Int(long value)
{
    Separate();
    Append("%ld", value);
    return *this;
}

TraceLine &TraceLine::Hex(unsigned long value)
{
    Separate();
    Append("0x%lx", value);
    return *this;
}

TraceLine &TraceLine::Socket(ws::SOCKET s)
{
    Separate();
    if (s == ws::INVALID_SOCKET) {
        Append("INVALID_SOCKET");
    } else {
        Append("%lu", static_cast<unsigned long>(s));
    }
    return *this;
}

TraceLine &TraceLine::Text(const char *text)
{
    Separate();
    if (text == nullptr) {
        Append("null");
        return *this;
    }
    char shown[kMaxText + 1];
    std::size_t n = 0;
    for (; n < kMaxText && text[n] != '\0'; ++n) {
        unsigned char c = static_cast<unsigned char>(text[n]);
        shown[n] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    shown[n] = '\0';
    Append("\"%s\"%s", shown, text[n] != '\0' ? "..." : "");
    return *this;
}

TraceLine &TraceLine::Address(const ws::sockaddr *address, int length)
{
    Separate();
    if (address == nullptr) {
        Append("null");
        return *this;
    }
    if (length < static_cast<int>(sizeof(ws::sockaddr_in))) {
        Append("<%d bytes>", length);
        return *this;
    }
    ws::sockaddr_in in{};
    std::memcpy(&in, address, sizeof(in));
    if (in.sin_family != ws::AF_INET) {
        Append("<family %d>", in.sin_family);
        return *this;
    }
    unsigned char b[4];
    std::memcpy(b, &in.sin_addr.s_addr, 4);
    Append("%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], static_cast<unsigned>(__builtin_bswap16(in.sin_port)));
    return *this;
}

TraceLine &TraceLine::AddressOut(const ws::sockaddr *address, const int *length, bool valid)
{
    if (!valid || address == nullptr || length == nullptr) {
        Separate();
        Append(address == nullptr ? "null" : "-");
        return *this;
    }
    return Address(address, *length);
}

TraceLine &TraceLine::Set(const ws::fd_set *set)
{
    Separate();
    if (set == nullptr) {
        Append("null");
        return *this;
    }
    std::uint32_t count = set->fd_count < static_cast<std::uint32_t>(ws::FD_SETSIZE) ? set->fd_count : ws::FD_SETSIZE;
    Append("{%u:", set->fd_count);
    for (std::uint32_t i = 0; i < count; ++i) {
        Append(" %lu", static_cast<unsigned long>(set->fd_array[i]));
    }
    Append("}");
    return *this;
}

TraceLine &TraceLine::Time(const ws::timeval *time)
{
    Separate();
    if (time == nullptr) {
        Append("null");
    } else {
        Append("{%d, %d}", time->tv_sec, time->tv_usec);
    }
    return *this;
}

TraceLine &TraceLine::Pointer(const void *p)
{
    Separate();
    if (p == nullptr) {
        Append("null");
    } else {
        Append("%p", p);
    }
    return *this;
}

TraceLine &TraceLine::Result(long result, bool failed, int error)
{
    Append(") = %ld", result);
    if (failed) {
        Append(" [%d]", error);
    }
    return *this;
}

TraceLine &TraceLine::ResultText(const char *text, bool failed, int error)
{
    Append(") = ");
    first_ = true;
    Text(text);
    if (failed) {
        Append(" [%d]", error);
    }
    return *this;
}

}  // namespace qstrace
