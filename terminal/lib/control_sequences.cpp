// The functions of the control sequences (ESC [ or CSI), the DEC private modes and the console sequences.
#include <algorithm>

#include "terminal/lib/screen.h"

namespace qs::term {
namespace {

constexpr std::uint32_t kMaxConsoleColour = 15;

}  // namespace

void TerminalScreen::NvtCsiDispatch(std::uint8_t final)
{
    const std::uint32_t p = Param(0, 1);
    const long column = EffectiveColumn();
    switch (final) {
    case '@':
        InsertCharacters(p);
        break;
    case 'A':
        MoveTo(column, static_cast<long>(row_) - p);
        break;
    case 'B': case 'e':
        MoveTo(column, static_cast<long>(row_) + p);
        break;
    case 'C': case 'a':
        CursorForward(p);
        break;
    case 'D':
        MoveTo(column - static_cast<long>(p), row_);
        break;
    case 'E':
        MoveTo(0, static_cast<long>(row_) + p);
        break;
    case 'F':
        MoveTo(0, static_cast<long>(row_) - p);
        break;
    case 'G': case '`':
        MoveTo(static_cast<long>(p) - 1, row_);
        break;
    case 'H': case 'f':
        MoveTo(static_cast<long>(Param(1, 0)) - 1, static_cast<long>(Param(0, 0)) - 1);
        break;
    case 'I':
        TabForward(p);
        break;
    case 'J':
        if (Param(0, 0) <= 2)
            EraseDisplay(static_cast<int>(Param(0, 0)));
        break;
    case 'K':
        if (Param(0, 0) <= 2)
            EraseLine(static_cast<int>(Param(0, 0)));
        break;
    case 'L':
        if (p > 0)
            InsertLines(p);
        break;
    case 'M':
        if (p > 0)
            DeleteLines(p);
        break;
    case 'P':
        DeleteCharacters(p);
        break;
    case 'S':
        ScrollUp(p);
        break;
    case 'T':
        ScrollDown(p);
        break;
    case 'X':
        EraseCharacters(p);
        break;
    case 'Z':
        BackTab(p);
        break;
    case 'd':
        MoveTo(column, static_cast<long>(p) - 1);
        break;
    case 'm':
        SelectGraphicRendition();
        break;
    case 'r':
        SetScrollRegion();
        break;
    case 's':
        SaveCursor();
        break;
    case 'u':
        RestoreCursor();
        break;
    default:  // device attributes, status reports and the rest: nothing is answered
        break;
    }
}

void TerminalScreen::CursorForward(std::uint32_t count)
{
    const long target = EffectiveColumn() + static_cast<long>(count);
    if (!(modes_ & kModeAutoWrap)) {
        column_ = static_cast<int>(std::min<long>(target, columns_ - 1));
        return;
    }
    // Each pass over the last column goes on at the next line. After 2 * rows line feeds every further
    // one leaves the screen as it is, so no more are made.
    const long lines = std::min<long>(target / columns_, 2L * rows_);
    for (long i = 0; i < lines; ++i)
        Index();
    column_ = static_cast<int>(target % columns_);
}

void TerminalScreen::SelectGraphicRendition()
{
    if (paramCount_ == 0)
        params_[paramCount_++] = 0;
    const bool colour = modes_ & kModeColour;
    for (int i = 0; i < paramCount_; ++i) {
        const std::uint32_t value = params_[i];
        switch (value) {
        case 0:
            // The character set is not part of the rendition a host resets, so line drawing goes on.
            attributes_ &= kAttrColourBits | kAttrCharsetBits;
            foreground_ = pairs_[kPairNormal].foreground;
            boldForeground_ = BoldColorOf(foreground_);
            background_ = pairs_[kPairNormal].background;
            break;
        case 1:
            attributes_ = static_cast<AttributeWord>((attributes_ | kAttrBold) & ~kAttrDim);
            break;
        case 2:
            attributes_ = static_cast<AttributeWord>((attributes_ | kAttrDim) & ~kAttrBold);
            break;
        case 4: attributes_ |= kAttrUnderline; break;
        case 5: attributes_ |= kAttrBlink; break;
        case 7: attributes_ |= kAttrReverse; break;
        case 8: attributes_ |= kAttrHidden; break;
        case 22: attributes_ &= static_cast<AttributeWord>(~(kAttrBold | kAttrDim)); break;
        case 24: attributes_ &= static_cast<AttributeWord>(~kAttrUnderline); break;
        case 25: attributes_ &= static_cast<AttributeWord>(~kAttrBlink); break;
        case 27: attributes_ &= static_cast<AttributeWord>(~kAttrReverse); break;
        case 29: attributes_ &= static_cast<AttributeWord>(~kAttrColourBits); break;
        default:
            if (colour && value >= 30 && value <= 37) {
                foreground_ = colourMap_[value - 30];
                boldForeground_ = BoldColorOf(foreground_);
                attributes_ |= kAttrOwnForeground;
            } else if (colour && value >= 40 && value <= 47) {
                background_ = colourMap_[value - 40];
                attributes_ |= kAttrOwnBackground;
            }
            break;
        }
    }
}

void TerminalScreen::SetScrollRegion()
{
    // A missing or zero margin is the screen's edge.
    const std::uint32_t t = Param(0, 0), b = Param(1, 0);
    int top = t == 0 ? 0 : static_cast<int>(std::min<std::uint32_t>(t, rows_) - 1);
    int bottom = b == 0 ? rows_ - 1 : static_cast<int>(std::min<std::uint32_t>(b, rows_) - 1);
    if (top > bottom)
        std::swap(top, bottom);
    top_ = top;
    bottom_ = bottom;
}

void TerminalScreen::DecPrivateDispatch(std::uint8_t final)
{
    if (final != 'h' && final != 'l')
        return;
    const bool set = final == 'h';
    for (int i = 0; i < paramCount_; ++i) {
        switch (params_[i]) {
        case 1:
            modes_ = set ? (modes_ | kModeAppCursorKeys) : (modes_ & ~kModeAppCursorKeys);
            break;
        case 2:
            if (!set)
                ResetRegion();
            break;
        case 5:
            if (set != reverseScreen_) {
                reverseScreen_ = set;
                for (ColorPair &pair : pairs_)
                    std::swap(pair.foreground, pair.background);
                damage_.full = true;
            }
            break;
        case 6:
            modes_ = set ? (modes_ | kModeOrigin) : (modes_ & ~kModeOrigin);
            MoveTo(EffectiveColumn(), static_cast<long>(row_) - top_);
            break;
        case 7:
            modes_ = set ? (modes_ | kModeAutoWrap) : (modes_ & ~kModeAutoWrap);
            break;
        case 20:
            modes_ = set ? (modes_ | kModeLineFeedReturns) : (modes_ & ~kModeLineFeedReturns);
            break;
        case 25:
            modes_ = set ? (modes_ | kModeCursorVisible) : (modes_ & ~kModeCursorVisible);
            damage_.full = true;
            break;
        case 66:
            modes_ = set ? (modes_ | kModeAppKeypad) : (modes_ & ~kModeAppKeypad);
            if (host_)
                host_->KeypadModeChanged(set);
            break;
        default:
            break;
        }
    }
}

void TerminalScreen::ConsoleDispatch(std::uint8_t final)
{
    if (emulation_ != nvtANSI)
        return;
    const int count = paramCount_;
    const std::uint32_t n = Param(0, 0);
    auto consoleColour = [&](Colour *target, AttributeWord bit) {
        if (count >= 1 && n <= kMaxConsoleColour) {
            *target = kConsoleColours[n];
            attributes_ &= static_cast<AttributeWord>(~bit);
            damage_.full = true;
        }
    };
    switch (final) {
    case 'B': {
        const bool on = (count == 1 && n > 0) || (count == 2 && n > 0 && Param(1, 0) > 0) || count >= 3;
        modes_ = on ? (modes_ | kModeBell) : (modes_ & ~kModeBell);
        break;
    }
    case 'C':
        if (count == 2) {
            const long start = n, end = Param(1, 0);
            modes_ = end >= start ? (modes_ | kModeCursorVisible) : (modes_ & ~kModeCursorVisible);
            modes_ = end - start > 4 ? (modes_ | kModeBlockCursor) : (modes_ & ~kModeBlockCursor);
            damage_.full = true;
        }
        break;
    case 'D':
        if (count == 1 && n <= 1) {
            const Colour c = pairs_[kPairNormal].background;
            const Colour bright = n == 1 ? (c | 0x202020u) : (c & ~0x202020u);
            SetBackgroundColour(bright);
        }
        break;
    case 'F':
        if (count == 1)
            consoleColour(&pairs_[kPairNormal].foreground, kAttrOwnForeground);
        break;
    case 'G':
        consoleColour(&pairs_[kPairNormal].background, kAttrOwnBackground);
        break;
    case 'H':
        consoleColour(&pairs_[kPairReverse].foreground, kAttrOwnForeground);
        break;
    case 'I':
        consoleColour(&pairs_[kPairReverse].background, kAttrOwnBackground);
        consoleColour(&pairs_[kPairReverseBold].background, kAttrOwnBackground);
        break;
    case 'J':
        consoleColour(&pairs_[kPairGraphics].foreground, kAttrOwnForeground);
        break;
    case 'K':
        consoleColour(&pairs_[kPairGraphics].background, kAttrOwnBackground);
        break;
    default:
        break;
    }
}

void TerminalScreen::SaveCursor()
{
    saved_ = SavedCursor{column_, row_, attributes_, foreground_, boldForeground_, background_, slots_, slotInUse_};
    cursorSaved_ = true;
}

void TerminalScreen::RestoreCursor()
{
    if (!cursorSaved_)
        return;
    // The grid may have shrunk since the save.
    column_ = std::min(saved_.column, columns_ - 1);
    row_ = std::min(saved_.row, rows_ - 1);
    attributes_ = saved_.attributes;
    foreground_ = saved_.foreground;
    boldForeground_ = saved_.boldForeground;
    background_ = saved_.background;
    slots_ = saved_.slots;
    slotInUse_ = saved_.slotInUse;
    cursorSaved_ = false;
}

void TerminalScreen::HardReset()
{
    attributes_ = 0;
    slots_.fill(kCharsetAscii);
    slotInUse_ = 0;
    for (auto &key : keyOverrides_)
        key.clear();
    ResetRegion();
    EraseDisplay(2);
    column_ = 0;
    row_ = 0;
}

void TerminalScreen::ScreenAlignment()
{
    ResetRegion();
    EraseDisplay(2);
    const ScreenCell e{'E', 0, 0, 0, 0, 0};
    std::fill(cells_.begin(), cells_.end(), e);
    Touch(0, rows_ - 1);
    column_ = 0;
    row_ = 0;
}

}  // namespace qs::term
