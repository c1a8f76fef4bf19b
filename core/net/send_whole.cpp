#include "core/net/send_whole.h"

#include "core/error/last_error.h"
#include "core/net/socket_api.h"

namespace qs {

int SendWhole(ws::SOCKET socket, const char *data, int size)
{
    int sent = sock::send(socket, data, size, 0);
    if (sent == size)
        return 0;
    if (sent >= 0 || SetErrorFromNetwork() == 0)
        SetErrorCode(qsErrorOperationWouldBlock);
    return -1;
}

}  // namespace qs
