#include "terminal/lib/screen.h"

#include <algorithm>
#include <new>

#include "core/error/last_error.h"

namespace qs::term {
namespace {

bool ValidSize(int columns, int rows)
{
    return columns >= kMinColumns && columns <= kMaxColumns && rows >= kMinRows && rows <= kMaxRows;
}

std::int32_t CellValue(const ScreenCell &cell)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(cell.character) |
                                     (static_cast<std::uint32_t>(cell.attributes) << 16));
}

}  // namespace

std::unique_ptr<TerminalScreen> TerminalScreen::Create(int emulation, int columns, int rows,
                                                       const DisplayTraits &traits, ScreenHost *host)
{
    if (emulation < nvtNone || emulation > nvtVT220 || !ValidSize(columns, rows)) {
        SetErrorCode(qsErrorInvalidParameter);
        return nullptr;
    }
    std::unique_ptr<TerminalScreen> screen(new (std::nothrow) TerminalScreen(emulation, columns, rows, traits, host));
    if (!screen)
        SetErrorCode(qsErrorOutOfMemory);
    return screen;
}

TerminalScreen::TerminalScreen(int emulation, int columns, int rows, const DisplayTraits &traits, ScreenHost *host)
    : host_(host), emulation_(emulation), modes_(kModeHorizontalBar | kModeVerticalBar)
{
    if (traits.manyColours && (emulation == nvtANSI || emulation == nvtVT220))
        modes_ |= kModeColour;
    if (!traits.numLockOn)
        modes_ |= kModeAppKeypad;
    const Colour black = Rgb(0, 0, 0), grey = Rgb(224, 224, 224), blue = Rgb(0, 0, 160);
    foreground_ = black;
    boldForeground_ = BoldColorOf(black);
    background_ = grey;
    pairs_[kPairNormal] = {black, grey};
    pairs_[kPairReverse] = {grey, black};
    pairs_[kPairBold] = {blue, grey};
    pairs_[kPairReverseBold] = {grey, blue};
    pairs_[kPairGraphics] = {black, grey};
    std::copy(std::begin(kDefaultColourMap), std::end(kDefaultColourMap), colourMap_.begin());
    Allocate(columns, rows);
    EraseDisplay(2);
}

void TerminalScreen::Allocate(int columns, int rows)
{
    columns_ = columns;
    rows_ = rows;
    cells_.assign(static_cast<std::size_t>(columns) * rows, ScreenCell{});
    rowMap_.resize(rows);
    for (int r = 0; r < rows; ++r)
        rowMap_[r] = static_cast<std::uint16_t>(r);
    ResetRegion();
}

void TerminalScreen::ResetRegion()
{
    top_ = 0;
    bottom_ = rows_ - 1;
    damage_.layout = true;
}

bool TerminalScreen::Resize(int columns, int rows)
{
    if (columns == 0)
        columns = columns_;
    if (rows == 0)
        rows = rows_;
    if (!ValidSize(columns, rows)) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    ClearSelection();
    Allocate(columns, rows);
    // The character-set bits follow the slot in use, so line drawing survives a resize.
    attributes_ = CharsetBits(slots_[slotInUse_]);
    for (auto &key : keyOverrides_)
        key.clear();
    if (cursorSaved_) {
        saved_.column = std::min(saved_.column, columns_ - 1);
        saved_.row = std::min(saved_.row, rows_ - 1);
    }
    EraseDisplay(2);  // also homes the cursor
    return true;
}

bool TerminalScreen::SetEmulation(int emulation)
{
    if (emulation < nvtNone || emulation > nvtVT220) {
        SetErrorCode(qsErrorInvalidEmulationType);
        return false;
    }
    emulation_ = emulation;
    if (emulation == nvtNone)
        state_ = ParseState::Ground;  // no sequence begun before goes on without escape processing
    return true;
}

ScreenCell TerminalScreen::Blank() const
{
    const AttributeWord bits = attributes_ & kAttrColourBits;
    const bool fg = bits & kAttrOwnForeground, bg = bits & kAttrOwnBackground;
    return ScreenCell{' ', bits, 0, fg ? foreground_ : 0, fg ? boldForeground_ : 0, bg ? background_ : 0};
}

