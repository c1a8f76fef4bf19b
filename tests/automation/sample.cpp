#include "tests/automation/sample.h"

#include "platform/automation/safearray.h"
#include "platform/base/module.h"

using namespace qs::automation;

namespace {

constexpr Member kSampleMembers[] = {
    Get<&ISample::get_Name>(DISPID_VALUE, "Name", VT_BSTR, "the sample's name"),
    Put<&ISample::put_Name>(DISPID_VALUE, "Name", VT_BSTR),
    Get<&ISample::get_Count>(2, "Count", VT_I4, "a count, never negative"),
    Put<&ISample::put_Count>(2, "Count", VT_I4),
    Get<&ISample::get_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL),
    Put<&ISample::put_Enabled>(DISPID_ENABLED, "Enabled", VT_BOOL),
    Get<&ISample::get_When>(4, "When", VT_DATE),
    Put<&ISample::put_When>(4, "When", VT_DATE),
    Get<&ISample::get_Item>(5, "Item", VT_BSTR, "one of four texts", {In("Index", VT_I4)}),
    Put<&ISample::put_Item>(5, "Item", VT_BSTR, "", {In("Index", VT_I4)}),
    Get<&ISample::get_ModulePath>(6, "ModulePath", VT_BSTR),
    Method<&ISample::Add>(10, "Add", {In("A", VT_I4), In("B", VT_I4)}, VT_I4, "the sum"),
    Method<&ISample::Describe>(11, "Describe", {Optional("Value")}, VT_BSTR),
    Method<&ISample::Swap>(12, "Swap", {InOut("A"), InOut("B")}),
    Method<&ISample::Fail>(13, "Fail", {In("Number", VT_I4)}, VT_VARIANT),
    Method<&ISample::Fill>(14, "Fill", {InOut("Buffer"), Optional("Length")}, VT_I4),
    Method<&ISample::Notify>(15, "Notify", {In("Value", VT_I4)}, VT_I4),
};

constexpr Member kSampleEvents[] = {
    Method<&ISampleEventSink::OnChange>(1, "OnChange", {In("Name", VT_BSTR)}),
    Method<&ISampleEventSink::OnCount>(2, "OnCount", {InOut("Value")}),
};

constexpr EnumConstant kColors[] = {{"sampleRed", 1}, {"sampleGreen", 2}, {"sampleBlue", 4}};
constexpr EnumInfo kEnums[] = {{"_sampleColorConstants", "ColorConstants", kColors}};

extern const InterfaceInfo kSampleInterface;
extern const InterfaceInfo kSampleEventInterface;
const InterfaceInfo kSampleInterface{"ISample", ISample::kIid, kSampleMembers, "the sample's members", &kSampleLib};
const InterfaceInfo kSampleEventInterface{"_ISampleEvents", kSampleEventsIid, kSampleEvents, "the sample's events",
                                          &kSampleLib, ISampleEventSink::kIid};
const InterfaceInfo *const kInterfaces[] = {&kSampleInterface, &kSampleEventInterface};
const ClassInfo *const kClasses[] = {&kSampleClass};

void ModuleMarker() {}

}  // namespace

const ClassInfo kSampleClass{"Sample",  kSampleClsid, "Quillstream.Sample.1", "Quillstream.Sample",
                             "Quillstream Sample Control 1.0", "Apartment", true, 132497, 202,
                             &kSampleInterface, &kSampleEventInterface, &kSampleLib};
const TypeLibInfo kSampleLib{"SampleCtl", kSampleLibId, 1, 0, "Quillstream Sample Control 1.0", kEnums, kInterfaces,
                             kClasses};

const InterfaceInfo &ISample::Info() { return kSampleInterface; }
const InterfaceInfo &ISampleEventSink::Info() { return kSampleEventInterface; }

namespace {

HRESULT CopyOut(const Bstr &from, BSTR *out) {
    *out = SysAllocStringLen(from.get(), from.length());
    return S_OK;
}

}  // namespace

HRESULT Sample::get_Name(BSTR *value) { return CopyOut(name_, value); }

HRESULT Sample::put_Name(BSTR value) {
    name_ = Bstr(static_cast<LPCOLESTR>(value));
    SetDirty(true);
    return S_OK;
}

HRESULT Sample::get_Count(LONG *value) {
    *value = count_;
    return S_OK;
}

HRESULT Sample::put_Count(LONG value) {
    if (value < 0) return CTL_E_INVALIDPROPERTYVALUE;
    count_ = value;
    SetDirty(true);
    return S_OK;
}

