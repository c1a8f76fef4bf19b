// Thread slots, the per-thread last error and critical sections.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "platform/base/errors.h"
#include "platform/base/thread.h"

namespace {

void *AsValue(std::uintptr_t v) { return reinterpret_cast<void *>(v); }

TEST(Tls, SlotsAreSeparatePerThreadAndStartEmpty)
{
    DWORD slot = TlsAlloc();
    ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
    ASSERT_TRUE(TlsSetValue(slot, AsValue(1)));
    std::thread other([slot] {
        SetLastError(99);
        EXPECT_EQ(TlsGetValue(slot), nullptr);
        EXPECT_EQ(GetLastError(), 0u);  // a 0 that is no failure
        TlsSetValue(slot, AsValue(2));
        EXPECT_EQ(TlsGetValue(slot), AsValue(2));
    });
    other.join();
    EXPECT_EQ(TlsGetValue(slot), AsValue(1));

    // A freed slot reads as an error, and whoever gets it next finds it empty on every thread.
    ASSERT_TRUE(TlsFree(slot));
    EXPECT_EQ(TlsGetValue(slot), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(TlsFree(slot));
    DWORD again = TlsAlloc();
    ASSERT_EQ(again, slot);
    EXPECT_EQ(TlsGetValue(again), nullptr);
    TlsFree(again);
}

TEST(Tls, OffersThePlatformsSlotCount)
{
    std::vector<DWORD> slots;
    for (DWORD slot; (slot = TlsAlloc()) != TLS_OUT_OF_INDEXES;)
        slots.push_back(slot);
    EXPECT_GE(slots.size(), 1088u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    DWORD last = slots.back();
    EXPECT_TRUE(TlsSetValue(last, AsValue(5)));
    EXPECT_EQ(TlsGetValue(last), AsValue(5));
    for (DWORD slot : slots)
        TlsFree(slot);
}

TEST(Thread, LastErrorAndIdentityArePerThread)
{
    SetLastError(1234);
    DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(mine, static_cast<DWORD>(syscall(SYS_gettid)));
    std::thread other([mine] {
        EXPECT_EQ(GetLastError(), 0u);
        SetLastError(5);
        EXPECT_NE(GetCurrentThreadId(), mine);
    });
    other.join();
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
}

TEST(Thread, CriticalSectionIsRecursiveAndExclusive)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // the owner may enter again
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);

    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            EnterCriticalSection(&cs);
            ++counter;
            LeaveCriticalSection(&cs);
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&cs);
}

TEST(Thread, TickCountAdvances)
{
    DWORD before = GetTickCount();
    Sleep(20);
    EXPECT_GE(static_cast<DWORD>(GetTickCount() - before), 20u);  // unsigned difference survives the wrap
}

}  // namespace
