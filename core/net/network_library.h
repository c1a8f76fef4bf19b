// The run-time binding of the platform socket library. No deliverable links against it: the first
// BindNetworkLibrary loads it by name and looks up every export; a missing export leaves its pointer
// null and its wrapper (core/net/socket_api.h) answers with a defined failure or local code.
#pragma once
#include <atomic>

#include "platform/base/types.h"
#include "platform/winsock/ws2.h"

namespace qs {

// One per process (per copy of the core). The module is never unloaded once loaded.
struct NetworkLibrary {
    HMODULE module = nullptr;
#define QS_WS_EXPORT(name) ws::name##_fn name = nullptr;
#include "core/net/exports.inc"
#undef QS_WS_EXPORT
    std::atomic<int> references{0};
};

NetworkLibrary &Network();

// Loads and binds the library on the first call (moduleName null or empty: "WS2_32.DLL"), counts a
// reference and returns the result of WSAStartup(version, startup): 0 or a bare error number, which the
// caller ORs with 0x80040000. 10091 when the module does not load, 10092 for a major version below 2
// without a module name.
int BindNetworkLibrary(const char *moduleName, WORD version, ws::WSADATA *startup);
// Drops a reference: the result of WSACleanup, or -1 when no reference is held.
int UnbindNetworkLibrary();
// The loaded socket library, null before the first successful load.
HMODULE GetNetworkLibraryModule();

}  // namespace qs
