// The error path, LastError and LastErrorString.
#include <cstdio>

#include "core/control/frame.h"
#include "core/error/last_error.h"
#include "platform/automation/errorinfo.h"

namespace qs::control {

using automation::Variant;

std::string Frame::ErrorText(ErrorCode code)
{
    char text[kErrorTextCap];
    // GetErrorText reads 0 as "the thread's current code", so 0 never gets that far.
    if (code != 0 && GetErrorText(code, text, sizeof text) > 0)
        return text;
    std::snprintf(text, sizeof text, "Undefined control error (0x%08lX)", static_cast<unsigned long>(code));
    return text;
}

void Frame::RaiseWaitEvent(ErrorCode code)
{
    if (!profile_.errorPathRaisesWaitEvents)
        return;
    if (code == MakeErrorCode(qsErrorOperationCanceled) && profile_.onCancel != 0)
        FireEvent(profile_.onCancel, {});
    else if (code == MakeErrorCode(qsErrorOperationTimeout) && profile_.onTimeout != 0)
        FireEvent(profile_.onTimeout, {});
}

HRESULT Frame::ReportError(ErrorCode code, bool raise, bool fire)
{
    if (code == 0)
        code = GetErrorCode();
    if (code == 0)
        return S_OK;
    // Without a session an invalid handle means there is no connection.
    if (profile_.sessions && code == MakeErrorCode(qsErrorInvalidHandle) && handle_ == kNoHandle)
        code = MakeErrorCode(qsErrorNotConnected);
    lastError_ = code;
    const std::string text = ErrorText(code);
    const std::uint32_t number = ErrorNumber(code);
    if (profile_.waitEventsBeforeOnError)
        RaiseWaitEvent(code);
    if (fire && profile_.onError != 0) {
        Variant args[] = {Variant(static_cast<int>(number)), Variant(text)};
        FireEvent(profile_.onError, automation::AsVariants(args, 2));
    }
    if (!profile_.waitEventsBeforeOnError)
        RaiseWaitEvent(code);
    // Set after the events: a handler that calls back into the control through dispatch clears the
    // thread's error information.
    automation::SetErrorInfoText(profile_.classInfo->dispatch->iid, errorSource_, text);
    if (!raise)
        return S_OK;
    return HRESULT_FACILITY(static_cast<HRESULT>(code)) == 4 ? MakeControlError(number) : static_cast<HRESULT>(code);
}

HRESULT Frame::GetLastError(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = static_cast<LONG>(ErrorNumber(lastError_));
    return S_OK;
}

HRESULT Frame::PutLastError(LONG value)
{
    const auto raw = static_cast<std::uint32_t>(value);
    lastError_ = raw != 0 && raw < 0x10000 ? MakeErrorCode(raw) : raw;
    SetErrorCode(lastError_);
    return S_OK;
}

HRESULT Frame::GetLastErrorString(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(lastError_ != 0 ? ErrorText(lastError_) : std::string(), value);
}

}  // namespace qs::control