ScreenCell TerminalScreen::Printed(std::uint8_t character) const
{
    const bool fg = attributes_ & kAttrOwnForeground, bg = attributes_ & kAttrOwnBackground;
    return ScreenCell{character, attributes_, 0, fg ? foreground_ : 0, fg ? boldForeground_ : 0,
                      bg ? background_ : 0};
}

void TerminalScreen::Touch(int first, int last)
{
    damage_.firstRow = std::min(damage_.firstRow, first);
    damage_.lastRow = std::max(damage_.lastRow, last);
}

void TerminalScreen::BlankCells(int row, int from, int to)
{
    if (from >= to)
        return;
    std::fill(Row(row) + from, Row(row) + to, Blank());
    Touch(row);
}

void TerminalScreen::BlankRows(int first, int last)
{
    for (int r = first; r <= last; ++r)
        BlankCells(r, 0, columns_);
}

void TerminalScreen::MoveTo(long column, long row)
{
    const long low = (modes_ & kModeOrigin) ? top_ : 0;
    const long high = (modes_ & kModeOrigin) ? bottom_ : rows_ - 1;
    column_ = static_cast<int>(std::clamp(column, 0L, static_cast<long>(columns_ - 1)));
    row_ = static_cast<int>(std::clamp(row, low, high));
}

void TerminalScreen::SetCursor(int column, int row)
{
    const int keptColumn = column_;  // may be a pending wrap, which an unchanged column keeps
    MoveTo(column < 0 ? column_ : column, row < 0 ? row_ : row);
    if (column < 0)
        column_ = keptColumn;
}

void TerminalScreen::SetModes(std::uint32_t bits, bool on)
{
    modes_ = on ? (modes_ | bits) : (modes_ & ~bits);
    damage_.full = true;
}

AttributeWord TerminalScreen::SetAttributes(AttributeWord word)
{
    const AttributeWord previous = attributes_;
    attributes_ = word;
    return previous;
}

std::int32_t TerminalScreen::GetCell(int column, int row) const
{
    if (column == -1)
        column = EffectiveColumn();
    if (row == -1)
        row = row_;
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_)
        return -1;
    return CellValue(RowCells(row)[column]);
}

std::int32_t TerminalScreen::SetCell(int column, int row, std::int32_t value)
{
    if (column == -1)
        column = EffectiveColumn();
    if (row == -1)
        row = row_;
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_)
        return -1;
    ScreenCell &cell = Row(row)[column];
    const std::int32_t previous = CellValue(cell);
    cell.character = static_cast<std::uint16_t>(value & 0xFFFF);
    cell.attributes = static_cast<AttributeWord>((static_cast<std::uint32_t>(value) >> 16) & 0xFFFF);
    Touch(row);
    return previous;
}

bool TerminalScreen::EraseDisplay(int kind)
{
    if (kind < 0 || kind > 2) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    ClearSelection();
    const bool origin = modes_ & kModeOrigin;
    const int first = origin ? top_ : 0, last = origin ? bottom_ : rows_ - 1;
    const bool cursorInRange = row_ >= first && row_ <= last;
    if (kind == 0) {
        if (cursorInRange)
            BlankCells(row_, column_, columns_);
        BlankRows(std::max(row_ + 1, first), last);
    } else if (kind == 1) {
        BlankRows(first, std::min(row_ - 1, last));
        if (cursorInRange)
            BlankCells(row_, 0, EffectiveColumn() + 1);
    } else {
        BlankRows(first, last);
        column_ = 0;
        row_ = first;
    }
    damage_.full = true;
    return true;
}

bool TerminalScreen::EraseLine(int kind)
{
    if (kind < 0 || kind > 2) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    ClearSelection();
    if (kind == 0)
        BlankCells(row_, column_, columns_);
    else if (kind == 1)
        BlankCells(row_, 0, EffectiveColumn() + 1);
    else
        BlankCells(row_, 0, columns_);
    return true;
}

void TerminalScreen::EraseCharacters(std::uint32_t count)
{
    ClearSelection();
    const std::uint32_t n = std::min<std::uint32_t>(std::max<std::uint32_t>(count, 1), columns_);
    BlankCells(row_, column_, static_cast<int>(std::min<std::uint32_t>(column_ + n, columns_)));
}

void TerminalScreen::InsertCharacters(std::uint32_t count)
{
    ClearSelection();
    if (column_ >= columns_)
        return;
    const int n = static_cast<int>(std::min<std::uint32_t>(std::max<std::uint32_t>(count, 1), columns_ - column_));
    ScreenCell *line = Row(row_);
    std::move_backward(line + column_, line + columns_ - n, line + columns_);
    BlankCells(row_, column_, column_ + n);
}

