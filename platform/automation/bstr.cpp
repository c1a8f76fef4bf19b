#include "platform/automation/bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

// Allocates the prefix, `bytes` of data and a two-byte terminator; the data is zeroed.
BSTR AllocateBytes(std::size_t bytes) {
    if (bytes > static_cast<std::size_t>(kMaxBstrChars) * sizeof(OLECHAR)) return nullptr;
    auto *block = static_cast<unsigned char *>(std::calloc(1, kPrefix + bytes + sizeof(OLECHAR) + 1));
    if (!block) return nullptr;
    std::uint32_t length = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &length, kPrefix);
    return reinterpret_cast<BSTR>(block + kPrefix);
}

unsigned char *BlockOf(BSTR text) { return reinterpret_cast<unsigned char *>(text) - kPrefix; }

std::size_t Length(LPCOLESTR text) {
    std::size_t n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace

BSTR SysAllocString(LPCOLESTR text) {
    if (!text) return nullptr;
    std::size_t n = Length(text);
    if (n > kMaxBstrChars) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(n));
}

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
    BSTR s = AllocateBytes(static_cast<std::size_t>(length) * sizeof(OLECHAR));
    if (s && text) std::memcpy(s, text, static_cast<std::size_t>(length) * sizeof(OLECHAR));
    return s;
}

BSTR SysAllocStringByteLen(const char *bytes, UINT length) {
    BSTR s = AllocateBytes(length);
    if (s && bytes) std::memcpy(s, bytes, length);
    return s;
}

BOOL SysReAllocString(BSTR *target, LPCOLESTR text) {
    if (!target) return FALSE;
    std::size_t n = text ? Length(text) : 0;
    if (n > kMaxBstrChars) return FALSE;
    return SysReAllocStringLen(target, text, static_cast<UINT>(n));
}

BOOL SysReAllocStringLen(BSTR *target, LPCOLESTR text, UINT length) {
    if (!target) return FALSE;
    BSTR s = SysAllocStringLen(text, length);  // copy first: `text` may point into *target
    if (!s) return FALSE;
    SysFreeString(*target);
    *target = s;
    return TRUE;
}

void SysFreeString(BSTR text) {
    if (text) std::free(BlockOf(text));
}

UINT SysStringByteLen(BSTR text) {
    if (!text) return 0;
    std::uint32_t length = 0;
    std::memcpy(&length, BlockOf(text), kPrefix);
    return length;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

namespace qs::automation {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string &out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at text[*pos], always consuming at least one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t *pos) {
    unsigned char lead = static_cast<unsigned char>(text[*pos]);
    ++*pos;
    if (lead < 0x80) return lead;
    int extra;
    char32_t c;
    char32_t min;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < extra; ++i) {
        if (*pos >= text.size()) return kReplacement;
        unsigned char next = static_cast<unsigned char>(text[*pos]);
        if ((next & 0xC0) != 0x80) return kReplacement;  // the byte starts the next sequence
        c = (c << 6) | (next & 0x3F);
        ++*pos;
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    return c;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) AppendUtf16(out, DecodeUtf8(text, &pos));
    return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Utf8FromUtf16(LPCOLESTR text) { return text ? Utf8FromUtf16(std::u16string_view(text)) : std::string(); }

BSTR BstrFromUtf8(std::string_view text) {
    std::u16string wide = Utf16FromUtf8(text);
    if (wide.size() > kMaxBstrChars) return nullptr;
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::u16string_view BstrView(BSTR text) {
    return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

std::string Utf8FromBstr(BSTR text) { return Utf8FromUtf16(BstrView(text)); }

}  // namespace qs::automation
