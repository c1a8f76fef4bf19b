#include "platform/automation/guid.h"

namespace qs::automation {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[*pos]; moves *pos only on success.
bool ReadHex(std::string_view text, std::size_t *pos, int digits, std::uint32_t *value) {
    if (text.size() - *pos < static_cast<std::size_t>(digits)) return false;
    std::uint32_t v = 0;
    for (int i = 0; i < digits; ++i) {
        int h = HexValue(text[*pos + i]);
        if (h < 0) return false;
        v = (v << 4) | static_cast<std::uint32_t>(h);
    }
    *pos += digits;
    *value = v;
    return true;
}

bool Expect(std::string_view text, std::size_t *pos, char c) {
    if (*pos >= text.size() || text[*pos] != c) return false;
    ++*pos;
    return true;
}

}  // namespace

bool ParseGuid(std::string_view text, GUID *guid) {
    if (text.size() != kGuidTextLength) return false;
    GUID g{};
    std::size_t pos = 0;
    std::uint32_t v = 0;
    if (!Expect(text, &pos, '{') || !ReadHex(text, &pos, 8, &v)) return false;
    g.Data1 = v;
    if (!Expect(text, &pos, '-') || !ReadHex(text, &pos, 4, &v)) return false;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!Expect(text, &pos, '-') || !ReadHex(text, &pos, 4, &v)) return false;
    g.Data3 = static_cast<std::uint16_t>(v);
    if (!Expect(text, &pos, '-')) return false;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !Expect(text, &pos, '-')) return false;
        if (!ReadHex(text, &pos, 2, &v)) return false;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    if (!Expect(text, &pos, '}')) return false;
    *guid = g;
    return true;
}

std::string FormatGuid(const GUID &g) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(kGuidTextLength);
    auto put = [&](std::uint32_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i) out.push_back(kHex[(value >> (4 * i)) & 0xF]);
    };
    out.push_back('{');
    put(g.Data1, 8);
    out.push_back('-');
    put(g.Data2, 4);
    out.push_back('-');
    put(g.Data3, 4);
    out.push_back('-');
    for (int i = 0; i < 8; ++i) {
        if (i == 2) out.push_back('-');
        put(g.Data4[i], 2);
    }
    out.push_back('}');
    return out;
}

}  // namespace qs::automation

HRESULT CLSIDFromString(LPCOLESTR text, CLSID *clsid) {
    if (!clsid) return E_POINTER;
    if (!text) return CO_E_CLASSSTRING;
    std::string narrow = qs::automation::Utf8FromUtf16(text);
    return qs::automation::ParseGuid(narrow, clsid) ? S_OK : CO_E_CLASSSTRING;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size) {
    if (!buffer || size < qs::automation::kGuidTextLength + 1) return 0;
    std::string text = qs::automation::FormatGuid(guid);
    for (int i = 0; i < qs::automation::kGuidTextLength; ++i) buffer[i] = static_cast<OLECHAR>(text[i]);
    buffer[qs::automation::kGuidTextLength] = 0;
    return qs::automation::kGuidTextLength + 1;
}
