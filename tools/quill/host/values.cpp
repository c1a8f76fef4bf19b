#include "tools/quill/host/values.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/automation/safearray.h"

namespace quill {
namespace {

using qs::automation::Variant;

constexpr std::size_t kMaxArrayElementsShown = 256;

bool SameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    }
    return true;
}

bool ParseInteger(std::string_view text, Variant *value)
{
    const std::string copy(text);
    const bool hex = copy.size() > 2 && copy[0] == '0' && (copy[1] == 'x' || copy[1] == 'X');
    const std::size_t digitsFrom = hex ? 2 : (copy[0] == '-' || copy[0] == '+') ? 1 : 0;
    if (digitsFrom >= copy.size())
        return false;
    for (std::size_t i = digitsFrom; i < copy.size(); ++i) {
        const char c = copy[i];
        const bool digit = (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit)
            return false;
    }
    errno = 0;
    char *end = nullptr;
    if (hex) {
        const unsigned long long n = std::strtoull(copy.c_str() + 2, &end, 16);
        if (errno != 0 || n > 0xFFFFFFFFull)
            return false;
        *value = Variant(static_cast<int>(static_cast<std::uint32_t>(n)));
        return true;
    }
    const long long n = std::strtoll(copy.c_str(), &end, 10);
    if (errno != 0 || n < INT32_MIN || n > INT32_MAX)
        *value = Variant(std::strtod(copy.c_str(), nullptr));
    else
        *value = Variant(static_cast<int>(n));
    return true;
}

std::string Quote(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string FormatArray(SAFEARRAY *array, VARTYPE element)
{
    if (array == nullptr)
        return "{}";
    if (SafeArrayGetDim(array) != 1)
        return "{array of " + std::to_string(SafeArrayGetDim(array)) + " dimensions}";
    LONG low = 0, high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    std::string out = "{";
    std::size_t shown = 0;
    for (LONG i = low; i <= high; ++i, ++shown) {
        if (shown == kMaxArrayElementsShown) {
            out += ", ...";
            break;
        }
        Variant item;
        if (element == VT_VARIANT) {
            SafeArrayGetElement(array, &i, &item);
        } else {
            void *slot = nullptr;
            if (FAILED(SafeArrayPtrOfIndex(array, &i, &slot)))
                break;
            VARIANT ref;
            VariantInit(&ref);
            ref.vt = VT_BYREF | element;
            ref.byref = slot;
            VariantCopyInd(&item, &ref);
        }
        out += (shown ? ", " : "") + FormatValue(item);
    }
    return out + "}";
}

}  // namespace

bool ParseValue(std::string_view text, Variant *value)
{
    if (!text.empty() && text.front() == '"') {
        std::string unquoted;
        for (std::size_t i = 1; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '"') {
                if (i + 1 != text.size())
                    return false;
                *value = Variant(unquoted);
                return true;
            }
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                ++i;
            unquoted += text[i];
        }
        return false;
    }
    if (SameWord(text, "true") || SameWord(text, "false")) {
        *value = Variant(SameWord(text, "true"));
        return true;
    }
    if (!text.empty() && ParseInteger(text, value))
        return true;
    *value = Variant(text);
    return true;
}

std::string FormatValue(const VARIANT &input)
{
    const VARIANT &value = qs::automation::Deref(input);
    const VARTYPE type = value.vt & ~VT_BYREF;
    if (type & VT_ARRAY)
        return FormatArray(value.vt & VT_BYREF ? *value.pparray : value.parray, type & ~VT_ARRAY);
    Variant plain;
    VariantCopyInd(&plain, &value);
    switch (plain.vt) {
        case VT_EMPTY: return "empty";
        case VT_NULL: return "null";
        case VT_BOOL: return plain.boolVal ? "true" : "false";
        case VT_BSTR: return Quote(plain.text());
        case VT_ERROR: {
            char text[32];
            std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(plain.scode));
            return text;
        }
        case VT_DISPATCH:
        case VT_UNKNOWN: return "object";
        default: return plain.text();
    }
}

}  // namespace quill
