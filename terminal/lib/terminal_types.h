// The data words of the terminal emulator: cells, attribute and mode bits, emulations, size limits.
#pragma once
#include <cstdint>

namespace qs::term {

// Colours are 0x00BBGGRR.
using Colour = std::uint32_t;
constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) { return (b << 16) | (g << 8) | r; }
constexpr unsigned Red(Colour c) { return c & 0xFF; }
constexpr unsigned Green(Colour c) { return (c >> 8) & 0xFF; }
constexpr unsigned Blue(Colour c) { return (c >> 16) & 0xFF; }

// EmulationConstants.
enum Emulation : int { nvtNone = 0, nvtANSI = 1, nvtVT100 = 2, nvtVT220 = 3 };

// AttributeWord bits: the current rendition, the Attributes property and the high half of a Cell value.
using AttributeWord = std::uint16_t;
inline constexpr AttributeWord kAttrReverse = 0x0001;
inline constexpr AttributeWord kAttrBold = 0x0002;
inline constexpr AttributeWord kAttrDim = 0x0004;
inline constexpr AttributeWord kAttrBlink = 0x0008;
inline constexpr AttributeWord kAttrUnderline = 0x0010;
inline constexpr AttributeWord kAttrHidden = 0x0020;
inline constexpr AttributeWord kAttrProtected = 0x0040;
inline constexpr AttributeWord kAttrDecGraphics = 0x0080;
inline constexpr AttributeWord kAttrUkCharset = 0x0100;
inline constexpr AttributeWord kAttrOwnForeground = 0x0200;
inline constexpr AttributeWord kAttrOwnBackground = 0x0400;
inline constexpr AttributeWord kAttrColourBits = kAttrOwnForeground | kAttrOwnBackground;
inline constexpr AttributeWord kAttrCharsetBits = kAttrDecGraphics | kAttrUkCharset;

// The screen's mode word.
inline constexpr std::uint32_t kModeAutoWrap = 0x0001;
inline constexpr std::uint32_t kModeCursorVisible = 0x0002;
inline constexpr std::uint32_t kModeBlockCursor = 0x0004;
inline constexpr std::uint32_t kModeBell = 0x0008;
inline constexpr std::uint32_t kModeLineFeedReturns = 0x0010;
inline constexpr std::uint32_t kModeReturnFeeds = 0x0020;
inline constexpr std::uint32_t kModeAppCursorKeys = 0x0040;
inline constexpr std::uint32_t kModeAppKeypad = 0x0080;
inline constexpr std::uint32_t kModeOrigin = 0x0100;
inline constexpr std::uint32_t kModeColour = 0x0200;
inline constexpr std::uint32_t kModeHorizontalBar = 0x1000;
inline constexpr std::uint32_t kModeVerticalBar = 0x2000;
inline constexpr std::uint32_t kModeNoRepaint = 0x8000;

// Grid limits.
inline constexpr int kMinColumns = 5;
inline constexpr int kMaxColumns = 256;
inline constexpr int kMinRows = 5;
inline constexpr int kMaxRows = 128;

// SelectConstants.
inline constexpr std::uint32_t nvtSelectDefault = 0;
inline constexpr std::uint32_t nvtSelectClipboard = 1;
inline constexpr std::uint32_t nvtSelectNoRefresh = 4096;
inline constexpr std::uint32_t nvtSelectNoBuffer = 8192;
inline constexpr std::uint32_t nvtSelectCombine = 16384;

// Cell state bits.
inline constexpr std::uint16_t kCellSelected = 0x0001;

struct ScreenCell {
    std::uint16_t character;  // the byte received; only the low 8 bits are used
    AttributeWord attributes;
    std::uint16_t state;
    Colour foreground;        // with kAttrOwnForeground
    Colour boldForeground;    // instead of foreground for bold cells with kAttrOwnForeground
    Colour background;        // with kAttrOwnBackground
};

struct ColorPair {
    Colour foreground;
    Colour background;
};

// The five pairs used for cells without colours of their own.
enum PairIndex : int { kPairNormal, kPairReverse, kPairBold, kPairReverseBold, kPairGraphics, kPairCount };

// Inclusive rectangle of cells.
struct CellRect {
    int left, top, right, bottom;
};

}  // namespace qs::term
