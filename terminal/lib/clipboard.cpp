#include "terminal/lib/clipboard.h"

#include <cstring>

#include "platform/base/clipboard.h"

namespace qs::term {

bool WriteClipboardText(std::string_view text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (block == nullptr)
        return false;
    auto *bytes = static_cast<char *>(GlobalLock(block));
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return false;
    }
    bool stored = EmptyClipboard() && SetClipboardData(CF_TEXT, block) != nullptr;
    if (!stored)
        GlobalFree(block);
    CloseClipboard();
    return stored;
}

}  // namespace qs::term
