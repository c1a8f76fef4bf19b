// TerminalScreen: a fixed grid of cells with a cursor, a scrolling region, the current rendition,
// colours, a rectangular selection and the state of the escape-sequence interpreter that writes into it.
// No I/O: the display reads the cells and the damage, and gets bells and keypad changes through a host.
#pragma once
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/lib/charsets.h"
#include "terminal/lib/colours.h"
#include "terminal/lib/terminal_types.h"

namespace qs::term {

inline constexpr int kKeyMapSize = 51;
inline constexpr std::size_t kMaxKeyString = 256;  // bytes of one key-map override
inline constexpr int kMaxParameters = 16;
inline constexpr std::uint32_t kMaxParameterValue = 65535;  // larger numbers saturate

// What the screen tells the window it is shown in. Every hook has a do-nothing default.
class ScreenHost {
public:
    virtual ~ScreenHost() = default;
    virtual void Beep() {}
    // The application keypad mode was entered (true) or left: Num Lock follows.
    virtual void KeypadModeChanged(bool application) {}
};

// What a display must redraw, gathered since the last TakeDamage.
struct Damage {
    int firstRow = INT_MAX;  // rows whose cells changed, inclusive; empty when firstRow > lastRow
    int lastRow = -1;
    bool scrolled = false;   // lines moved: repaint everything and show the last rows
    bool full = false;       // colours, modes or the whole grid changed
    bool layout = false;     // size or region reset: recompute the scroll bars
};

// Facts about the display that shape a new screen.
struct DisplayTraits {
    bool manyColours = true;  // more than 8 colours: SGR colours work under ANSI and VT220
    bool numLockOn = true;    // off: the application keypad mode starts on
};

class TerminalScreen {
public:
    // Null (and qsErrorInvalidParameter) for an emulation outside 0-3 or a size outside the limits.
    static std::unique_ptr<TerminalScreen> Create(int emulation, int columns, int rows,
                                                  const DisplayTraits &traits = {}, ScreenHost *host = nullptr);

    // NvtWrite: interprets `count` bytes from the host. A sequence may be split across calls.
    void Write(const std::uint8_t *bytes, std::size_t count);
    void Write(std::string_view bytes) { Write(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()); }

    // A new size (0: unchanged). Keeps modes, colours and the parser; clears the grid, the region, the
    // attribute word, the key-map overrides and the selection. False for a size outside the limits.
    bool Resize(int columns, int rows);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int EmulationType() const { return emulation_; }
    bool SetEmulation(int emulation);  // false (qsErrorInvalidEmulationType) above 3

    // The cursor column runs to Columns(), which means "past the last column" (a wrap is pending).
    int CursorColumn() const { return column_; }
    int CursorRow() const { return row_; }
    void SetCursor(int column, int row);  // -1 leaves a coordinate unchanged; others are clamped
    int RegionTop() const { return top_; }
    int RegionBottom() const { return bottom_; }

    std::uint32_t Modes() const { return modes_; }
    void SetModes(std::uint32_t bits, bool on);

    AttributeWord Attributes() const { return attributes_; }
    AttributeWord SetAttributes(AttributeWord word);  // returns the previous word
    Colour CurrentForeground() const { return foreground_; }
    Colour CurrentBoldForeground() const { return boldForeground_; }
    Colour CurrentBackground() const { return background_; }

    // character + attributes * 65536; -1 outside the grid. -1 coordinates mean the cursor's cell.
    std::int32_t GetCell(int column, int row) const;
    // Stores character and attributes from `value`; returns the previous value, or -1 outside the grid.
    std::int32_t SetCell(int column, int row, std::int32_t value);
    const ScreenCell *RowCells(int row) const { return &cells_[static_cast<std::size_t>(rowMap_[row]) * columns_]; }

    bool EraseDisplay(int kind);  // 0 cursor to end, 1 start to cursor, 2 all (cursor home); else false
    bool EraseLine(int kind);
    void EraseCharacters(std::uint32_t count);
    void InsertLines(std::uint32_t count);
    void DeleteLines(std::uint32_t count);
    void InsertCharacters(std::uint32_t count);
    void DeleteCharacters(std::uint32_t count);
    void ScrollUp(std::uint32_t count);
    void ScrollDown(std::uint32_t count);

    // The row's characters, control characters as spaces, trailing spaces removed (-1: the cursor's row).
    bool LineText(int row, std::string *text) const;
    // Up to `limit` characters as stored, from linear position `start` (-1: the cursor's), in row order.
    bool ScreenText(int start, std::size_t limit, std::string *text) const;

