// Creation, initialisation, Cancel, Reset, Uninitialize, the window and destruction.
#include <cstdio>

#include "core/control/about_box.h"
#include "core/error/last_error.h"
#include "core/control/frame.h"
#include "core/library/library_info.h"
#include "core/net/blocking_flags.h"
#include "core/net/network_library.h"
#include "core/session/session_library.h"
#include "core/trace/trace_library.h"
#include "platform/automation/classes.h"
#include "platform/base/module.h"
#include "platform/base/window.h"

namespace qs::control {
namespace {

constexpr DWORD kModulePathCap = 4096;

}  // namespace

Frame::Frame(const ControlProfile &profile, SessionLibrary &library)
    : library_(library), profile_(profile), timeout_(profile.defaultTimeout)
{
    // The error source is the ProgID the registry holds for the class; a class created without being
    // registered uses its own.
    if (FAILED(automation::ProgIdFromClsid(profile.classInfo->clsid, &errorSource_)))
        errorSource_ = profile.classInfo->progId;
}

Frame::~Frame()
{
    if (window_ != nullptr) {
        // The window's timers go with it; its messages must not reach a half-destroyed control.
        SetWindowLongPtr(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (SessionOpen())
        library_.SessionDisconnect(handle_);
    if (initialised_)
        library_.LibraryUninitialize();
}

LRESULT Frame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *frame = reinterpret_cast<Frame *>(GetWindowLongPtr(window, GWLP_USERDATA));
    return frame != nullptr ? frame->OnWindowMessage(message, wParam, lParam) : 0;
}

LRESULT Frame::OnWindowMessage(UINT, WPARAM, LPARAM) { return 0; }

HWND Frame::EnsureWindow()
{
    if (window_ == nullptr)
        window_ = CreateMessageWindow(&Frame::WindowProc, reinterpret_cast<LONG_PTR>(this));
    return window_;
}

HRESULT Frame::InitializeLibrary(const char *module)
{
    if (initialised_)
        return S_OK;
    if (!InRunMode())
        return CTL_E_ILLEGALFUNCTIONCALL;
    EnsureWindow();
    LibraryInfo info{};
    info.size = sizeof info;
    info.options = kOptionStartNetwork;
    if (!library_.LibraryInitialize(module, &info))
        return ReportError(0, true, false);
    char path[kModulePathCap];
    const DWORD length = GetModuleFileNameA(GetNetworkLibraryModule(), path, sizeof path);
    libraryPath_.assign(path, length < sizeof path ? length : 0);
    if (info.socketData != nullptr) {
        char version[16];
        std::snprintf(version, sizeof version, "%d.%d", info.socketData->wHighVersion & 0xFF,
                      (info.socketData->wHighVersion >> 8) & 0xFF);
        winsockVersion_ = version;
        winsockVendor_ = info.socketData->szDescription;
    }
    initialised_ = true;
    if (trace_)
        trace_ = EnableTrace(traceFile_.c_str(), traceFlags_) != 0;
    return S_OK;
}

HRESULT Frame::InitializeMethod(const VARIANT &moduleName, const VARIANT &, const VARIANT &, VARIANT *error)
{
    SetErrorResult(error, 0);
    std::string module;
    if (HRESULT hr = TextArgument(moduleName, {}, &module); FAILED(hr))
        return hr;
    if (!InRunMode())
        return CTL_E_ILLEGALFUNCTIONCALL;
    HRESULT hr = InitializeLibrary(module.empty() ? nullptr : module.c_str());
    if (SUCCEEDED(hr))
        return S_OK;
    SetErrorResult(error, HRESULT_CODE(hr));
    return throwError_ ? hr : S_OK;
}

int Frame::CancelOperation()
{
    if (!IsBlockingCall()) {
        SetErrorCode(MakeErrorCode(qsErrorOperationNotBlocking));
        return -1;
    }
    return CancelBlockingCall();
}

HRESULT Frame::CancelMethod(VARIANT *error)
{
    SetErrorResult(error, 0);
    if (!initialised_ || CancelOperation() == 0)
        return S_OK;
    SetErrorResult(error, ErrorNumber(GetErrorCode()));
    return ReportMethodError();
}

void Frame::StopTracing()
{
    if (trace_ && initialised_)
        DisableTrace();
    trace_ = false;
}

void Frame::ResetCommonState()
{
    if (SessionOpen())
        library_.SessionDisconnect(handle_);
    StopTracing();
    handle_ = kNoHandle;
    autoResolve_ = false;
    hostAddress_.clear();
    hostName_.clear();
    lastError_ = 0;
    remotePort_ = 0;
    throwError_ = false;
    timeout_ = profile_.defaultTimeout;
    traceFile_.clear();
    traceFlags_ = 0;
}

HRESULT Frame::ResetMethod()
{
    ResetCommonState();
    ResetOwnState();
    return S_OK;
}

HRESULT Frame::UninitializeMethod()
{
    ResetMethod();
    if (initialised_)
        library_.LibraryUninitialize();
    initialised_ = false;
    winsockVendor_.clear();
    winsockVersion_.clear();
    return S_OK;
}

void Frame::FreezeChanged(int count)
{
    // Events of an open session are held while the container has them frozen; thawing re-posts what
    // arrived meanwhile.
    if (!SessionOpen())
        return;
    if (count == 1)
        library_.SuspendEvents(handle_, true);
    else if (count == 0)
        library_.SuspendEvents(handle_, false);
}

HRESULT Frame::ShowAbout()
{
    ShowAboutBox(MakeAboutBox(profile_.classInfo->description));
    return S_OK;
}

void Frame::SetExtent(LONG cx, LONG cy)
{
    extentX_ = cx;
    extentY_ = cy;
}

void Frame::ResetExtent() { SetExtent(kDefaultExtent, kDefaultExtent); }

}  // namespace qs::control
