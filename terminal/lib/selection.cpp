// Selection and text extraction of the TerminalScreen.
#include <algorithm>

#include "core/error/last_error.h"
#include "terminal/lib/clipboard.h"
#include "terminal/lib/screen.h"

namespace qs::term {

void TerminalScreen::ClearSelection()
{
    if (!selectionActive_)
        return;
    // Lines may have moved since the cells were marked, so every cell is unmarked.
    for (ScreenCell &cell : cells_)
        cell.state &= static_cast<std::uint16_t>(~kCellSelected);
    Touch(0, rows_ - 1);
    selectionActive_ = false;
    selectionText_.clear();
    selectionText_.shrink_to_fit();
}

bool TerminalScreen::Select(const CellRect *rect, std::uint32_t flags)
{
    const bool hadSelection = selectionActive_;
    const CellRect previous = selection_;
    ClearSelection();
    if (rect == nullptr)
        return true;

    CellRect r;
    r.left = std::clamp(std::min(rect->left, rect->right), 0, columns_ - 1);
    r.right = std::clamp(std::max(rect->left, rect->right), 0, columns_ - 1);
    r.top = std::clamp(std::min(rect->top, rect->bottom), 0, rows_ - 1);
    r.bottom = std::clamp(std::max(rect->top, rect->bottom), 0, rows_ - 1);
    if ((flags & nvtSelectCombine) && hadSelection) {
        r.left = std::min(r.left, previous.left);
        r.top = std::min(r.top, previous.top);
        r.right = std::max(r.right, previous.right);
        r.bottom = std::max(r.bottom, previous.bottom);
    }

    selectionActive_ = true;
    selection_ = r;
    const bool buildText = !(flags & nvtSelectNoBuffer);
    if (buildText)
        selectionText_.reserve(static_cast<std::size_t>(r.bottom - r.top + 1) * (r.right - r.left + 3));
    for (int row = r.top; row <= r.bottom; ++row) {
        ScreenCell *line = Row(row);
        for (int column = r.left; column <= r.right; ++column) {
            line[column].state |= kCellSelected;
            if (buildText) {
                const char c = static_cast<char>(line[column].character & 0xFF);
                selectionText_.push_back(c == '\0' ? ' ' : c);
            }
        }
        if (buildText)
            selectionText_.append("\r\n");
    }
    if (!(flags & nvtSelectNoRefresh))
        Touch(r.top, r.bottom);
    if ((flags & nvtSelectClipboard) && buildText && !WriteClipboardText(selectionText_)) {
        SetErrorCode(qsErrorClipboardUnavailable);
        return false;
    }
    return true;
}

bool TerminalScreen::CopySelection() const
{
    if (selectionText_.empty()) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    if (!WriteClipboardText(selectionText_)) {
        SetErrorCode(qsErrorClipboardUnavailable);
        return false;
    }
    return true;
}

bool TerminalScreen::LineText(int row, std::string *text) const
{
    if (row == -1)
        row = row_;
    if (row < 0 || row >= rows_ || text == nullptr) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    const ScreenCell *line = RowCells(row);
    text->clear();
    for (int column = 0; column < columns_; ++column) {
        const std::uint8_t c = static_cast<std::uint8_t>(line[column].character);
        text->push_back(c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c));
    }
    text->erase(text->find_last_not_of(' ') + 1);
    return true;
}

bool TerminalScreen::ScreenText(int start, std::size_t limit, std::string *text) const
{
    const int cells = columns_ * rows_;
    if (start == -1)
        start = row_ * columns_ + EffectiveColumn();
    if (start < 0 || start >= cells || text == nullptr) {
        SetErrorCode(qsErrorInvalidParameter);
        return false;
    }
    const std::size_t count = std::min<std::size_t>(limit, static_cast<std::size_t>(cells - start));
    text->clear();
    text->reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(start) + i;
        text->push_back(static_cast<char>(RowCells(static_cast<int>(at / columns_))[at % columns_].character));
    }
    return true;
}

}  // namespace qs::term
