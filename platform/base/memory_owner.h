// Internal to qsbase: blocks of memory.h taken over by the clipboard.
#pragma once
#include "platform/base/memory.h"

namespace qsbase {

// From now on GlobalFree and GlobalReAlloc refuse the block; lock, unlock and size still work. False
// for an unknown handle or one already taken over.
bool AdoptGlobal(HGLOBAL mem);
// Frees a block taken over with AdoptGlobal.
void FreeAdoptedGlobal(HGLOBAL mem);

}  // namespace qsbase
