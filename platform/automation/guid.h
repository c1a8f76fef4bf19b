// Class, interface and library identifiers, written as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once
#include <string>
#include <string_view>
#include "platform/automation/bstr.h"
#include "platform/automation/hresult.h"

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID &a, const GUID &b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i) {
            if (a.Data4[i] != b.Data4[i]) return false;
        }
        return true;
    }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID &;
using REFIID = const IID &;
using REFCLSID = const CLSID &;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
inline constexpr bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }

namespace qs::automation {

inline constexpr int kGuidTextLength = 38;  // braces included, no terminator

// Accepts the braced form only; hex digits in either case.
bool ParseGuid(std::string_view text, GUID *guid);
// Upper-case hex, braced.
std::string FormatGuid(const GUID &guid);

}  // namespace qs::automation

// The platform's calls: CO_E_CLASSSTRING for a text that is not a braced identifier.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID *clsid);
// Writes the braced text and its terminator; returns the characters written with the terminator, or 0
// when `size` is below 39.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size);
