// Host bytes through NvtWrite under every emulation and screen size, written in two pieces so a
// sequence can be split, then the screen operations that read positions kept from before.
// The sanitizers catch any access outside the grid; the checks below catch a cursor or region outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "terminal/lib/screen_table.h"

namespace {

using qs::term::TerminalScreen;

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckInvariants(const TerminalScreen &screen)
{
    Check(screen.CursorColumn() >= 0 && screen.CursorColumn() <= screen.Columns());
    Check(screen.CursorRow() >= 0 && screen.CursorRow() < screen.Rows());
    Check(screen.RegionTop() >= 0 && screen.RegionTop() <= screen.RegionBottom());
    Check(screen.RegionBottom() < screen.Rows());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const int emulation = data[0] & 3;
    const int columns = qs::term::kMinColumns + data[1] % (qs::term::kMaxColumns - qs::term::kMinColumns + 1);
    const int rows = qs::term::kMinRows + data[2] % (qs::term::kMaxRows - qs::term::kMinRows + 1);
    const bool wrap = data[3] & 0x80;
    data += 4;
    size -= 4;
    const std::size_t split = size ? (data[0] * size) / 256 : 0;

    const int handle = qs::term::NvtCreateScreen(emulation, columns, rows);
    TerminalScreen *screen = qs::term::NvtGetScreen(handle);
    Check(screen != nullptr);
    screen->SetModes(qs::term::kModeAutoWrap, wrap);
    Check(qs::term::NvtWrite(handle, data, split) == 1);
    CheckInvariants(*screen);
    Check(qs::term::NvtWrite(handle, data + split, size - split) == 1);
    CheckInvariants(*screen);

    std::string text;
    Check(screen->ScreenText(-1, 1u << 16, &text));
    Check(screen->LineText(-1, &text));
    const qs::term::CellRect all{0, 0, columns, rows};
    screen->Select(&all, qs::term::nvtSelectDefault);
    // Shrink under a saved cursor and pending sequences, then go on.
    Check(screen->Resize(qs::term::kMinColumns, qs::term::kMinRows));
    screen->Write(data, size < 64 ? size : 64);
    screen->Write(reinterpret_cast<const std::uint8_t *>("\x1b" "8\x1b[@\x1b[P\x1b[1K"), 11);
    CheckInvariants(*screen);
    Check(qs::term::NvtFreeScreen(handle) == 1);
    return 0;
}
