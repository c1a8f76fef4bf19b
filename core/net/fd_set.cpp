#include "core/net/fd_set.h"

#include <algorithm>

namespace qs {

bool FdIsSet(ws::SOCKET s, const ws::fd_set *set)
{
    if (set == nullptr)
        return false;
    std::uint32_t count = std::min<std::uint32_t>(set->fd_count, kFdSetCapacity);
    while (count > 0) {
        if (set->fd_array[--count] == s)
            return true;
    }
    return false;
}

void FdZero(ws::fd_set *set) { set->fd_count = 0; }

bool FdAdd(ws::SOCKET s, ws::fd_set *set)
{
    if (FdIsSet(s, set))
        return true;
    if (set->fd_count >= kFdSetCapacity)
        return false;
    set->fd_array[set->fd_count++] = s;
    return true;
}

}  // namespace qs
