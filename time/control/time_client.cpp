// The time control's own behaviour: the query, setting the clock and the interval timer.
#include "time/control/time_client.h"

#include "core/error/last_error.h"
#include "platform/automation/date.h"
#include "platform/base/window.h"

namespace qs::time {

using automation::Variant;

TimeClient::~TimeClient() { StopTimer(); }

HRESULT TimeClient::GetTime(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &timeout,
                            const VARIANT &localize, VARIANT *result)
{
    if (HRESULT hr = InitializeLibrary(nullptr); FAILED(hr))
        return hr;
    std::string host;
    LONG port = 0;
    LONG seconds = 0;
    bool local = false;
    HRESULT hr = TextArgument(remoteHost, DefaultHost(), &host);
    if (SUCCEEDED(hr))
        hr = LongArgument(remotePort, remotePort_, &port);
    if (SUCCEEDED(hr))
        hr = LongArgument(timeout, timeout_, &seconds);
    if (SUCCEEDED(hr))
        hr = BoolArgument(localize, false, &local);
    if (FAILED(hr))
        return hr;

    lastTime_ = GetNetworkTime(host.c_str(), port, seconds);

    Variant text(std::string_view{});
    SYSTEMTIME fields;
    DATE date;
    if (lastTime_ != 0 && NetworkTimeToCalendar(lastTime_, &fields, local) && SystemTimeToVariantTime(&fields, &date)) {
        Variant value = Variant::Date(date);
        if (FAILED(value.ChangeType(VT_BSTR)))
            return E_OUTOFMEMORY;
        text = std::move(value);
    }
    // A failed query is reported without OnError and never raised: LastError, the error information and
    // OnTimeout or OnCancel tell what happened, and the result is an empty text.
    if (lastTime_ == 0)
        ReportError(0, true, false);
    VariantClear(result);
    *result = text.Detach();
    return S_OK;
}

HRESULT TimeClient::SetTime(const VARIANT &networkTime, VARIANT *result)
{
    if (HRESULT hr = InitializeLibrary(nullptr); FAILED(hr))
        return hr;
    NetworkTime time = lastTime_;
    if (!IsMissingArgument(networkTime)) {
        Variant date;
        if (HRESULT hr = VariantChangeType(&date, &networkTime, 0, VT_DATE); FAILED(hr))
            return hr;
        SYSTEMTIME fields;
        time = VariantTimeToSystemTime(date.date, &fields) ? CalendarToNetworkTime(&fields) : 0;
    }
    const bool set = SetSystemClock(time) != 0;
    VariantClear(result);
    result->vt = VT_BOOL;
    result->boolVal = set ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT TimeClient::get_Interval(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = interval_;
    return S_OK;
}

HRESULT TimeClient::put_Interval(LONG value)
{
    if (value < 0 || value > kMaxInterval)
        return CTL_E_INVALIDPROPERTYVALUE;
    interval_ = value;
    if (!RunMode())
        return S_OK;
    StopTimer();
    HWND window = EnsureWindow();
    if (window != nullptr && enabled_ && interval_ != 0)
        timer_ = SetTimer(window, kTimerId, static_cast<UINT>(interval_), nullptr);
    return S_OK;
}

void TimeClient::StopTimer()
{
    if (timer_ != 0 && Window() != nullptr)
        KillTimer(Window(), kTimerId);
    timer_ = 0;
}

LRESULT TimeClient::OnWindowMessage(UINT message, WPARAM wParam, LPARAM)
{
    // A tick that arrives while an OnTimer handler runs (it may pump messages) is dropped.
    if (message == WM_TIMER && wParam == kTimerId && interval_ != 0 && !inTimerEvent_) {
        inTimerEvent_ = true;
        FireEvent(kOnTimer, {});
        inTimerEvent_ = false;
    }
    return 0;
}

void TimeClient::ResetOwnState()
{
    StopTimer();
    interval_ = 0;
    lastTime_ = 0;
    libraryPath_.clear();
}

}  // namespace qs::time
