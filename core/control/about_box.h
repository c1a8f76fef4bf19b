// The About box every control carries (dialog resource 201, in dialog units, font "MS Sans Serif" 8):
// caption "About Quillstream"; the control's icon (resource 201) at 10,10 size 20x20; a title line naming
// the control at 40,10 size 170x8; "Version 6.0 Build 6010" at 40,21 size 160x8; a third line at 40,32
// size 184x8; a default "OK" button (identifier 1) at 221,7 size 32x14; the box is 260x55.
#pragma once
#include <string>
#include <vector>

namespace qs::control {

inline constexpr int kControlIconResource = 201;

struct DialogItem {
    enum class Kind { Icon, Text, DefaultButton } kind;
    int id;          // control identifier (1 for OK), or the icon's resource
    int x, y, cx, cy;
    std::string text;
};

struct DialogBox {
    std::string caption;
    std::string font;
    int pointSize;
    int cx, cy;
    std::vector<DialogItem> items;
};

// The box for the control `title` ("Quillstream Time Protocol Control 6.0").
DialogBox MakeAboutBox(const char *title);
// Shows the box modally. There is no display layer yet, so the box is shown as text: its caption and
// each text and button, one line each, on standard output (the host's console).
void ShowAboutBox(const DialogBox &box);

}  // namespace qs::control
