// The control frame: the state and the behaviour every control shares, written once. A control class is
// a ControlFrame (control_frame.h) over its typed interfaces; it declares its member table rows and its
// own behaviour and reaches the common members through this class.
//
// Conventions the frame keeps for every control:
//   - run mode comes from the container's ambient user mode; in design mode every getter but Enabled
//     fails with 0x800A018A (CheckGet) and initialisation fails with 0x800A0005;
//   - texts are kept in UTF-8 (the system code page) and converted at each call;
//   - an optional argument is missing when it is empty or an error value; a present one is converted
//     with the variant rules and a failed conversion is returned at once, with no error reporting;
//   - a method's Error result is a 32-bit integer: 0, or the error number;
//   - failures of the libraries go through ReportError with the raise and fire settings of the caller:
//       methods                 raise = ThrowError, fire OnError
//       property accessors      raise, no event
//       Initialize              raise (the method returns it only when ThrowError is true), no event
//       asynchronous events     no raise, fire OnError
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/error/error_codes.h"
#include "core/session/session.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/typeinfo.h"

namespace qs {
class SessionLibrary;
}

namespace qs::control {

// What one control class brings to the frame.
struct ControlProfile {
    const automation::ClassInfo *classInfo;  // identity, ProgID, dispatch interface, About box title
    std::int32_t defaultTimeout;             // seconds
    bool sessions;                           // the control keeps a session of its library
    // The event identifiers of the control's event interface; 0 where it has no such event.
    DISPID onError;
    DISPID onCancel;
    DISPID onTimeout;
    // The error path itself raises OnCancel for 10004 and OnTimeout for 10060 (the time control); the
    // controls with sessions raise them from session events only.
    bool errorPathRaisesWaitEvents;
    // Those two come after OnError (the time control) or before it (the DNS control).
    bool waitEventsBeforeOnError = false;
};

// Registration data shared by the controls.
inline constexpr const char *kControlThreadingModel = "Apartment";
// Recompose on resize, cannot link inside, inside-out, activate when visible, invisible at run time,
// set client site first (the terminal control, visible at run time, has 0x20191).
inline constexpr DWORD kNetworkControlMiscStatus = 0x20591;   // 132497
inline constexpr int kToolboxBitmap = 202;

// The initial extent: 28 x 28 pixels, kept in the platform's extent unit (0.01 mm at 96 pixels per inch).
inline constexpr LONG kDefaultExtent = (28 * 2540 + 48) / 96;

// The length of the texts of LastErrorString and the error path.
inline constexpr int kErrorTextCap = 512;

class Frame {
  public:
    Frame(const ControlProfile &profile, SessionLibrary &library);
    virtual ~Frame();
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;

    // --- The error path ----------------------------------------------------------------------------------

    // Reports `code` (0: the thread's current code; nothing when that is 0 too): sets LastError and the
    // thread's error information, fires OnError when `fire`, and returns 0x800A0000 + the number (or
    // the code itself when it is no ErrorCode) when `raise`, else S_OK.
    HRESULT ReportError(ErrorCode code, bool raise, bool fire);
    // The error path of a method: raise as ThrowError says, fire OnError.
    HRESULT ReportMethodError(ErrorCode code = 0) { return ReportError(code, throwError_, true); }
    // The error path of a property accessor: always raised, no event.
    HRESULT ReportPropertyError(ErrorCode code = 0) { return ReportError(code, true, false); }
    // The message of `code`, or "Undefined control error (0x%08lX)".
    static std::string ErrorText(ErrorCode code);

    // --- Modes, initialisation, window -------------------------------------------------------------------

    bool RunMode() { return InRunMode(); }
    // S_OK in run mode, else 0x800A018A (every getter except Enabled calls this first).
    HRESULT CheckGet() { return InRunMode() ? S_OK : CTL_E_GETNOTSUPPORTED; }
    // The initialisation steps (module null or empty: the platform's socket library).
    HRESULT InitializeLibrary(const char *module);
    // What every method that needs the library does first; its result is not checked by the callers
    // that only need the library started.
    HRESULT AutoInitialize() { return initialised_ ? S_OK : InitializeLibrary(nullptr); }
    bool Initialised() const { return initialised_; }
    // The control's own invisible window, created on first need; null when it cannot be created.
    HWND EnsureWindow();
    HWND Window() const { return window_; }

    // --- Argument conventions ----------------------------------------------------------------------------

    static bool IsMissingArgument(const VARIANT &value);
    // A present argument converted to the type, or `fallback` for a missing one.
    static HRESULT TextArgument(const VARIANT &value, std::string_view fallback, std::string *out);
    static HRESULT LongArgument(const VARIANT &value, LONG fallback, LONG *out);
    static HRESULT BoolArgument(const VARIANT &value, bool fallback, bool *out);
    // The host a method uses when its host argument is missing: HostAddress, else HostName.
    const std::string &DefaultHost() const { return hostAddress_.empty() ? hostName_ : hostAddress_; }
    static void SetErrorResult(VARIANT *error, std::uint32_t number);
    static HRESULT TextResult(std::string_view text, BSTR *out);
    static HRESULT BoolResult(bool value, VARIANT_BOOL *out);