void TerminalScreen::DeleteCharacters(std::uint32_t count)
{
    ClearSelection();
    if (column_ >= columns_)
        return;
    const int n = static_cast<int>(std::min<std::uint32_t>(std::max<std::uint32_t>(count, 1), columns_ - column_));
    ScreenCell *line = Row(row_);
    std::move(line + column_ + n, line + columns_, line + column_);
    BlankCells(row_, columns_ - n, columns_);
}

void TerminalScreen::InsertLines(std::uint32_t count)
{
    ClearSelection();
    row_ = std::clamp(row_, top_, bottom_);
    if (count == 0)
        return;
    const int n = static_cast<int>(std::min<std::uint32_t>(count, bottom_ - row_ + 1));
    std::rotate(rowMap_.begin() + row_, rowMap_.begin() + (bottom_ + 1 - n), rowMap_.begin() + bottom_ + 1);
    BlankRows(row_, row_ + n - 1);
    Touch(row_, bottom_);
}

void TerminalScreen::DeleteLines(std::uint32_t count)
{
    ClearSelection();
    row_ = std::clamp(row_, top_, bottom_);
    if (count == 0)
        return;
    const int n = static_cast<int>(std::min<std::uint32_t>(count, bottom_ - row_ + 1));
    std::rotate(rowMap_.begin() + row_, rowMap_.begin() + row_ + n, rowMap_.begin() + bottom_ + 1);
    BlankRows(bottom_ - n + 1, bottom_);
    Touch(row_, bottom_);
}

void TerminalScreen::ScrollUp(std::uint32_t count)
{
    if (count == 0)
        return;
    const int n = static_cast<int>(std::min<std::uint32_t>(count, bottom_ - top_ + 1));
    std::rotate(rowMap_.begin() + top_, rowMap_.begin() + top_ + n, rowMap_.begin() + bottom_ + 1);
    BlankRows(bottom_ - n + 1, bottom_);
    Touch(top_, bottom_);
    damage_.scrolled = true;
}

void TerminalScreen::ScrollDown(std::uint32_t count)
{
    if (count == 0)
        return;
    const int n = static_cast<int>(std::min<std::uint32_t>(count, bottom_ - top_ + 1));
    std::rotate(rowMap_.begin() + top_, rowMap_.begin() + (bottom_ + 1 - n), rowMap_.begin() + bottom_ + 1);
    BlankRows(top_, top_ + n - 1);
    Touch(top_, bottom_);
    damage_.scrolled = true;
}

bool TerminalScreen::SetColourMap(const Colour *colours, int count)
{
    if (colours == nullptr) {
        std::copy(std::begin(kDefaultColourMap), std::end(kDefaultColourMap), colourMap_.begin());
        damage_.full = true;
        return true;
    }
    if (count < 1 || count > kColourMapSize) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    std::copy(colours, colours + count, colourMap_.begin());
    damage_.full = true;
    return true;
}

void TerminalScreen::SetForegroundColour(Colour colour)
{
    foreground_ = colour;
    pairs_[kPairNormal].foreground = colour;
    pairs_[kPairReverse].background = colour;
    pairs_[kPairGraphics].foreground = colour;
    damage_.full = true;
}

void TerminalScreen::SetBackgroundColour(Colour colour)
{
    background_ = colour;
    pairs_[kPairNormal].background = colour;
    pairs_[kPairReverse].foreground = colour;
    pairs_[kPairBold].background = colour;
    pairs_[kPairReverseBold].foreground = colour;
    pairs_[kPairGraphics].background = colour;
    damage_.full = true;
}

void TerminalScreen::SetBoldColour(Colour colour)
{
    pairs_[kPairBold].foreground = colour;
    pairs_[kPairReverseBold].background = colour;
    damage_.full = true;
}

bool TerminalScreen::SetKeyOverride(int index, std::string_view text)
{
    if (index < 0 || index >= kKeyMapSize || text.size() > kMaxKeyString) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    keyOverrides_[index].assign(text);
    return true;
}

Damage TerminalScreen::TakeDamage()
{
    Damage taken = damage_;
    damage_ = Damage{};
    return taken;
}

}  // namespace qs::term
