// Per-thread error information: the source, description and help of the last failure a component
// reported. Set by the component before it returns a failure; taken (and cleared) by the caller.
#pragma once
#include <string_view>
#include "platform/automation/unknown.h"

struct IErrorInfo : IUnknown {
    static constexpr IID kIid{0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT GetGUID(GUID *iid) = 0;  // the interface that reported the error
    virtual HRESULT GetSource(BSTR *source) = 0;
    virtual HRESULT GetDescription(BSTR *description) = 0;
    virtual HRESULT GetHelpFile(BSTR *helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD *helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    static constexpr IID kIid{0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT SetGUID(REFGUID iid) = 0;
    virtual HRESULT SetSource(LPCOLESTR source) = 0;
    virtual HRESULT SetDescription(LPCOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPCOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

// A component answers S_OK for the interfaces whose failures come with error information.
struct ISupportErrorInfo : IUnknown {
    static constexpr IID kIid{0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID iid) = 0;
};

HRESULT CreateErrorInfo(ICreateErrorInfo **out);
// Replaces the calling thread's error information (null clears it). `reserved` must be 0.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo *info);
// Hands over the calling thread's error information and clears it; S_FALSE with null when there is none.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo **info);

namespace qs::automation {

// Sets the thread's error information in one call (texts in UTF-8).
HRESULT SetErrorInfoText(REFIID iid, std::string_view source, std::string_view description,
                         std::string_view helpFile = {}, DWORD helpContext = 0);

// Answers ISupportErrorInfo for one interface.
template <class I>
class SupportErrorInfoImpl : public ISupportErrorInfo {
public:
    HRESULT InterfaceSupportsErrorInfo(REFIID iid) override { return iid == I::kIid ? S_OK : S_FALSE; }
};

}  // namespace qs::automation
