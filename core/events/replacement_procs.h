// The fixed set of replacement window procedures: each SessionLibrary object takes one slot, and the
// procedure of that slot leads back to it, so a window replaced by several libraries chains correctly.
#pragma once
#include "platform/base/types.h"

namespace qs {

class SessionLibrary;

// The slot taken for `library` (its procedure in `*proc`), or -1 when every slot is taken.
int RegisterReplacementProc(SessionLibrary *library, WNDPROC *proc);
void UnregisterReplacementProc(int slot);

}  // namespace qs
