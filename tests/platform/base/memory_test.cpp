// Movable and fixed global memory: locking, resizing and handles that are not (or no longer) blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/errors.h"
#include "platform/base/memory.h"
#include "platform/base/thread.h"

namespace {

DWORD ErrorAfterLock(HGLOBAL mem)
{
    SetLastError(0);
    EXPECT_EQ(GlobalLock(mem), nullptr);
    return GetLastError();
}

TEST(GlobalMemory, MovableBlockCountsItsLocks)
{
    HGLOBAL mem = GlobalAlloc(GHND, 16);
    ASSERT_NE(mem, nullptr);
    EXPECT_EQ(GlobalSize(mem), 16u);
    auto *first = static_cast<unsigned char *>(GlobalLock(mem));
    ASSERT_NE(first, nullptr);
    EXPECT_NE(static_cast<void *>(first), mem);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(first[i], 0) << i;
    EXPECT_EQ(GlobalLock(mem), first);
    EXPECT_TRUE(GlobalUnlock(mem));  // one lock left
    SetLastError(12345);
    EXPECT_FALSE(GlobalUnlock(mem));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(GlobalUnlock(mem));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalFree(mem), nullptr);

    // The freed handle is refused everywhere, and is not given out again.
    EXPECT_EQ(ErrorAfterLock(mem), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalSize(mem), 0u);
    EXPECT_EQ(GlobalFree(mem), mem);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HGLOBAL next = GlobalAlloc(GMEM_MOVEABLE, 16);
    EXPECT_NE(next, mem);
    GlobalFree(next);
}

TEST(GlobalMemory, FixedBlockIsItsAddress)
{
    HGLOBAL mem = GlobalAlloc(GPTR, 8);
    ASSERT_NE(mem, nullptr);
    EXPECT_EQ(GlobalLock(mem), mem);
    EXPECT_FALSE(GlobalUnlock(mem));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
    std::memcpy(mem, "fixed", 6);

    // Growing moves it only when allowed; the new address is the new handle.
    SetLastError(0);
    EXPECT_EQ(GlobalReAlloc(mem, 4096, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(GlobalReAlloc(mem, 4, 0), mem);  // shrinking stays in place
    EXPECT_EQ(GlobalSize(mem), 4u);
    HGLOBAL moved = GlobalReAlloc(mem, 4096, GMEM_MOVEABLE);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalSize(moved), 4096u);
    EXPECT_EQ(std::memcmp(moved, "fixe\0\0", 6), 0);
    if (moved != mem)
        EXPECT_EQ(GlobalSize(mem), 0u);
    EXPECT_EQ(GlobalFree(moved), nullptr);
}

TEST(GlobalMemory, ResizingKeepsContentsAndNeverMovesALockedBlock)
{
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(mem, nullptr);
    std::memcpy(GlobalLock(mem), "abcd", 4);
    GlobalUnlock(mem);

    // Unlocked it may move; the handle stays, what grew is zeroed.
    ASSERT_EQ(GlobalReAlloc(mem, 1 << 20, GMEM_ZEROINIT), mem);
    auto *bytes = static_cast<unsigned char *>(GlobalLock(mem));
    EXPECT_EQ(std::memcmp(bytes, "abcd", 4), 0);
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(bytes[(1 << 20) - 1], 0);

    // Locked: shrinking and growing back within the room keep the address; more would move it.
    EXPECT_EQ(GlobalReAlloc(mem, 2, 0), mem);
    EXPECT_EQ(GlobalReAlloc(mem, 1 << 20, 0), mem);
    EXPECT_EQ(GlobalLock(mem), bytes);
    EXPECT_EQ(bytes[2], 0);  // the part that came back is zeroed too
    GlobalUnlock(mem);
    SetLastError(0);
    EXPECT_EQ(GlobalReAlloc(mem, 2 << 20, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(bytes[0], 'a');  // still the block's memory
    EXPECT_EQ(GlobalSize(mem), static_cast<SIZE_T>(1 << 20));
    GlobalUnlock(mem);
    EXPECT_EQ(GlobalFree(mem), nullptr);
}

TEST(GlobalMemory, EmptyBlocksAndRefusedRequests)
{
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    EXPECT_NE(GlobalLock(empty), nullptr);
    GlobalUnlock(empty);
    GlobalFree(empty);

    SetLastError(0);
    EXPECT_EQ(GlobalAlloc(GMEM_MODIFY, 8), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, kMaxGlobalBytes + 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 8);
    EXPECT_EQ(GlobalReAlloc(mem, 8, GMEM_MODIFY | GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GlobalReAlloc(mem, kMaxGlobalBytes + 1, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    GlobalFree(mem);

    // Handles that were never blocks, including an address inside a fixed block.
    char local = 0;
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 16);
    for (HGLOBAL bogus : {static_cast<HGLOBAL>(nullptr), reinterpret_cast<HGLOBAL>(0x1235),
                          static_cast<HGLOBAL>(&local), static_cast<HGLOBAL>(static_cast<char *>(fixed) + 1)}) {
        EXPECT_EQ(ErrorAfterLock(bogus), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(GlobalUnlock(bogus));
        EXPECT_EQ(GlobalSize(bogus), 0u);
        EXPECT_EQ(GlobalReAlloc(bogus, 8, GMEM_MOVEABLE), nullptr);
        EXPECT_EQ(GlobalFree(bogus), bogus);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    GlobalFree(fixed);
}

}  // namespace
