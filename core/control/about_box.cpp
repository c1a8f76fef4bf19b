#include "core/control/about_box.h"

#include <cstdio>

#include "core/library/library_info.h"

namespace qs::control {

DialogBox MakeAboutBox(const char *title)
{
    char version[64];
    std::snprintf(version, sizeof version, "Version %u.%u Build %u", kLibraryMajorVersion, kLibraryMinorVersion,
                  kLibraryBuild);
    using Kind = DialogItem::Kind;
    return DialogBox{
        "About Quillstream",
        "MS Sans Serif",
        8,
        260,
        55,
        {
            {Kind::Icon, kControlIconResource, 10, 10, 20, 20, ""},
            {Kind::Text, -1, 40, 10, 170, 8, title != nullptr ? title : ""},
            {Kind::Text, -1, 40, 21, 160, 8, version},
            {Kind::Text, -1, 40, 32, 184, 8, "Embeddable network components for Linux"},
            {Kind::DefaultButton, 1, 221, 7, 32, 14, "OK"},
        },
    };
}

void ShowAboutBox(const DialogBox &box)
{
    std::printf("%s\n", box.caption.c_str());
    for (const DialogItem &item : box.items) {
        if (item.kind == DialogItem::Kind::Text)
            std::printf("  %s\n", item.text.c_str());
        else if (item.kind == DialogItem::Kind::DefaultButton)
            std::printf("  [%s]\n", item.text.c_str());
    }
    std::fflush(stdout);
}

}  // namespace qs::control
