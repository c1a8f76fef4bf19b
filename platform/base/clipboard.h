// The clipboard, in the platform's shape: one store of text for the whole process.
//
// A thread opens the clipboard, may empty it and put blocks of movable memory on it, reads what is
// there, and closes it. While one thread has it open, OpenClipboard on any other fails with
// ERROR_ACCESS_DENIED; a thread that ends with the clipboard open closes it, so it is never held by a
// thread that is gone. Formats: CF_TEXT (UTF-8, the system code page) and CF_UNICODETEXT (UTF-16),
// each zero-terminated; the text of a block is what comes before its first zero, or the whole block.
// When only one of the two was put, the other is made from it when asked for, as the platform does.
#pragma once
#include "platform/base/memory.h"
#include "platform/base/types.h"

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_UNICODETEXT = 13;

// `owner` may be null or a window (else ERROR_INVALID_WINDOW_HANDLE). TRUE too when the calling thread
// has the clipboard open already.
BOOL OpenClipboard(HWND owner);
// These four fail with ERROR_CLIPBOARD_NOT_OPEN unless the calling thread has the clipboard open.
BOOL CloseClipboard(void);
// Frees every block on the clipboard.
BOOL EmptyClipboard(void);
// Puts `mem` (from GlobalAlloc) on the clipboard in place of what it held in that format, which is
// freed. The clipboard owns the block from then on: GlobalFree and GlobalReAlloc of it fail, and it is
// freed when replaced or emptied. Returns `mem`. On failure the caller keeps the block:
// ERROR_INVALID_PARAMETER for another format or a null handle (there is no delayed rendering),
// ERROR_INVALID_HANDLE for a handle that is no block or is the clipboard's already.
HGLOBAL SetClipboardData(UINT format, HGLOBAL mem);
// The clipboard's block in `format`, still the clipboard's (lock it to read, do not free it); null
// with ERROR_NOT_FOUND when there is no text, or ERROR_NOT_ENOUGH_MEMORY when converting fails.
HGLOBAL GetClipboardData(UINT format);
// Needs no open clipboard.
BOOL IsClipboardFormatAvailable(UINT format);
