// Where a selection's text goes when it is copied. The platform layer installs its clipboard writer;
// until then the text is kept in memory, so the library and its tests work without a clipboard.
#pragma once
#include <string>
#include <string_view>

namespace qs::term {

// Puts `text` on the clipboard as text; false when the clipboard cannot be opened.
using ClipboardWriter = bool (*)(std::string_view text);

// Installs `writer`; null restores the in-memory clipboard.
void SetClipboardWriter(ClipboardWriter writer);
bool WriteClipboardText(std::string_view text);
// The text last written to the in-memory clipboard.
std::string MemoryClipboardText();

}  // namespace qs::term
