#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/libc.h"

#include <dlfcn.h>

namespace qsws {
namespace {

template <typename Fn>
bool Resolve(void *handle, const char *name, Fn &out)
{
    out = reinterpret_cast<Fn>(dlsym(handle, name));
    return out != nullptr;
}

const LibcCalls *Load()
{
    static LibcCalls calls{};
    // RTLD_NOLOAD: the C library is always loaded already; this only yields its handle, whose symbol
    // lookup is confined to the C library itself and never reaches this module.
    void *handle = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return nullptr;
    }
    bool ok = Resolve(handle, "socket", calls.socket) && Resolve(handle, "bind", calls.bind) &&
              Resolve(handle, "connect", calls.connect) && Resolve(handle, "listen", calls.listen) &&
              Resolve(handle, "accept4", calls.accept4) && Resolve(handle, "send", calls.send) &&
              Resolve(handle, "sendto", calls.sendto) && Resolve(handle, "recv", calls.recv) &&
              Resolve(handle, "recvmsg", calls.recvmsg) && Resolve(handle, "shutdown", calls.shutdown) &&
              Resolve(handle, "getsockopt", calls.getsockopt) && Resolve(handle, "setsockopt", calls.setsockopt) &&
              Resolve(handle, "getpeername", calls.getpeername) &&
              Resolve(handle, "getsockname", calls.getsockname);
    // The handle is kept: the C library is never unloaded.
    return ok ? &calls : nullptr;
}

}  // namespace

const LibcCalls *Libc()
{
    static const LibcCalls *calls = Load();
    return calls;
}

}  // namespace qsws
