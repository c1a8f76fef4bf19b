#include "core/net/network_library.h"

#include "core/net/blocking_flags.h"
#include "platform/base/module.h"

namespace qs {
namespace {

constexpr const char *kDefaultModule = "WS2_32.DLL";

// Counts a reference, bringing a count left negative by an unbalanced unbind back to 1.
void AddReference(std::atomic<int> &count)
{
    while (count.fetch_add(1) + 1 < 1) {
    }
}

bool LoadNetworkModule(NetworkLibrary &lib, const char *name)
{
    UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(name);
    SetErrorMode(previousMode);
    if (module == nullptr)
        return false;
#define QS_WS_EXPORT(export_name) \
    lib.export_name = reinterpret_cast<ws::export_name##_fn>(GetProcAddress(module, #export_name));
#include "core/net/exports.inc"
#undef QS_WS_EXPORT
    lib.module = module;
    return true;
}

}  // namespace

NetworkLibrary &Network()
{
    static NetworkLibrary library;
    return library;
}

int BindNetworkLibrary(const char *moduleName, WORD version, ws::WSADATA *startup)
{
    NetworkLibrary &lib = Network();
    if (lib.module == nullptr) {
        const char *name = moduleName;
        if (name == nullptr || *name == '\0') {
            if ((version & 0xFF) < 2)
                return ws::WSAVERNOTSUPPORTED;
            name = kDefaultModule;
        }
        if (!LoadNetworkModule(lib, name))
            return ws::WSASYSNOTREADY;
    }
    if (lib.WSAStartup == nullptr)
        return ws::WSASYSNOTREADY;
    AddReference(lib.references);
    AllocateBlockingSlot();
    int result = lib.WSAStartup(version, startup);
    // A start-up that failed is not paired with a clean-up: it holds no reference.
    if (result != 0)
        lib.references.fetch_sub(1);
    return result;
}

int UnbindNetworkLibrary()
{
    NetworkLibrary &lib = Network();
    if (lib.references.fetch_sub(1) - 1 < 0)
        return -1;
    if (BlockingSlotExists())
        SetBlockingFlags(0);
    return lib.WSACleanup != nullptr ? lib.WSACleanup() : -1;
}

HMODULE GetNetworkLibraryModule() { return Network().module; }

}  // namespace qs
