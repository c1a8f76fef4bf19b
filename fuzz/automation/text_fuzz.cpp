// Text converted to every scalar type, read as a date and as a class identifier.
#include "platform/automation/date.h"
#include "platform/automation/guid.h"

using namespace qs::automation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    Variant source(text);
    for (VARTYPE type : {VT_I2, VT_I4, VT_UI1, VT_R4, VT_R8, VT_BOOL, VT_DATE}) {
        Variant out;
        if (SUCCEEDED(VariantChangeType(&out, &source, 0, type))) {
            // What converts must convert back to text.
            Variant back;
            if (out.vt != type || FAILED(VariantChangeType(&back, &out, 0, VT_BSTR))) __builtin_trap();
        }
    }
    DATE date;
    if (SUCCEEDED(ParseDate(text, &date)) && !(date >= kMinDate && date <= kMaxDate)) __builtin_trap();
    GUID guid;
    if (ParseGuid(text, &guid) && FormatGuid(guid).size() != static_cast<std::size_t>(kGuidTextLength))
        __builtin_trap();
    return 0;
}
