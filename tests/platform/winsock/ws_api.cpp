#include "tests/platform/winsock/ws_api.h"

namespace wstest {

const WsApi &Ws()
{
    static const WsApi api = [] {
        WsApi a;
        a.module = LoadLibraryA("WS2_32.DLL");
        if (a.module != nullptr) {
#define QS_WS_BIND(name) a.name = reinterpret_cast<ws::name##_fn>(GetProcAddress(a.module, #name));
            QS_WS_EXPORTS(QS_WS_BIND)
#undef QS_WS_BIND
        }
        return a;
    }();
    return api;
}

ws::sockaddr_in Loopback(int port)
{
    ws::sockaddr_in address{};
    address.sin_family = wsc::kAfInet;
    address.sin_port = __builtin_bswap16(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = __builtin_bswap32(0x7F000001);
    return address;
}

int PortOf(const ws::sockaddr_in &address)
{
    return __builtin_bswap16(address.sin_port);
}

}  // namespace wstest
