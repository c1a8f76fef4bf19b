// The process-wide clipboard store.
//
// Only the thread that has the clipboard open changes what it holds, so the lock guards the opener and
// the two slots for short moments and is never held while memory.h is called.
#include "platform/base/clipboard.h"

#include <pthread.h>

#include <cstring>
#include <mutex>
#include <string>

#include "platform/base/errors.h"
#include "platform/base/memory_owner.h"
#include "platform/base/thread.h"
#include "platform/base/utf.h"
#include "platform/base/window.h"

using namespace qsbase;

namespace {

struct Slot {
    HGLOBAL mem = nullptr;
    bool made = false;  // converted from the other format, dropped when that one is replaced
};

struct Store {
    std::mutex lock;
    const void *opener = nullptr;  // the opening thread's guard
    Slot text;
    Slot unicode;
};

Store &TheStore();

// Closes the clipboard when its thread ends with it open. Its address names the thread; in a forked
// child the forking thread keeps the same address, so it keeps the clipboard it had open.
struct OpenGuard {
    ~OpenGuard()
    {
        Store &store = TheStore();
        std::lock_guard<std::mutex> hold(store.lock);
        if (store.opener == this)
            store.opener = nullptr;
    }
};

thread_local OpenGuard t_guard;

Store &TheStore()
{
    static Store *store = [] {
        auto *made = new Store;  // outlives the guards of threads that end during exit
        // A forked child has only the forking thread: an opener that did not come along is gone.
        pthread_atfork([] { TheStore().lock.lock(); }, [] { TheStore().lock.unlock(); },
                       [] {
                           Store &child = TheStore();
                           if (child.opener != &t_guard)
                               child.opener = nullptr;
                           child.lock.unlock();
                       });
        return made;
    }();
    return *store;
}

Slot *SlotOf(Store &store, UINT format)
{
    if (format == CF_TEXT)
        return &store.text;
    if (format == CF_UNICODETEXT)
        return &store.unicode;
    return nullptr;
}

bool IsOpenHereLocked(const Store &store)
{
    return store.opener == &t_guard;
}

// Checks that the calling thread has the clipboard open; sets the error when not.
bool IsOpenHere()
{
    Store &store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    if (IsOpenHereLocked(store))
        return true;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

// The bytes of a block, up to its first zero unit of `unit` bytes.
std::string ReadText(HGLOBAL mem, std::size_t unit)
{
    const auto *bytes = static_cast<const unsigned char *>(GlobalLock(mem));
    if (bytes == nullptr)
        return {};
    std::size_t size = GlobalSize(mem) / unit * unit;
    std::size_t end = 0;
    while (end < size && std::memcmp(bytes + end, "\0\0", unit) != 0)
        end += unit;
    std::string text(reinterpret_cast<const char *>(bytes), end);
    GlobalUnlock(mem);
    return text;
}

// A new movable block holding `bytes` and a zero unit of `unit` bytes.
HGLOBAL NewBlock(const void *bytes, std::size_t size, std::size_t unit)
{
    HGLOBAL mem = GlobalAlloc(GHND, size + unit);
    if (mem == nullptr)
        return nullptr;
    std::memcpy(GlobalLock(mem), bytes, size);
    GlobalUnlock(mem);
    return mem;
}

// The other text format made from `source`.
HGLOBAL Convert(UINT format, HGLOBAL source)
{
    if (format == CF_UNICODETEXT) {
        std::u16string wide = Utf16FromUtf8(ReadText(source, 1));
        return NewBlock(wide.data(), wide.size() * sizeof(char16_t), sizeof(char16_t));
    }
    std::string wideBytes = ReadText(source, sizeof(char16_t));
    std::u16string wide(wideBytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(wide.data(), wideBytes.data(), wideBytes.size());
    std::string text = Utf8FromUtf16(wide);
    return NewBlock(text.data(), text.size(), 1);
}

void Free(HGLOBAL mem)
{
    if (mem != nullptr)
        FreeAdoptedGlobal(mem);
}

}  // namespace

BOOL OpenClipboard(HWND owner)
{
    if (owner != nullptr && !IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Store &store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    if (store.opener != nullptr && !IsOpenHereLocked(store)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    store.opener = &t_guard;
    return TRUE;
}

BOOL CloseClipboard(void)
{
    Store &store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    if (!IsOpenHereLocked(store)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    store.opener = nullptr;
    return TRUE;
}

BOOL EmptyClipboard(void)
{
    Store &store = TheStore();
    Slot text;
    Slot unicode;
    {
        std::lock_guard<std::mutex> hold(store.lock);
        if (!IsOpenHereLocked(store)) {
            SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
            return FALSE;
        }
        std::swap(text, store.text);
        std::swap(unicode, store.unicode);
    }
    Free(text.mem);
    Free(unicode.mem);
    return TRUE;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL mem)
{
    Store &store = TheStore();
    if (SlotOf(store, format) == nullptr || mem == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!IsOpenHere())
        return nullptr;
    if (!AdoptGlobal(mem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Slot replaced;
    Slot made;
    {
        std::lock_guard<std::mutex> hold(store.lock);
        Slot *slot = SlotOf(store, format);
        Slot *other = format == CF_TEXT ? &store.unicode : &store.text;
        replaced = *slot;
        *slot = Slot{mem, false};
        if (other->made)
            std::swap(made, *other);
    }
    Free(replaced.mem);
    Free(made.mem);
    return mem;
}

HGLOBAL GetClipboardData(UINT format)
{
    Store &store = TheStore();
    if (!IsOpenHere())
        return nullptr;
    HGLOBAL source = nullptr;
    {
        std::lock_guard<std::mutex> hold(store.lock);
        Slot *slot = SlotOf(store, format);
        if (slot != nullptr && slot->mem != nullptr)
            return slot->mem;
        if (slot != nullptr)
            source = (format == CF_TEXT ? store.unicode : store.text).mem;
    }
    if (source == nullptr) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    HGLOBAL converted = Convert(format, source);
    if (converted == nullptr || !AdoptGlobal(converted)) {
        GlobalFree(converted);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(store.lock);
    *SlotOf(store, format) = Slot{converted, true};
    return converted;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    Store &store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    if (SlotOf(store, format) == nullptr)
        return FALSE;
    return store.text.mem != nullptr || store.unicode.mem != nullptr;
}
