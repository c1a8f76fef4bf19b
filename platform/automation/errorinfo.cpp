#include "platform/automation/errorinfo.h"

namespace {

using qs::automation::Bstr;

class ErrorInfo final : public qs::automation::Object<ErrorInfo, IErrorInfo, ICreateErrorInfo> {
public:
    using Interfaces = qs::automation::InterfaceList<IErrorInfo, ICreateErrorInfo>;

    HRESULT GetGUID(GUID *iid) override {
        if (!iid) return E_POINTER;
        *iid = iid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR *out) override { return CopyOut(source_, out); }
    HRESULT GetDescription(BSTR *out) override { return CopyOut(description_, out); }
    HRESULT GetHelpFile(BSTR *out) override { return CopyOut(helpFile_, out); }
    HRESULT GetHelpContext(DWORD *out) override {
        if (!out) return E_POINTER;
        *out = helpContext_;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID iid) override {
        iid_ = iid;
        return S_OK;
    }
    HRESULT SetSource(LPCOLESTR text) override { return Store(&source_, text); }
    HRESULT SetDescription(LPCOLESTR text) override { return Store(&description_, text); }
    HRESULT SetHelpFile(LPCOLESTR text) override { return Store(&helpFile_, text); }
    HRESULT SetHelpContext(DWORD context) override {
        helpContext_ = context;
        return S_OK;
    }

private:
    static HRESULT CopyOut(const Bstr &from, BSTR *out) {
        if (!out) return E_POINTER;
        *out = from.get() ? SysAllocStringLen(from.get(), from.length()) : nullptr;
        return from.get() && !*out ? E_OUTOFMEMORY : S_OK;
    }
    static HRESULT Store(Bstr *to, LPCOLESTR text) {
        Bstr copy(text);
        if (text && !copy.get()) return E_OUTOFMEMORY;
        *to = std::move(copy);
        return S_OK;
    }

    GUID iid_ = GUID_NULL;
    Bstr source_;
    Bstr description_;
    Bstr helpFile_;
    DWORD helpContext_ = 0;
};

// The thread's slot releases what it holds when the thread ends.
struct ErrorSlot {
    IErrorInfo *info = nullptr;
    ~ErrorSlot() {
        if (info) info->Release();
    }
};
thread_local ErrorSlot tErrorSlot;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo **out) {
    return qs::automation::CreateObject<ErrorInfo>(ICreateErrorInfo::kIid, reinterpret_cast<void **>(out));
}

HRESULT SetErrorInfo(DWORD reserved, IErrorInfo *info) {
    if (reserved != 0) return E_INVALIDARG;
    if (info) info->AddRef();
    IErrorInfo *old = tErrorSlot.info;
    tErrorSlot.info = info;
    if (old) old->Release();
    return S_OK;
}

HRESULT GetErrorInfo(DWORD reserved, IErrorInfo **info) {
    if (reserved != 0) return E_INVALIDARG;
    if (!info) return E_POINTER;
    *info = tErrorSlot.info;
    tErrorSlot.info = nullptr;
    return *info ? S_OK : S_FALSE;
}

namespace qs::automation {

HRESULT SetErrorInfoText(REFIID iid, std::string_view source, std::string_view description, std::string_view helpFile,
                         DWORD helpContext) {
    ComPtr<ICreateErrorInfo> create;
    HRESULT hr = CreateErrorInfo(create.Out());
    if (FAILED(hr)) return hr;
    create->SetGUID(iid);
    Bstr s(source), d(description), h(helpFile);
    if (FAILED(hr = create->SetSource(s)) || FAILED(hr = create->SetDescription(d)) ||
        FAILED(hr = create->SetHelpFile(h)) || FAILED(hr = create->SetHelpContext(helpContext))) {
        return hr;
    }
    ComPtr<IErrorInfo> info;
    hr = create.As(&info);
    if (FAILED(hr)) return hr;
    return SetErrorInfo(0, info.get());
}

}  // namespace qs::automation
