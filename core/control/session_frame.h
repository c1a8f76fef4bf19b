// The control frame of the controls that keep a session (finger, whois, ...): what they share beyond the
// common frame, written once.
//
//   class FingerClient : public Object<FingerClient, SessionFrame<FingerClient, IFingerClient, IFingerClientEvents>> {
//     public:
//       static constexpr ControlProfile kProfile{... .sessions = true ...};
//       static constexpr SessionEventIds kSessionEvents{.onConnect = 2, .onDisconnect = 3, .onRead = 5};
//       static SessionLibrary &ProtocolLibrary();
//       void OnSessionConnected();   // the protocol's step after OnConnect (asynchronous mode)
//   };
//
// It adds Blocking (switching an open session between modes), Connected, IsReadable, Timeout read from
// the session, Cancel of the session's operation, the steps every Connect takes (OpenSession), the
// session part of Disconnect and Reset, the Read data-buffer convention on the session, and the
// handling of the library's event message: an event carrying an error is reported through OnError
// (a failed Connect ends the session first); Connect sets Handle and Connected and raises OnConnect
// (or suspends the session's events while the container keeps them frozen) before the protocol's own
// step; the others raise their control events.
#pragma once
#include <cstdint>
#include <string>

#include "core/control/control_frame.h"
#include "core/control/read_buffer.h"
#include "core/error/last_error.h"
#include "core/session/session_library.h"

namespace qs::control {

// The event identifiers of a session control's event interface; 0 where it has no such event.
struct SessionEventIds {
    DISPID onConnect = 0;
    DISPID onDisconnect = 0;
    DISPID onRead = 0;
    DISPID onWrite = 0;
    // Connected may be read in design mode.
    bool connectedAtDesignTime = false;
};

template <class Derived, class Interface, class Events>
class SessionFrame : public ControlFrame<Derived, Interface, Events> {
    using Base = ControlFrame<Derived, Interface, Events>;

  public:
    // --- Common members of the session controls (see control_frame.h on why none is marked override) ---

    HRESULT get_Blocking(VARIANT_BOOL *value)
    {
        if (HRESULT hr = this->CheckGet(); FAILED(hr))
            return hr;
        return this->BoolResult(blocking_, value);
    }
    HRESULT put_Blocking(VARIANT_BOOL value)
    {
        const bool blocking = value != VARIANT_FALSE;
        HWND window = nullptr;
        if (!blocking && (window = this->EnsureWindow()) == nullptr)
            return CTL_E_INVALIDPROPERTYVALUE;
        if (blocking != blocking_ && this->handle_ != kNoHandle) {
            SessionLibrary &library = this->library_;
            const int result = blocking ? library.ClearEvents(this->handle_)
                                        : library.SetEventWindow(this->handle_, window, kControlEventMessage,
                                                                 library.Profile().allEvents);
            if (result != 0)
                return this->ReportPropertyError();
        }
        blocking_ = blocking;
        return S_OK;
    }
    HRESULT get_Connected(VARIANT_BOOL *value)
    {
        if (!Derived::kSessionEvents.connectedAtDesignTime) {
            if (HRESULT hr = this->CheckGet(); FAILED(hr))
                return hr;
        }
        return this->BoolResult(connected_, value);
    }
    HRESULT get_IsReadable(VARIANT_BOOL *value)
    {
        if (HRESULT hr = this->CheckGet(); FAILED(hr))
            return hr;
        const bool readable =
            this->handle_ != kNoHandle && this->library_.SessionIsReadable(this->handle_, 0, nullptr) != 0;
        return this->BoolResult(readable, value);
    }
    // The session's own value, which may be negative where the library keeps negative values.
    HRESULT get_Timeout(LONG *value)
    {
        if (HRESULT hr = this->CheckGet(); FAILED(hr))
            return hr;
        if (this->handle_ != kNoHandle) {
            const ClientSession *session = this->library_.LookupSession(this->handle_);
            if (session == nullptr)
                return this->ReportPropertyError();
            this->timeout_ = session->timeout;
        }
        *value = this->timeout_;
        return S_OK;
    }