    // --- The common members ------------------------------------------------------------------------------

    HRESULT ShowAbout();
    HRESULT GetAutoResolve(VARIANT_BOOL *value);
    HRESULT PutAutoResolve(VARIANT_BOOL value);
    HRESULT CancelMethod(VARIANT *error);
    HRESULT GetEnabled(VARIANT_BOOL *value);
    HRESULT PutEnabled(VARIANT_BOOL value);
    HRESULT GetHandle(LONG *value);
    HRESULT GetHostAddress(BSTR *value);
    HRESULT PutHostAddress(BSTR value);
    HRESULT GetHostName(BSTR *value);
    HRESULT PutHostName(BSTR value);
    HRESULT InitializeMethod(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                             VARIANT *error);
    HRESULT GetIsBlocked(VARIANT_BOOL *value);
    HRESULT GetLastError(LONG *value);
    HRESULT PutLastError(LONG value);
    HRESULT GetLastErrorString(BSTR *value);
    HRESULT GetLibrary(BSTR *value);
    HRESULT PutLibrary(BSTR value);
    HRESULT GetLocalAddress(BSTR *value);
    HRESULT GetLocalName(BSTR *value);
    HRESULT GetLocalPort(LONG *value);
    HRESULT GetRemotePort(LONG *value);
    HRESULT PutRemotePort(LONG value);
    HRESULT GetRemoteService(BSTR *value);
    HRESULT PutRemoteService(BSTR value);
    HRESULT ResetMethod();
    HRESULT GetState(LONG *value);
    HRESULT GetThrowError(VARIANT_BOOL *value);
    HRESULT PutThrowError(VARIANT_BOOL value);
    HRESULT GetTimeout(LONG *value);
    HRESULT PutTimeout(LONG value);
    HRESULT GetTrace(VARIANT_BOOL *value);
    HRESULT PutTrace(VARIANT_BOOL value);
    HRESULT GetTraceFile(BSTR *value);
    HRESULT PutTraceFile(BSTR value);
    HRESULT GetTraceFlags(LONG *value);
    HRESULT PutTraceFlags(LONG value);
    HRESULT UninitializeMethod();
    HRESULT GetVersion(BSTR *value);
    HRESULT GetWinsockVendor(BSTR *value);
    HRESULT GetWinsockVersion(BSTR *value);

    // The extent the container gave the control, in the platform's extent unit; persisted.
    LONG ExtentX() const { return extentX_; }
    LONG ExtentY() const { return extentY_; }
    void SetExtent(LONG cx, LONG cy);

  protected:
    // --- What the control class supplies -----------------------------------------------------------------

    virtual bool InRunMode() = 0;
    virtual void FireEvent(DISPID id, std::span<VARIANT> args) = 0;
    // Messages for the control's window; the default handles none.
    virtual LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Sets the control's own properties back to their defaults (Reset).
    virtual void ResetOwnState() {}
    // Cancels the blocking operation in progress: 0, or -1 with the thread's error code set. The
    // default cancels the wait of the thread; controls with sessions cancel their session's.
    virtual int CancelOperation();
    // Called after a change of the container's freeze count.
    void FreezeChanged(int count);
    // Notifies the container before and after a bindable property changes; false when it refuses.
    virtual bool RequestEdit(DISPID id) = 0;
    virtual void Changed(DISPID id) = 0;

    // Persistence of the extent.
    void ResetExtent();

    SessionLibrary &library_;
    const ControlProfile &profile_;

    ClientHandle handle_ = kNoHandle;
    bool enabled_ = true;
    bool autoResolve_ = false;
    std::string hostAddress_;
    std::string hostName_;
    ErrorCode lastError_ = 0;
    std::string libraryPath_;
    std::int32_t remotePort_ = 0;
    bool throwError_ = false;
    std::int32_t timeout_;
    bool trace_ = false;
    std::string traceFile_;
    std::uint32_t traceFlags_ = 0;

  private:
    static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RaiseWaitEvent(ErrorCode code);
    void ResetCommonState();
    void StopTracing();
    bool SessionOpen() const { return profile_.sessions && handle_ != kNoHandle; }

    std::string errorSource_;
    bool initialised_ = false;
    std::string version_;
    std::string winsockVendor_;
    std::string winsockVersion_;
    HWND window_ = nullptr;
    LONG extentX_ = kDefaultExtent;
    LONG extentY_ = kDefaultExtent;
};

}  // namespace qs::control
