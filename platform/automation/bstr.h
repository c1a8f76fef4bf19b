// Component strings: UTF-16, length-prefixed (a 32-bit byte count before the first character) and
// zero-terminated. A null BSTR is the empty string. The controls convert to and from UTF-8 (the system
// code page) at each call with the helpers below.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include "platform/base/types.h"

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR *;
using LPCOLESTR = const OLECHAR *;
using BSTR = OLECHAR *;

// Longest string the runtime allocates, in characters; longer requests fail (null result).
inline constexpr UINT kMaxBstrChars = 64u * 1024u * 1024u;

BSTR SysAllocString(LPCOLESTR text);                 // null text gives null
BSTR SysAllocStringLen(LPCOLESTR text, UINT length); // null text: `length` zero characters
BSTR SysAllocStringByteLen(const char *bytes, UINT length);  // raw bytes; null bytes: zeros
// Replace *target by a copy of `text`; returns FALSE (and keeps *target) when allocation fails.
BOOL SysReAllocString(BSTR *target, LPCOLESTR text);
BOOL SysReAllocStringLen(BSTR *target, LPCOLESTR text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);       // characters
UINT SysStringByteLen(BSTR text);   // bytes

namespace qs::automation {

// Invalid input (bad UTF-8 sequences, unpaired surrogates) becomes U+FFFD, so no text is lost silently
// in a way that shifts what follows.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);
std::string Utf8FromUtf16(LPCOLESTR text);  // zero-terminated; null gives ""
BSTR BstrFromUtf8(std::string_view text);   // null only when allocation fails or the text is too long
std::string Utf8FromBstr(BSTR text);
std::u16string_view BstrView(BSTR text);

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8) : s_(BstrFromUtf8(utf8)) {}
    explicit Bstr(LPCOLESTR text) : s_(SysAllocString(text)) {}
    Bstr(const Bstr &other) : s_(SysAllocStringLen(other.s_, SysStringLen(other.s_))) {}
    Bstr(Bstr &&other) noexcept : s_(other.s_) { other.s_ = nullptr; }
    Bstr &operator=(Bstr other) noexcept {
        std::swap(s_, other.s_);
        return *this;
    }
    ~Bstr() { SysFreeString(s_); }

    static Bstr Attach(BSTR s) {
        Bstr b;
        b.s_ = s;
        return b;
    }
    BSTR Detach() {
        BSTR s = s_;
        s_ = nullptr;
        return s;
    }
    BSTR get() const { return s_; }
    operator BSTR() const { return s_; }
    // Frees the current string and returns the slot for an out argument.
    BSTR *Out() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    UINT length() const { return SysStringLen(s_); }
    std::string utf8() const { return Utf8FromBstr(s_); }

private:
    BSTR s_ = nullptr;
};

}  // namespace qs::automation
