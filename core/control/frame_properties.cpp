// The common properties other than the address ones.
#include "core/control/frame.h"
#include "core/control/module_version.h"
#include "core/net/blocking_flags.h"
#include "core/session/session_library.h"
#include "core/trace/trace_library.h"
#include "platform/base/module.h"

namespace qs::control {
namespace {

constexpr DWORD kModulePathCap = 4096;

// An address inside the module that holds the frame: each deliverable links its own copy.
void ModuleMarker() {}

std::string OwnModuleVersion()
{
    char path[kModulePathCap];
    const DWORD length =
        GetModuleFileNameA(QsModuleFromAddress(reinterpret_cast<const void *>(&ModuleMarker)), path, sizeof path);
    FileVersion version;
    if (length == 0 || length >= sizeof path || !ReadModuleFileVersion(path, &version))
        return {};
    return FormatFileVersion(version);
}

}  // namespace

HRESULT Frame::GetAutoResolve(VARIANT_BOOL *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return BoolResult(autoResolve_, value);
}

HRESULT Frame::PutAutoResolve(VARIANT_BOOL value)
{
    autoResolve_ = value != VARIANT_FALSE;
    return S_OK;
}

HRESULT Frame::GetEnabled(VARIANT_BOOL *value) { return BoolResult(enabled_, value); }

HRESULT Frame::PutEnabled(VARIANT_BOOL value)
{
    const bool enabled = value != VARIANT_FALSE;
    if (enabled == enabled_)
        return S_OK;
    if (!RequestEdit(DISPID_ENABLED))
        return CTL_E_SETNOTSUPPORTED;
    enabled_ = enabled;
    Changed(DISPID_ENABLED);
    return S_OK;
}

HRESULT Frame::GetHandle(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = handle_;
    return S_OK;
}

HRESULT Frame::GetIsBlocked(VARIANT_BOOL *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return BoolResult(profile_.sessions ? library_.SessionIsBlocking(handle_) != 0 : IsBlockingCall() != 0, value);
}

HRESULT Frame::GetLibrary(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(libraryPath_, value);
}

HRESULT Frame::PutLibrary(BSTR value)
{
    // Initialisation has replaced the text by the module actually loaded.
    if (initialised_)
        return CTL_E_SETNOTSUPPORTED;
    libraryPath_ = automation::Utf8FromBstr(value);
    return S_OK;
}

HRESULT Frame::GetState(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = SessionOpen() ? library_.SessionGetStatus(handle_) : 0;
    if (*value < 0)
        *value = 0;
    return S_OK;
}

HRESULT Frame::GetThrowError(VARIANT_BOOL *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return BoolResult(throwError_, value);
}

HRESULT Frame::PutThrowError(VARIANT_BOOL value)
{
    throwError_ = value != VARIANT_FALSE;
    return S_OK;
}

HRESULT Frame::GetTimeout(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    if (SessionOpen()) {
        const int seconds = library_.SessionGetTimeout(handle_);
        if (seconds < 0)
            return ReportPropertyError();
        timeout_ = seconds;
    }
    *value = timeout_;
    return S_OK;
}

HRESULT Frame::PutTimeout(LONG value)
{
    if (SessionOpen() && library_.SessionSetTimeout(handle_, value) < 0)
        return ReportPropertyError();
    timeout_ = value;
    return S_OK;
}

HRESULT Frame::GetTrace(VARIANT_BOOL *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return BoolResult(trace_, value);
}

HRESULT Frame::PutTrace(VARIANT_BOOL value)
{
    const bool on = value != VARIANT_FALSE;
    if (!initialised_) {
        trace_ = on;  // the wish, acted on by initialisation
        return S_OK;
    }
    if (on) {
        trace_ = EnableTrace(traceFile_.c_str(), traceFlags_) != 0;
    } else {
        DisableTrace();
        trace_ = false;
    }
    return S_OK;
}

HRESULT Frame::GetTraceFile(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(traceFile_, value);
}

HRESULT Frame::PutTraceFile(BSTR value)
{
    traceFile_ = automation::Utf8FromBstr(value);
    if (initialised_ && trace_) {
        DisableTrace();
        trace_ = EnableTrace(traceFile_.c_str(), traceFlags_) != 0;
    }
    return S_OK;
}

HRESULT Frame::GetTraceFlags(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = static_cast<LONG>(traceFlags_);
    return S_OK;
}

HRESULT Frame::PutTraceFlags(LONG value)
{
    traceFlags_ = static_cast<std::uint32_t>(value);
    if (initialised_ && trace_) {
        DisableTrace();
        trace_ = EnableTrace(traceFile_.c_str(), traceFlags_) != 0;
    }
    return S_OK;
}

HRESULT Frame::GetVersion(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    if (version_.empty())
        version_ = OwnModuleVersion();
    return TextResult(version_, value);
}

HRESULT Frame::GetWinsockVendor(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(winsockVendor_, value);
}

HRESULT Frame::GetWinsockVersion(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(winsockVersion_, value);
}

}  // namespace qs::control