    // NvtSelect: a null rectangle only clears the selection. Flags are the SelectConstants.
    bool Select(const CellRect *rect, std::uint32_t flags);
    void ClearSelection();
    bool HasSelection() const { return selectionActive_; }
    CellRect SelectionRect() const { return selection_; }
    const std::string &SelectionText() const { return selectionText_; }
    bool CopySelection() const;  // false: qsErrorInvalidParameter without a text, or the clipboard's error

    const Colour *ColourMap() const { return colourMap_.data(); }
    bool SetColourMap(const Colour *colours, int count);  // null colours: the defaults; count 1-16
    void SetForegroundColour(Colour colour);
    void SetBackgroundColour(Colour colour);
    void SetBoldColour(Colour colour);
    ColorPair Pair(PairIndex index) const { return pairs_[index]; }
    bool ReverseScreen() const { return reverseScreen_; }

    const std::string &KeyOverride(int index) const { return keyOverrides_[index]; }
    bool SetKeyOverride(int index, std::string_view text);  // empty removes; false for a bad index or size

    Damage TakeDamage();

private:
    enum class ParseState : std::uint8_t { Ground, Escape, Sequence };
    enum class SequenceKind : std::uint8_t {
        Csi, Designate, DecPrivate, LineAttribute, Console, Ignored
    };
    struct SavedCursor {
        int column, row;
        AttributeWord attributes;
        Colour foreground, boldForeground, background;
        std::array<Charset, 4> slots;
        std::uint8_t slotInUse;
    };

    TerminalScreen(int emulation, int columns, int rows, const DisplayTraits &traits, ScreenHost *host);
    void Allocate(int columns, int rows);

    // Grid helpers (screen.cpp).
    ScreenCell *Row(int row) { return &cells_[static_cast<std::size_t>(rowMap_[row]) * columns_]; }
    ScreenCell Blank() const;
    ScreenCell Printed(std::uint8_t character) const;
    void BlankCells(int row, int from, int to);  // columns from..to-1
    void BlankRows(int first, int last);         // inclusive
    void Touch(int first, int last);
    void Touch(int row) { Touch(row, row); }
    int EffectiveColumn() const { return column_ < columns_ ? column_ : columns_ - 1; }
    void MoveTo(long column, long row);          // clamps as the control sequences do
    void ResetRegion();

    // Interpreter (interpreter.cpp, control_sequences.cpp).
    void PrintRun(const std::uint8_t *bytes, std::size_t count);
    void Control(std::uint8_t byte);
    void LineFeed();  // LF, VT, FF: Index, first returning to column 0 in that mode
    void Index();
    void ReverseIndex();
    void Tab();                           // HT
    void TabForward(std::uint32_t stops);  // CHT
    void BackTab(std::uint32_t stops);     // CBT
    void Backspace();
    void Delete();
    void SelectSlot(std::uint8_t slot);
    void EscapeByte(std::uint8_t byte);
    void SequenceByte(std::uint8_t byte);
    void NvtEscDispatch(std::uint8_t final);
    void NvtCsiDispatch(std::uint8_t final);
    void DecPrivateDispatch(std::uint8_t final);
    void ConsoleDispatch(std::uint8_t final);
    void SelectGraphicRendition();
    void SetScrollRegion();
    void CursorForward(std::uint32_t count);
    void SaveCursor();
    void RestoreCursor();
    void HardReset();
    void ScreenAlignment();
    void StartSequence(SequenceKind kind);
    void CloseParameter();
    std::uint32_t Param(int index, std::uint32_t fallback) const;

    ScreenHost *host_;
    int emulation_;
    int columns_ = 0, rows_ = 0;
    std::vector<ScreenCell> cells_;
    std::vector<std::uint16_t> rowMap_;  // screen row -> storage row, so scrolling moves no cells
    int column_ = 0, row_ = 0;
    int top_ = 0, bottom_ = 0;
    std::uint32_t modes_;

    AttributeWord attributes_ = 0;
    Colour foreground_, boldForeground_, background_;
    std::array<Colour, kColourMapSize> colourMap_;
    std::array<ColorPair, kPairCount> pairs_;
    bool reverseScreen_ = false;

    ParseState state_ = ParseState::Ground;
    SequenceKind kind_ = SequenceKind::Csi;
    std::uint8_t designateSlot_ = 0;
    std::array<std::uint32_t, kMaxParameters> params_{};
    int paramCount_ = 0;
    std::uint32_t paramValue_ = 0;
    bool paramDigits_ = false;
    bool ignoreSequence_ = false;
    std::array<Charset, 4> slots_{};
    std::uint8_t slotInUse_ = 0;
    SavedCursor saved_{};
    bool cursorSaved_ = false;

    bool selectionActive_ = false;
    CellRect selection_{};
    std::string selectionText_;

    std::array<std::string, kKeyMapSize> keyOverrides_;
    Damage damage_;
};

}  // namespace qs::term
