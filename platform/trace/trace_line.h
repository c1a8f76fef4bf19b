// One trace record "function(args) = result", built in a fixed buffer: whatever does not fit is cut.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/winsock/ws2.h"

namespace qstrace {

inline constexpr std::size_t kMaxLine = 1024;
inline constexpr std::size_t kMaxText = 255;  // longest text argument shown

class TraceLine {
public:
    explicit TraceLine(const char *function);
    TraceLine &Int(long value);
    TraceLine &Hex(unsigned long value);
    TraceLine &Socket(ws::SOCKET s);
    TraceLine &Text(const char *text);                        // quoted, or null
    TraceLine &Address(const ws::sockaddr *address, int length);
    TraceLine &AddressOut(const ws::sockaddr *address, const int *length, bool valid);
    TraceLine &Set(const ws::fd_set *set);
    TraceLine &Time(const ws::timeval *time);
    TraceLine &Pointer(const void *p);
    // Closes the argument list: ") = result", with " [error]" when `failed`.
    TraceLine &Result(long result, bool failed, int error);
    // The same for calls that return a record: its name, or null.
    TraceLine &ResultText(const char *text, bool failed, int error);
    const char *c_str() const { return buffer_; }

private:
    void Append(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void Separate();

    char buffer_[kMaxLine];
    std::size_t used_ = 0;
    bool first_ = true;
};

}  // namespace qstrace
