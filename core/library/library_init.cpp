// Start and teardown of a protocol library: the version check, the LibraryInfo record and the socket
// library's start-up, counted so that several controls share one start.
#include <cstring>

#include "core/error/last_error.h"
#include "core/library/core_state.h"
#include "core/net/network_library.h"
#include "core/session/session_library.h"
#include "core/trace/trace_library.h"
#include "platform/base/sysinfo.h"
#include "platform/base/thread.h"

namespace qs {
namespace {

constexpr DWORD kMinimumPlatformMajor = 5;
constexpr WORD kSocketVersion = 0x0202;

}  // namespace

int SessionLibrary::LibraryInitialize(const char *moduleName, LibraryInfo *info)
{
    // A core started here is stopped again by the matching LibraryUninitialize, or at once on failure.
    const bool startCore = CoreModule() == nullptr;
    if (startCore)
        CoreStart(nullptr);
    std::uint32_t error = StartLibrary(moduleName, info);
    if (error != 0) {
        SetErrorCode(error);
        if (startCore)
            CoreStop();
        return 0;
    }
    if (startCore)
        ++coreStarts_;
    SetErrorCode(0);
    return 1;
}

std::uint32_t SessionLibrary::StartLibrary(const char *moduleName, LibraryInfo *info)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwMajorVersion < kMinimumPlatformMajor)
        return ws::WSAVERNOTSUPPORTED;

    CoreLockGuard lock;
    std::uint32_t options = 0;
    if (info != nullptr) {
        if (info->size != sizeof(LibraryInfo))
            return qsErrorInvalidParameter;
        options = info->options;
        info->majorVersion = kLibraryMajorVersion;
        info->minorVersion = kLibraryMinorVersion;
        info->build = kLibraryBuild;
        info->options = 0;
        info->reserved = 0;
        info->socketData = nullptr;
        std::strncpy(info->description, profile_.description, kLibraryDescriptionCap - 1);
        info->description[kLibraryDescriptionCap - 1] = '\0';
    }
    if (info == nullptr || options == 0 || (options & kOptionStartNetwork) != 0) {
        int result = BindNetworkLibrary(moduleName, kSocketVersion, &startup_);
        if (result != 0)
            return kErrorCodeBase | static_cast<std::uint32_t>(result);
        if (info != nullptr)
            info->socketData = &startup_;
        ++networkStarts_;
    }
    return 0;
}

void SessionLibrary::LibraryUninitialize()
{
    {
        CoreLockGuard lock;
        if (networkStarts_ > 0 && --networkStarts_ == 0) {
            RestoreSubclassedWindows();
            const DWORD thread = GetCurrentThreadId();
            for (std::size_t i = 0; i < sessions_.Capacity(); ++i) {
                ClientSession *session = sessions_.At(static_cast<std::int32_t>(i));
                if (session == nullptr)
                    continue;
                session->ownerThread = thread;
                ReleaseSession(session->handle);
            }
            sessions_.Clear();
            DisableTrace();
            UnbindNetworkLibrary();
        }
    }
    if (coreStarts_ > 0) {
        --coreStarts_;
        CoreStop();
    }
}

}  // namespace qs
