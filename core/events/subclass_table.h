// The windows whose procedure one library has replaced: {window, previous procedure, use count}, grown
// in steps of 256 and emptied only at shutdown. A window is replaced once however many sessions use it.
#pragma once
#include <cstddef>
#include <memory>

#include "platform/base/types.h"

namespace qs {

struct SubclassEntry {
    HWND window = nullptr;
    WNDPROC previousProc = nullptr;
    int uses = 0;
};

class SubclassTable {
  public:
    static constexpr std::size_t kGrowth = 256;

    SubclassEntry *Find(HWND window) const;
    // A new entry in the first free slot; null when memory runs out.
    SubclassEntry *Add(HWND window, WNDPROC previousProc);
    void Remove(SubclassEntry *entry) { *entry = SubclassEntry{}; }
    // Puts back every replaced procedure of a window that still exists and empties the table.
    void RestoreAll();

  private:
    std::unique_ptr<SubclassEntry[]> entries_;
    std::size_t capacity_ = 0;
};

}  // namespace qs