HRESULT Sample::get_Enabled(VARIANT_BOOL *value) {
    *value = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT Sample::put_Enabled(VARIANT_BOOL value) {
    enabled_ = value != VARIANT_FALSE;
    return S_OK;
}

HRESULT Sample::get_When(DATE *value) {
    *value = when_;
    return S_OK;
}

HRESULT Sample::put_When(DATE value) {
    when_ = value;
    return S_OK;
}

HRESULT Sample::get_Item(LONG index, BSTR *value) {
    if (index < 0 || index > 3) return CTL_E_INVALIDPROPERTYARRAYINDEX;
    return CopyOut(items_[index], value);
}

HRESULT Sample::put_Item(LONG index, BSTR value) {
    if (index < 0 || index > 3) return CTL_E_INVALIDPROPERTYARRAYINDEX;
    items_[index] = Bstr(static_cast<LPCOLESTR>(value));
    return S_OK;
}

HRESULT Sample::get_ModulePath(BSTR *value) {
    char path[4096];
    DWORD n = GetModuleFileNameA(QsModuleFromAddress(reinterpret_cast<const void *>(&ModuleMarker)), path, sizeof path);
    *value = BstrFromUtf8(std::string_view(path, n < sizeof path ? n : 0));
    return S_OK;
}

HRESULT Sample::Add(LONG a, LONG b, LONG *sum) {
    *sum = a + b;
    return S_OK;
}

HRESULT Sample::Describe(const VARIANT &value, BSTR *text) {
    if (IsMissing(value)) {
        *text = BstrFromUtf8("missing");
        return S_OK;
    }
    Variant converted;
    HRESULT hr = VariantChangeType(&converted, &value, 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    *text = converted.bstrVal;
    converted.Detach();
    return S_OK;
}

HRESULT Sample::Swap(VARIANT *a, VARIANT *b) {
    Variant va, vb;
    HRESULT hr = VariantCopyInd(&va, a);
    if (SUCCEEDED(hr)) hr = VariantCopyInd(&vb, b);
    if (SUCCEEDED(hr)) hr = StoreThrough(a, vb);
    if (SUCCEEDED(hr)) hr = StoreThrough(b, va);
    return hr;
}

HRESULT Sample::Fail(LONG number, VARIANT *error) {
    error->vt = VT_I4;
    error->lVal = number;
    SetErrorInfoText(ISample::kIid, kSampleClass.progId, "Sample failure " + std::to_string(number));
    return MakeControlError(static_cast<std::uint32_t>(number));
}

HRESULT Sample::Fill(VARIANT *buffer, const VARIANT &length, LONG *count) {
    LONG wanted = -1;
    if (!IsMissing(length)) {
        Variant n;
        HRESULT hr = VariantChangeType(&n, &length, 0, VT_I4);
        if (FAILED(hr)) return hr;
        wanted = n.lVal;
    }
    bool byRef = (buffer->vt & VT_BYREF) != 0;
    VARTYPE type = buffer->vt & ~VT_BYREF;
    if (type == (VT_ARRAY | VT_UI1)) {
        SAFEARRAY **slot = byRef ? buffer->pparray : &buffer->parray;
        if (!*slot) {
            if (wanted <= 0) return E_INVALIDARG;
            *slot = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(wanted));
        }
        if (SafeArrayGetDim(*slot) != 1) return E_INVALIDARG;
        LONG capacity = static_cast<LONG>(ArrayElementCount(*slot));
        LONG n = wanted < 0 || wanted > capacity ? capacity : wanted;
        BYTE *data = nullptr;
        SafeArrayAccessData(*slot, reinterpret_cast<void **>(&data));
        for (LONG i = 0; i < n; ++i) data[i] = static_cast<BYTE>(i + 1);
        SafeArrayUnaccessData(*slot);
        *count = n;
        return S_OK;
    }
    if (type != VT_EMPTY && type != VT_BSTR) return E_INVALIDARG;
    if (wanted <= 0) return E_INVALIDARG;
    *count = wanted;
    return StoreThrough(buffer, Variant(std::string(static_cast<std::size_t>(wanted), 'x')));
}

HRESULT Sample::Notify(LONG value, LONG *seen) {
    eventPoint().Fire(1, name_);
    Variant v(static_cast<int>(value));
    HRESULT hr = eventPoint().Fire(2, AsVariants(&v, 1));
    if (FAILED(hr)) return hr;
    hr = v.ChangeType(VT_I4);
    if (FAILED(hr)) return hr;
    *seen = v.lVal;
    return S_OK;
}

HRESULT Sample::SaveProperties(PropertyWriter &out) {
    HRESULT hr = out.Write("Name", Variant(name_));
    if (SUCCEEDED(hr)) hr = out.Write("Count", Variant(static_cast<int>(count_)));
    return hr;
}

HRESULT Sample::LoadProperties(PropertyReader &in) {
    Variant name, count;
    HRESULT hr = in.Read("Name", VT_BSTR, &name);
    if (FAILED(hr)) return hr;
    if (hr == S_OK) name_ = Bstr(static_cast<LPCOLESTR>(name.bstrVal));
    hr = in.Read("Count", VT_I4, &count);
    if (FAILED(hr)) return hr;
    if (hr == S_OK) count_ = count.lVal;
    return S_OK;
}

HRESULT Sample::InitProperties() {
    name_ = Bstr();
    count_ = 0;
    return S_OK;
}
