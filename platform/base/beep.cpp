// The system beep, silent.
#include "platform/base/beep.h"

#include "platform/base/errors.h"
#include "platform/base/thread.h"

BOOL Beep(DWORD frequency, DWORD durationMs)
{
    if (frequency < 37 || frequency > 32767) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL MessageBeep(UINT type)
{
    return TRUE;
}
