// A persisted stream read back with every value type the persistence layer knows.
#include "platform/automation/persist.h"

using namespace qs::automation;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const VARTYPE kTypes[] = {VT_BSTR, VT_I4, VT_R8, VT_BOOL, VT_DATE, VT_UI1, VT_I2, VT_R4, VT_BSTR};
    auto stream = ComPtr<MemoryStream>::Attach(new MemoryStream(std::vector<BYTE>(data, data + size)));
    LoadFromStream(stream.get(), [](PropertyReader &in) {
        for (VARTYPE type : kTypes) {
            Variant v;
            HRESULT hr = in.Read("value", type, &v);
            if (FAILED(hr)) return hr;
            if (v.vt != type) __builtin_trap();
        }
        return S_OK;
    });
    return 0;
}
