#include "terminal/lib/screen_dump.h"

#include <cstdio>

namespace qs::term {
namespace {

bool SameLook(const ScreenCell &a, const ScreenCell &b)
{
    return a.attributes == b.attributes && a.foreground == b.foreground && a.background == b.background;
}

void AppendColour(std::string *out, const char *name, Colour colour)
{
    char text[16];
    std::snprintf(text, sizeof text, " %s #%02X%02X%02X", name, Red(colour), Green(colour), Blue(colour));
    out->append(text);
}

}  // namespace

std::string DumpScreen(const TerminalScreen &screen, bool attributes)
{
    std::string out;
    const int columns = screen.Columns();
    for (int row = 0; row < screen.Rows(); ++row) {
        const ScreenCell *cells = screen.RowCells(row);
        std::string line;
        for (int column = 0; column < columns; ++column)
            line.push_back(static_cast<char>(cells[column].character));
        line.erase(line.find_last_not_of(' ') + 1);
        out.append(line).push_back('\n');
    }
    out.append("cursor " + std::to_string(screen.CursorColumn()) + " " + std::to_string(screen.CursorRow()) + "\n");
    if (!attributes)
        return out;
    for (int row = 0; row < screen.Rows(); ++row) {
        const ScreenCell *cells = screen.RowCells(row);
        for (int first = 0; first < columns;) {
            int last = first;
            while (last + 1 < columns && SameLook(cells[last + 1], cells[first]))
                ++last;
            const ScreenCell &cell = cells[first];
            if (cell.attributes != 0) {
                char head[48];
                std::snprintf(head, sizeof head, "attr %d %d-%d 0x%04X", row, first, last, cell.attributes);
                out.append(head);
                if (cell.attributes & kAttrOwnForeground)
                    AppendColour(&out, "fg", cell.foreground);
                if (cell.attributes & kAttrOwnBackground)
                    AppendColour(&out, "bg", cell.background);
                out.push_back('\n');
            }
            first = last + 1;
        }
    }
    return out;
}

}  // namespace qs::term
