#include "core/events/subclass_table.h"

#include <new>

#include "platform/base/window.h"

namespace qs {

SubclassEntry *SubclassTable::Find(HWND window) const
{
    for (std::size_t i = 0; window != nullptr && i < capacity_; ++i) {
        if (entries_[i].window == window)
            return &entries_[i];
    }
    return nullptr;
}

SubclassEntry *SubclassTable::Add(HWND window, WNDPROC previousProc)
{
    SubclassEntry *slot = nullptr;
    for (std::size_t i = 0; slot == nullptr && i < capacity_; ++i) {
        if (entries_[i].window == nullptr)
            slot = &entries_[i];
    }
    if (slot == nullptr) {
        std::unique_ptr<SubclassEntry[]> grown(new (std::nothrow) SubclassEntry[capacity_ + kGrowth]);
        if (grown == nullptr)
            return nullptr;
        for (std::size_t i = 0; i < capacity_; ++i)
            grown[i] = entries_[i];
        slot = &grown[capacity_];
        entries_ = std::move(grown);
        capacity_ += kGrowth;
    }
    *slot = SubclassEntry{window, previousProc, 0};
    return slot;
}

void SubclassTable::RestoreAll()
{
    for (std::size_t i = 0; i < capacity_; ++i) {
        SubclassEntry &entry = entries_[i];
        if (entry.window != nullptr && IsWindow(entry.window))
            SetWindowLongPtr(entry.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.previousProc));
    }
    entries_.reset();
    capacity_ = 0;
}

}  // namespace qs
