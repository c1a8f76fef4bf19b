// Movable global memory, in the platform's shape.
//
// A fixed block's handle is its address, as on the platform, so GlobalLock of it returns the handle
// itself. A movable block's handle is a number that is never reused; GlobalLock returns the block's
// address, which stays put until the matching GlobalUnlock. Every call checks the handle against the
// live blocks, so a freed or made-up handle fails with ERROR_INVALID_HANDLE instead of touching
// memory. New memory is always zeroed (GMEM_ZEROINIT is accepted). Thread-safe.
#pragma once
#include <cstddef>

#include "platform/base/types.h"

using HGLOBAL = void *;
using SIZE_T = std::size_t;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_NOCOMPACT = 0x0010;
inline constexpr UINT GMEM_NODISCARD = 0x0020;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GMEM_MODIFY = 0x0080;
inline constexpr UINT GMEM_DISCARDABLE = 0x0100;
inline constexpr UINT GMEM_SHARE = 0x2000;
inline constexpr UINT GMEM_DDESHARE = 0x2000;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

inline constexpr SIZE_T kMaxGlobalBytes = SIZE_T{1} << 30;  // largest block

// null on failure: ERROR_INVALID_PARAMETER for flags other than those above (GMEM_MODIFY included),
// ERROR_NOT_ENOUGH_MEMORY above kMaxGlobalBytes. Zero bytes make a valid empty block (where the
// platform makes a discarded one): locking it gives an address that is not null.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Movable: counts a lock and returns the address. Fixed: the address. null with ERROR_INVALID_HANDLE.
void *GlobalLock(HGLOBAL mem);
// TRUE while the block stays locked. FALSE with last error 0 when this call released the last lock,
// with ERROR_NOT_LOCKED when it was not locked (a fixed block never is), ERROR_INVALID_HANDLE.
BOOL GlobalUnlock(HGLOBAL mem);
// The size asked for; 0 with ERROR_INVALID_HANDLE (an empty block gives 0 and leaves the last error).
SIZE_T GlobalSize(HGLOBAL mem);
// Resizes, keeping the contents; what grows is zeroed. A movable block keeps its handle; while it is
// locked it is never moved, so growing it past the room it has fails with ERROR_NOT_ENOUGH_MEMORY
// rather than leave the locker's address dangling. A fixed block moves only with GMEM_MOVEABLE (the new
// address is the new handle, the old one is gone), else it resizes in place or fails the same way.
// Flags other than GMEM_MOVEABLE and GMEM_ZEROINIT are ERROR_INVALID_PARAMETER.
HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags);
// null on success; the handle itself on failure, ERROR_INVALID_HANDLE for an unknown handle or one
// the clipboard owns. A locked block is freed too, as on the platform.
HGLOBAL GlobalFree(HGLOBAL mem);
