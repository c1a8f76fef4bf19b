// Threads, thread-local slots, the platform's per-thread last error, locks, the tick count.
#pragma once
#include "platform/base/types.h"

DWORD GetCurrentThreadId(void);   // the kernel thread id
DWORD GetCurrentProcessId(void);
DWORD GetTickCount(void);         // milliseconds since an arbitrary start, wrapping at 2^32
void Sleep(DWORD ms);

DWORD GetLastError(void);
void SetLastError(DWORD code);

// 1088 slots, as on the platform; a slot freshly allocated reads 0 on every thread.
inline constexpr DWORD TLS_OUT_OF_INDEXES = 0xFFFFFFFF;
DWORD TlsAlloc(void);             // TLS_OUT_OF_INDEXES (last error ERROR_NO_MORE_ITEMS) when all are taken
BOOL TlsFree(DWORD index);
// 0 (and last error 0) for a slot never set on this thread; a non-zero value leaves the last error
// alone. An index not allocated gives 0 with ERROR_INVALID_PARAMETER.
void *TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, void *value);

// A recursive lock, as the platform's critical section.
struct CRITICAL_SECTION {
    void *impl;
};
void InitializeCriticalSection(CRITICAL_SECTION *cs);
void DeleteCriticalSection(CRITICAL_SECTION *cs);
void EnterCriticalSection(CRITICAL_SECTION *cs);
void LeaveCriticalSection(CRITICAL_SECTION *cs);
