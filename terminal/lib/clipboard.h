// Where a selection's text goes when it is copied: the platform clipboard, as text.
#pragma once
#include <string_view>

namespace qs::term {

// Replaces the clipboard's contents with `text`; false when the clipboard cannot be opened or the text
// cannot be stored (another thread holding it open, no memory).
bool WriteClipboardText(std::string_view text);

}  // namespace qs::term
