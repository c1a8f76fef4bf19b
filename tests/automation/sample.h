// A small control built on the runtime: the tests drive it directly, and the sample module serves it.
#pragma once
#include <string>
#include "platform/automation/dispatch_engine.h"
#include "platform/automation/errorinfo.h"
#include "platform/automation/events.h"
#include "platform/automation/persist.h"
#include "platform/automation/site.h"

struct ISample : IDispatch {
    static constexpr IID kIid{0xA5D0C1E0, 0x5A11, 0x4E2B, {0x9C, 0x61, 0, 0, 0, 0, 0, 0x01}};
    static const qs::automation::InterfaceInfo &Info();
    virtual HRESULT get_Name(BSTR *value) = 0;
    virtual HRESULT put_Name(BSTR value) = 0;
    virtual HRESULT get_Count(LONG *value) = 0;
    virtual HRESULT put_Count(LONG value) = 0;  // negative: invalid property value
    virtual HRESULT get_Enabled(VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL value) = 0;
    virtual HRESULT get_When(DATE *value) = 0;
    virtual HRESULT put_When(DATE value) = 0;
    virtual HRESULT get_Item(LONG index, BSTR *value) = 0;  // index 0-3
    virtual HRESULT put_Item(LONG index, BSTR value) = 0;
    virtual HRESULT get_ModulePath(BSTR *value) = 0;  // the file holding the sample's code
    virtual HRESULT Add(LONG a, LONG b, LONG *sum) = 0;
    virtual HRESULT Describe(const VARIANT &value, BSTR *text) = 0;  // "missing" or the value as text
    virtual HRESULT Swap(VARIANT *a, VARIANT *b) = 0;
    virtual HRESULT Fail(LONG number, VARIANT *error) = 0;  // raises 0x800A0000 + number with error info
    virtual HRESULT Fill(VARIANT *buffer, const VARIANT &length, LONG *count) = 0;  // bytes 1, 2, 3 ...
    virtual HRESULT Notify(LONG value, LONG *seen) = 0;  // fires OnChange(Name), OnCount(value)
};

struct ISampleEventSink : IUnknown {
    static constexpr IID kIid{0xA5D0C1E0, 0x5A11, 0x4E2B, {0x9C, 0x61, 0, 0, 0, 0, 0, 0x02}};
    static const qs::automation::InterfaceInfo &Info();
    virtual HRESULT OnChange(BSTR name) = 0;
    virtual HRESULT OnCount(VARIANT *value) = 0;  // in/out: a handler may change the value
};

inline constexpr IID kSampleEventsIid{0xA5D0C1E0, 0x5A11, 0x4E2B, {0x9C, 0x61, 0, 0, 0, 0, 0, 0x03}};
inline constexpr CLSID kSampleClsid{0xA5D0C1E0, 0x5A11, 0x4E2B, {0x9C, 0x61, 0, 0, 0, 0, 0, 0x04}};
inline constexpr GUID kSampleLibId{0xA5D0C1E0, 0x5A11, 0x4E2B, {0x9C, 0x61, 0, 0, 0, 0, 0, 0x05}};

extern const qs::automation::ClassInfo kSampleClass;
extern const qs::automation::TypeLibInfo kSampleLib;

class Sample : public qs::automation::Object<Sample, qs::automation::DispatchImpl<ISample>,
                                             qs::automation::EventSource<ISampleEventSink>,
                                             qs::automation::PersistImpl<Sample>, qs::automation::ControlImpl<Sample>,
                                             qs::automation::SupportErrorInfoImpl<ISample>> {
public:
    using Interfaces = qs::automation::InterfaceList<ISample, IDispatch, IConnectionPointContainer, IPersistStreamInit,
                                                     IPersistPropertyBag, IControl, ISupportErrorInfo>;
    static const qs::automation::ClassInfo &Class() { return kSampleClass; }

    HRESULT get_Name(BSTR *value) override;
    HRESULT put_Name(BSTR value) override;
    HRESULT get_Count(LONG *value) override;
    HRESULT put_Count(LONG value) override;
    HRESULT get_Enabled(VARIANT_BOOL *value) override;
    HRESULT put_Enabled(VARIANT_BOOL value) override;
    HRESULT get_When(DATE *value) override;
    HRESULT put_When(DATE value) override;
    HRESULT get_Item(LONG index, BSTR *value) override;
    HRESULT put_Item(LONG index, BSTR value) override;
    HRESULT get_ModulePath(BSTR *value) override;
    HRESULT Add(LONG a, LONG b, LONG *sum) override;
    HRESULT Describe(const VARIANT &value, BSTR *text) override;
    HRESULT Swap(VARIANT *a, VARIANT *b) override;
    HRESULT Fail(LONG number, VARIANT *error) override;
    HRESULT Fill(VARIANT *buffer, const VARIANT &length, LONG *count) override;
    HRESULT Notify(LONG value, LONG *seen) override;

    HRESULT SaveProperties(qs::automation::PropertyWriter &out);
    HRESULT LoadProperties(qs::automation::PropertyReader &in);
    HRESULT InitProperties();
    void OnFreezeChanged(int count) { lastFreezeCount = count; }
    void OnAmbientChanged(DISPID id) { lastAmbient = id; }

    int lastFreezeCount = -1;
    DISPID lastAmbient = 0;

private:
    qs::automation::Bstr name_;
    LONG count_ = 0;
    bool enabled_ = true;
    DATE when_ = 0;
    qs::automation::Bstr items_[4];
};