  protected:
    // The steps every Connect takes once its arguments are converted: ends an open session, connects
    // as Blocking says (blocking: no window; asynchronous: the control's window and the event message),
    // writes the host through HostName, keeps the port and the time-out used and suspends the events of
    // the new session while the container keeps them frozen. S_OK with `*opened` true, or the error
    // path's result (with the Error result set) and `*opened` false.
    HRESULT OpenSession(const std::string &host, LONG port, LONG timeout, LONG options, VARIANT *error, bool *opened)
    {
        *opened = false;
        static_cast<Derived *>(this)->EndSession();
        this->SetErrorResult(error, 0);
        HWND window = blocking_ ? nullptr : this->EnsureWindow();
        const UINT message = blocking_ ? 0 : kControlEventMessage;
        this->handle_ = this->library_.SessionConnect(host.c_str(), port, timeout, static_cast<std::uint32_t>(options),
                                                     window, message);
        if (this->handle_ == kNoHandle)
            return FailMethod(error);
        automation::Bstr name(host);
        this->PutHostName(name);
        this->remotePort_ = port;
        this->timeout_ = timeout;
        if (this->freezeCount() > 0)
            this->library_.SuspendEvents(this->handle_, true);
        *opened = true;
        return S_OK;
    }

    // A method's failure: the error path (raised as ThrowError says, OnError) and the Error result, which
    // carries the number the error path reported (10057 rather than 10038 once the session is gone).
    HRESULT FailMethod(VARIANT *error)
    {
        const HRESULT hr = this->ReportMethodError();
        this->SetErrorResult(error, ErrorNumber(this->lastError_));
        return hr;
    }

    // The session part of Disconnect: releases an open session (no protocol goodbye), Handle -1,
    // Connected false. Never fails.
    void CloseSession()
    {
        if (this->handle_ != kNoHandle)
            this->library_.SessionDisconnect(this->handle_);
        this->handle_ = kNoHandle;
        connected_ = false;
    }

    // The session part of Reset (the common part has released the session already).
    void ResetSessionState()
    {
        blocking_ = true;
        connected_ = false;
    }

    // The data-buffer convention with one receive on the session; `*result` gets the count, 0 when the
    // server closed the connection, or -1 (then reported with raise as ThrowError says and OnError).
    HRESULT ReadSession(VARIANT *buffer, const VARIANT &length, VARIANT *result)
    {
        this->AutoInitialize();
        LONG count = 0;
        const HRESULT hr = ReadIntoBuffer(
            buffer, length, [this](char *bytes, int size) { return this->library_.SessionRead(this->handle_, bytes, size); },
            [this] { return this->ReportMethodError(); }, &count);
        // A bad buffer or length is only the call's result; a read that failed also gives -1.
        if (SUCCEEDED(hr) || count < 0) {
            VariantClear(result);
            result->vt = VT_I4;
            result->lVal = count;
        }
        return hr;
    }

    int CancelOperation() { return this->library_.SessionCancel(this->handle_); }

    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != kControlEventMessage)
            return 0;
        const auto handle = static_cast<ClientHandle>(wParam);
        const auto parameter = static_cast<std::uint32_t>(lParam);
        const std::uint32_t event = LOWORD(parameter);
        const std::uint32_t number = HIWORD(parameter);
        if (number != 0) {
            if (event == kEventConnect)
                static_cast<Derived *>(this)->EndSession();
            this->ReportError(MakeErrorCode(number), false, true);
            return 0;
        }
        switch (event) {
        case kEventConnect:
            this->handle_ = handle;
            connected_ = true;
            if (this->freezeCount() > 0)
                this->library_.SuspendEvents(handle, true);
            else
                Fire(Derived::kSessionEvents.onConnect);
            static_cast<Derived *>(this)->OnSessionConnected();
            break;
        case kEventDisconnect:
            Fire(Derived::kSessionEvents.onDisconnect);
            break;
        case kEventRead:
            Fire(Derived::kSessionEvents.onRead);
            break;
        case kEventWrite:
            Fire(Derived::kSessionEvents.onWrite);
            break;
        case kEventTimeout:
            Fire(Derived::kProfile.onTimeout);
            break;
        case kEventCancel:
            Fire(Derived::kProfile.onCancel);
            break;
        default:
            break;
        }
        return 0;
    }

    bool blocking_ = true;
    bool connected_ = false;

  private:
    void Fire(DISPID id)
    {
        if (id != 0)
            this->FireEvent(id, {});
    }
};

}  // namespace qs::control
