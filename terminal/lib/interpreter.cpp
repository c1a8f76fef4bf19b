// The byte loop of the escape-sequence interpreter: printing, control characters and escape sequences.
// It never allocates: parameters live in fixed arrays and printing writes whole runs into the grid.
#include <algorithm>

#include "terminal/lib/screen.h"

namespace qs::term {
namespace {

enum ByteClass : std::uint8_t { kPrint, kIgnore, kControl };

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kCsi8 = 0x9B;
constexpr int kTabWidth = 8;

// C1 bytes that stand for ESC followed by the byte minus 0x40.
constexpr bool IsEscapeC1(unsigned b)
{
    return b == 0x84 || b == 0x85 || b == 0x88 || b == 0x8D || b == 0x8E || b == 0x8F || b == 0x90 || b == 0x9C;
}

constexpr ByteClass Classify(unsigned b, bool escapes)
{
    switch (b) {
    case 7: case 8: case 9: case 10: case 11: case 12: case 13: case 14: case 15: case 24: case 26: case 0x7F:
        return kControl;
    case kEsc:
        return escapes ? kControl : kIgnore;
    default:
        break;
    }
    if (b < 0x20)
        return kIgnore;
    // Without escape processing the C1 bytes are ordinary characters and CSI is dropped like ESC.
    if (b == kCsi8)
        return escapes ? kControl : kIgnore;
    if (IsEscapeC1(b))
        return escapes ? kControl : kPrint;
    return kPrint;
}

struct ClassTable {
    ByteClass classes[256];
    constexpr explicit ClassTable(bool escapes) : classes{}
    {
        for (unsigned b = 0; b < 256; ++b)
            classes[b] = Classify(b, escapes);
    }
};

constexpr ClassTable kEscapeClasses(true);
constexpr ClassTable kPlainClasses(false);

}  // namespace

void TerminalScreen::Write(const std::uint8_t *bytes, std::size_t count)
{
    if (bytes == nullptr)
        return;
    ClearSelection();
    const ByteClass *classes = emulation_ == nvtNone ? kPlainClasses.classes : kEscapeClasses.classes;
    std::size_t i = 0;
    while (i < count) {
        const std::uint8_t b = bytes[i];
        const ByteClass cls = classes[b];
        if (cls == kControl) {
            Control(b);
            ++i;
        } else if (cls == kIgnore) {
            ++i;
        } else if (state_ == ParseState::Ground) {
            std::size_t run = 1;
            while (i + run < count && classes[bytes[i + run]] == kPrint)
                ++run;
            PrintRun(bytes + i, run);
            i += run;
        } else {
            if (state_ == ParseState::Escape)
                EscapeByte(b);
            else
                SequenceByte(b);
            ++i;
        }
    }
}

void TerminalScreen::PrintRun(const std::uint8_t *bytes, std::size_t count)
{
    ScreenCell cell = Printed(0);
    std::size_t i = 0;
    while (i < count) {
        if (column_ >= columns_) {
            if (!(modes_ & kModeAutoWrap)) {
                // Every further character lands on the last cell: only the run's last one stays.
                cell.character = bytes[count - 1];
                Row(row_)[columns_ - 1] = cell;
                Touch(row_);
                return;
            }
            column_ = 0;
            Index();
        }
        ScreenCell *line = Row(row_) + column_;
        const std::size_t n = std::min<std::size_t>(count - i, static_cast<std::size_t>(columns_ - column_));
        // The template goes in whole and the character after it: patching a copy on the stack first
        // would make every cell wait for a store to forward.
        for (std::size_t k = 0; k < n; ++k) {
            line[k] = cell;
            line[k].character = bytes[i + k];
        }
        Touch(row_);
        column_ += static_cast<int>(n);
        i += n;
    }
}

void TerminalScreen::Control(std::uint8_t byte)
{
    switch (byte) {
    case 7:
        if ((modes_ & kModeBell) && host_)
            host_->Beep();
        break;
    case 8:
        Backspace();
        break;
    case 9:
        Tab();
        break;
    case 10: case 11: case 12:
        LineFeed();
        break;
    case 13:
        if (modes_ & kModeReturnFeeds)
            Index();
        column_ = 0;
        break;
    case 14:
        SelectSlot(1);
        break;
    case 15:
        SelectSlot(0);
        break;
    case 24: case 26:
        state_ = ParseState::Ground;
        break;
    case kEsc:
        state_ = ParseState::Escape;
        break;
    case 0x7F:
        Delete();
        break;
    case kCsi8:
        StartSequence(SequenceKind::Csi);
        break;
    default:  // the C1 forms of IND, NEL, HTS, RI, SS2, SS3, DCS and ST
        state_ = ParseState::Ground;
        NvtEscDispatch(static_cast<std::uint8_t>(byte - 0x40));
        break;
    }
}

void TerminalScreen::LineFeed()
{
    if (modes_ & kModeLineFeedReturns)
        column_ = 0;
    Index();
}

void TerminalScreen::Index()
{
    column_ = EffectiveColumn();
    if (row_ == bottom_)
        ScrollUp(1);
    else if (row_ < rows_ - 1)
        ++row_;
}

void TerminalScreen::ReverseIndex()
{
    column_ = EffectiveColumn();
    if (row_ == top_)
        ScrollDown(1);
    else if (row_ > 0)
        --row_;
}

void TerminalScreen::Tab()
{
    // Cells passed over take the rendition's own background; the right edge wraps to the next line.
    const int next = (EffectiveColumn() / kTabWidth + 1) * kTabWidth;
    if (attributes_ & kAttrOwnBackground)
        BlankCells(row_, column_, std::min(next, columns_));
    if (next >= columns_) {
        column_ = 0;
        LineFeed();
    } else {
        column_ = next;
    }
}

void TerminalScreen::TabForward(std::uint32_t stops)
{
    if (stops == 0)
        return;
    const long next = (EffectiveColumn() / kTabWidth + static_cast<long>(stops)) * kTabWidth;
    column_ = static_cast<int>(std::min<long>(next, columns_ - 1));
}

void TerminalScreen::BackTab(std::uint32_t stops)
{
    int column = EffectiveColumn();
    for (std::uint32_t s = 0; s < stops && column > 0; ++s)
        column = (column - 1) / kTabWidth * kTabWidth;
    column_ = column;
}

void TerminalScreen::Backspace()
{
    if (column_ > 0)
        --column_;
}

void TerminalScreen::Delete()
{
    if (column_ == 0)
        return;
    --column_;
    BlankCells(row_, column_, column_ + 1);
}

void TerminalScreen::SelectSlot(std::uint8_t slot)
{
    slotInUse_ = slot;
    attributes_ = static_cast<AttributeWord>((attributes_ & ~kAttrCharsetBits) | CharsetBits(slots_[slot]));
}

void TerminalScreen::StartSequence(SequenceKind kind)
{
    state_ = ParseState::Sequence;
    kind_ = kind;
    paramCount_ = 0;
    paramValue_ = 0;
    paramDigits_ = false;
    ignoreSequence_ = false;
}

void TerminalScreen::EscapeByte(std::uint8_t byte)
{
    switch (byte) {
    case '[':
        StartSequence(SequenceKind::Csi);
        return;
    case '#':
        StartSequence(SequenceKind::LineAttribute);
        return;
    case '(': case ')': case '*': case '+':
        StartSequence(SequenceKind::Designate);
        designateSlot_ = static_cast<std::uint8_t>(byte == '(' ? 0 : byte == ')' ? 1 : byte == '*' ? 2 : 3);
        return;
    default:
        break;
    }
    if (byte >= 0x20 && byte <= 0x2F) {
        // An escape sequence with an intermediate byte that means nothing here: skip to its final.
        StartSequence(SequenceKind::Ignored);
        return;
    }
    state_ = ParseState::Ground;
    NvtEscDispatch(byte);
}

void TerminalScreen::NvtEscDispatch(std::uint8_t final)
{
    switch (final) {
    case '7':
        SaveCursor();
        break;
    case '8':
        RestoreCursor();
        break;
    case '=':
        modes_ |= kModeAppKeypad;
        if (host_)
            host_->KeypadModeChanged(true);
        break;
    case '>':
        modes_ &= ~kModeAppKeypad;
        if (host_)
            host_->KeypadModeChanged(false);
        break;
    case 'D':
        Index();
        break;
    case 'E':
        Index();
        column_ = 0;
        break;
    case 'M':
        ReverseIndex();
        break;
    case 'V':
        attributes_ |= kAttrProtected;
        break;
    case 'W':
        attributes_ &= static_cast<AttributeWord>(~kAttrProtected);
        break;
    case 'c':
        HardReset();
        break;
    default:
        break;
    }
}

void TerminalScreen::SequenceByte(std::uint8_t byte)
{
    switch (kind_) {
    case SequenceKind::Designate: {
        const Charset set = byte == '0' ? kCharsetDecGraphics : byte == 'A' ? kCharsetUk : kCharsetAscii;
        slots_[designateSlot_] = set;
        if (designateSlot_ == slotInUse_)
            SelectSlot(slotInUse_);
        state_ = ParseState::Ground;
        return;
    }
    case SequenceKind::LineAttribute:
        if (byte == '8')
            ScreenAlignment();
        state_ = ParseState::Ground;
        return;
    case SequenceKind::Ignored:
        if (byte < 0x20 || byte > 0x2F)
            state_ = ParseState::Ground;
        return;
    default:
        break;
    }

    // Control sequences: parameter bytes, intermediates, then the final byte.
    if (byte >= '0' && byte <= '9') {
        paramValue_ = std::min<std::uint32_t>(paramValue_ * 10 + (byte - '0'), kMaxParameterValue);
        paramDigits_ = true;
        return;
    }
    switch (byte) {
    case ';':
        CloseParameter();
        return;
    case '?':
        kind_ = SequenceKind::DecPrivate;
        return;
    case '=':
        kind_ = SequenceKind::Console;
        return;
    case ':': case '<': case '>':
        ignoreSequence_ = true;  // sub-parameters and other private forms are not supported
        return;
    default:
        break;
    }
    if (byte >= 0x20 && byte <= 0x2F) {
        ignoreSequence_ = true;  // intermediates select functions this terminal does not have
        return;
    }
    if (paramDigits_)
        CloseParameter();
    state_ = ParseState::Ground;
    if (ignoreSequence_)
        return;
    if (kind_ == SequenceKind::DecPrivate)
        DecPrivateDispatch(byte);
    else if (kind_ == SequenceKind::Console)
        ConsoleDispatch(byte);
    else
        NvtCsiDispatch(byte);
}

void TerminalScreen::CloseParameter()
{
    if (paramCount_ < kMaxParameters)
        params_[paramCount_++] = paramValue_;
    paramValue_ = 0;
    paramDigits_ = false;
}

std::uint32_t TerminalScreen::Param(int index, std::uint32_t fallback) const
{
    return index < paramCount_ ? params_[index] : fallback;
}

}  // namespace qs::term
