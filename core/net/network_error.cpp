// The socket library's last error as the thread's ErrorCode.
#include "core/error/last_error.h"
#include "core/net/socket_api.h"

namespace qs {

ErrorCode SetErrorFromNetwork()
{
    auto error = static_cast<std::uint32_t>(sock::WSAGetLastError());
    if (error == 0)
        return 0;
    ErrorCode code = error | kErrorCodeBase;
    SetErrorCode(code);
    return code;
}

}  // namespace qs
