// Screen operations whose results are errors, colours, damage or the clipboard rather than cells.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "core/error/last_error.h"
#include "platform/base/clipboard.h"
#include "terminal/lib/clipboard.h"
#include "terminal/lib/screen.h"
#include "terminal/lib/screen_table.h"

namespace qs::term {
namespace {

std::unique_ptr<TerminalScreen> NewScreen(int emulation = nvtANSI, int columns = 10, int rows = 5)
{
    auto screen = TerminalScreen::Create(emulation, columns, rows);
    EXPECT_NE(screen, nullptr);
    return screen;
}

TEST(TerminalScreenCreate, AcceptsOnlyTheSizeAndEmulationLimits)
{
    struct Case {
        int emulation, columns, rows;
        bool ok;
    } cases[] = {
        {nvtANSI, 5, 5, true},    {nvtVT220, 256, 128, true}, {nvtNone, 80, 24, true},
        {nvtANSI, 4, 24, false},  {nvtANSI, 80, 129, false},  {nvtANSI, 257, 24, false},
        {nvtANSI, 80, 4, false},  {4, 80, 24, false},         {-1, 80, 24, false},
    };
    for (const Case &c : cases) {
        SetErrorCode(0);
        auto screen = TerminalScreen::Create(c.emulation, c.columns, c.rows);
        EXPECT_EQ(screen != nullptr, c.ok) << c.emulation << " " << c.columns << "x" << c.rows;
        if (!c.ok)
            EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
    }
}

TEST(TerminalScreenCreate, StartsInTheLibraryState)
{
    auto ansi = NewScreen(nvtANSI);
    EXPECT_EQ(ansi->Modes(), kModeHorizontalBar | kModeVerticalBar | kModeColour);
    auto vt100 = NewScreen(nvtVT100);
    EXPECT_EQ(vt100->Modes(), kModeHorizontalBar | kModeVerticalBar);
    DisplayTraits fewColoursNumLockOff{false, false};
    auto plain = TerminalScreen::Create(nvtVT220, 10, 5, fewColoursNumLockOff);
    EXPECT_EQ(plain->Modes(), kModeHorizontalBar | kModeVerticalBar | kModeAppKeypad);
    EXPECT_EQ(ansi->Pair(kPairNormal).foreground, Rgb(0, 0, 0));
    EXPECT_EQ(ansi->Pair(kPairNormal).background, Rgb(224, 224, 224));
    EXPECT_EQ(ansi->Pair(kPairBold).foreground, Rgb(0, 0, 160));
    EXPECT_EQ(ansi->Pair(kPairReverseBold).background, Rgb(0, 0, 160));
    EXPECT_EQ(ansi->GetCell(0, 0), ' ');
    EXPECT_EQ(ansi->RegionBottom(), 4);
}

TEST(TerminalScreenResize, RejectsBadSizesAndKeepsTheScreen)
{
    auto screen = NewScreen();
    screen->Write("kept");
    SetErrorCode(0);
    EXPECT_FALSE(screen->Resize(4, 0));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
    EXPECT_FALSE(screen->Resize(0, 129));
    EXPECT_EQ(screen->Columns(), 10);
    EXPECT_EQ(screen->GetCell(0, 0), 'k');
}

TEST(TerminalScreenResize, ClearsGridRegionAttributesOverridesAndSelection)
{
    auto screen = NewScreen();
    screen->Write("text\x1b[2;3r\x1b[1;31m");
    ASSERT_TRUE(screen->SetKeyOverride(24, "\r\n"));
    const CellRect all{0, 0, 9, 4};
    ASSERT_TRUE(screen->Select(&all, nvtSelectDefault));
    ASSERT_TRUE(screen->Resize(20, 0));
    EXPECT_EQ(screen->Columns(), 20);
    EXPECT_EQ(screen->Rows(), 5);
    EXPECT_EQ(screen->GetCell(0, 0), ' ');
    EXPECT_EQ(screen->RegionTop(), 0);
    EXPECT_EQ(screen->RegionBottom(), 4);
    EXPECT_EQ(screen->Attributes(), 0);
    EXPECT_EQ(screen->KeyOverride(24), "");
    EXPECT_FALSE(screen->HasSelection());
    // Modes and the parser survive: a sequence begun before the resize completes after it.
    screen->Write("\x1b[");
    ASSERT_TRUE(screen->Resize(0, 6));
    screen->Write("3;4H");
    EXPECT_EQ(screen->CursorColumn(), 3);
    EXPECT_EQ(screen->CursorRow(), 2);
    EXPECT_TRUE(screen->Modes() & kModeColour);
}

TEST(TerminalScreen, SetEmulationRejectsUnknownTypes)
{
    auto screen = NewScreen();
    SetErrorCode(0);
    EXPECT_FALSE(screen->SetEmulation(4));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidEmulationType));
    EXPECT_EQ(screen->EmulationType(), nvtANSI);
    // A sequence begun before the switch to None does not go on after it.
    screen->Write("\x1b[");
    EXPECT_TRUE(screen->SetEmulation(nvtNone));
    screen->Write("1m\x1b[2mA");
    std::string text;
    ASSERT_TRUE(screen->LineText(0, &text));
    EXPECT_EQ(text, "1m[2mA");
    EXPECT_EQ(screen->Attributes(), 0);
}

TEST(TerminalScreen, TextReadersRejectPositionsOutsideTheGrid)
{
    auto screen = NewScreen();
    std::string text;
    for (int start : {-2, 50, 1 << 30}) {
        SetErrorCode(0);
        EXPECT_FALSE(screen->ScreenText(start, 10, &text)) << start;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
    }
    EXPECT_TRUE(screen->ScreenText(49, 10, &text));
    EXPECT_EQ(text, " ");
    EXPECT_FALSE(screen->ScreenText(0, 1, nullptr));
    EXPECT_FALSE(screen->LineText(5, &text));
    EXPECT_FALSE(screen->LineText(-2, &text));
    EXPECT_EQ(screen->SetCell(10, 0, 'x'), -1);
    EXPECT_EQ(screen->SetCell(0, -2, 'x'), -1);
    EXPECT_FALSE(screen->EraseDisplay(3));
    EXPECT_FALSE(screen->EraseLine(-1));
}

TEST(TerminalScreen, CursorSetterClampsAndKeepsAPendingWrap)
{
    auto screen = NewScreen();
    screen->SetCursor(99, 99);
    EXPECT_EQ(screen->CursorColumn(), 9);
    EXPECT_EQ(screen->CursorRow(), 4);
    screen->Write("\x1b[1;1H0123456789");
    screen->SetCursor(-1, 2);
    EXPECT_EQ(screen->CursorColumn(), 10);
    EXPECT_EQ(screen->CursorRow(), 2);
    screen->Write("\x1b[2;4r\x1b[?6h");
    screen->SetCursor(0, 0);
    EXPECT_EQ(screen->CursorRow(), 1);
}

TEST(TerminalScreen, AttributesSetterReturnsThePreviousWord)
{
    auto screen = NewScreen();
    screen->Write("\x1b[1;4m");
    EXPECT_EQ(screen->SetAttributes(kAttrReverse), kAttrBold | kAttrUnderline);
    screen->Write("r");
    EXPECT_EQ(screen->GetCell(0, 0), 'r' | (kAttrReverse << 16));
}

TEST(TerminalScreenColours, SettersFillThePairsTheyBelongTo)
{
    auto screen = NewScreen();
    const Colour fg = Rgb(1, 2, 3), bg = Rgb(4, 5, 6), bold = Rgb(7, 8, 9);
    screen->SetForegroundColour(fg);
    screen->SetBackgroundColour(bg);
    screen->SetBoldColour(bold);
    EXPECT_EQ(screen->CurrentForeground(), fg);
    EXPECT_EQ(screen->CurrentBackground(), bg);
    struct Expect {
        PairIndex pair;
        Colour foreground, background;
    } expected[] = {{kPairNormal, fg, bg}, {kPairReverse, bg, fg}, {kPairBold, bold, bg},
                    {kPairReverseBold, bg, bold}, {kPairGraphics, fg, bg}};
    for (const Expect &e : expected) {
        EXPECT_EQ(screen->Pair(e.pair).foreground, e.foreground) << e.pair;
        EXPECT_EQ(screen->Pair(e.pair).background, e.background) << e.pair;
    }
    // SGR 0 goes back to the colours set here.
    screen->Write("\x1b[31m\x1b[0mx");
    EXPECT_EQ(screen->RowCells(0)[0].foreground, fg);
    EXPECT_EQ(screen->RowCells(0)[0].background, 0u);
}

TEST(TerminalScreenColours, ColourMapTakesOneToSixteenEntriesAndFeedsSgr)
{
    auto screen = NewScreen();
    const Colour mine[2] = {Rgb(9, 9, 9), Rgb(1, 100, 200)};
    EXPECT_FALSE(screen->SetColourMap(mine, 0));
    EXPECT_FALSE(screen->SetColourMap(mine, 17));
    ASSERT_TRUE(screen->SetColourMap(mine, 2));
    EXPECT_EQ(screen->ColourMap()[2], kDefaultColourMap[2]);
    screen->Write("\x1b[31mx");
    EXPECT_EQ(screen->RowCells(0)[0].foreground, Rgb(1, 100, 200));
    ASSERT_TRUE(screen->SetColourMap(nullptr, 0));
    EXPECT_EQ(screen->ColourMap()[1], kDefaultColourMap[1]);
}

TEST(BoldColorOf, KeepsHueAndSaturationAtFullValue)
{
    struct Case {
        Colour in, out;
    } cases[] = {
        {Rgb(0, 0, 160), Rgb(0, 0, 255)},       {Rgb(160, 160, 0), Rgb(255, 255, 0)},
        {Rgb(192, 96, 0), Rgb(255, 127, 0)},    {Rgb(255, 128, 128), Rgb(255, 128, 128)},
        {Rgb(224, 224, 224), Rgb(255, 255, 255)}, {Rgb(128, 128, 128), Rgb(255, 255, 255)},
        {Rgb(127, 127, 127), Rgb(0, 0, 0)},     {Rgb(0, 0, 0), Rgb(0, 0, 0)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(BoldColorOf(c.in), c.out) << std::hex << c.in;
}

TEST(TerminalScreenKeys, OverridesAreBoundedAndResetByEscC)
{
    auto screen = NewScreen();
    EXPECT_FALSE(screen->SetKeyOverride(51, "x"));
    EXPECT_FALSE(screen->SetKeyOverride(-1, "x"));
    EXPECT_FALSE(screen->SetKeyOverride(0, std::string(kMaxKeyString + 1, 'x')));
    ASSERT_TRUE(screen->SetKeyOverride(50, std::string(kMaxKeyString, 'x')));
    screen->Write("\x1b" "c");
    EXPECT_EQ(screen->KeyOverride(50), "");
}

TEST(ScreenTable, HandlesNameLiveScreensOnly)
{
    std::vector<int> handles;
    for (std::size_t i = 0; i < kScreenTableGrowth + 10; ++i) {
        handles.push_back(NvtCreateScreen(nvtVT100, 5, 5));
        ASSERT_NE(handles.back(), -1);
    }
    ASSERT_EQ(NvtWrite(handles.back(), "hi", 2), 1);
    EXPECT_EQ(NvtGetScreen(handles.back())->GetCell(1, 0), 'i');

    const int freed = handles[3];
    ASSERT_EQ(NvtFreeScreen(freed), 1);
    for (int bad : {-1, 0, kScreenHandleBase - 1, freed, handles.back() + 1000}) {
        SetErrorCode(0);
        EXPECT_EQ(NvtWrite(bad, "x", 1), 0) << bad;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidHandle));
        EXPECT_EQ(NvtGetScreen(bad), nullptr);
        EXPECT_EQ(NvtFreeScreen(bad), 0);
    }
    EXPECT_EQ(NvtWrite(handles[0], nullptr, 1), 0);
    EXPECT_EQ(NvtWrite(handles[0], nullptr, 0), 1);
    EXPECT_EQ(NvtCreateScreen(nvtVT100, 4, 5), -1);
    // A freed slot is used again.
    EXPECT_EQ(NvtCreateScreen(nvtANSI, 5, 5), freed);
    handles[3] = freed;
    for (int handle : handles)
        EXPECT_EQ(NvtFreeScreen(handle), 1);
}

// The clipboard's text as a reader elsewhere in the program sees it.
std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HGLOBAL block = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char *>(GlobalLock(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

TEST(TerminalClipboard, SelectionGoesToThePlatformClipboardAndABusyOneIsReported)
{
    auto screen = NewScreen();
    screen->Write("hello\r\nworld");
    const CellRect rect{0, 0, 4, 1};
    ASSERT_TRUE(screen->Select(&rect, nvtSelectClipboard | nvtSelectNoRefresh));
    EXPECT_EQ(ClipboardText(), "hello\r\nworld\r\n");
    EXPECT_TRUE(screen->CopySelection());

    // Another thread holds the clipboard open: the copy fails with the clipboard error, the selection stays.
    std::promise<void> opened, release;
    std::thread holder([&] {
        OpenClipboard(nullptr);
        opened.set_value();
        release.get_future().wait();
        CloseClipboard();
    });
    opened.get_future().wait();
    SetErrorCode(0);
    EXPECT_FALSE(screen->Select(&rect, nvtSelectClipboard));
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorClipboardUnavailable));
    EXPECT_TRUE(screen->HasSelection());
    EXPECT_FALSE(screen->CopySelection());
    release.set_value();
    holder.join();

    // Nothing to copy without a selection text.
    screen->ClearSelection();
    SetErrorCode(0);
    EXPECT_FALSE(screen->CopySelection());
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidParameter));
}

TEST(TerminalScreenDamage, NamesChangedRowsAndScrolls)
{
    auto screen = NewScreen();
    screen->TakeDamage();
    screen->Write("\x1b[3;1Habc");
    Damage d = screen->TakeDamage();
    EXPECT_EQ(d.firstRow, 2);
    EXPECT_EQ(d.lastRow, 2);
    EXPECT_FALSE(d.scrolled);
    screen->Write("\x1b[5;1H\n");
    d = screen->TakeDamage();
    EXPECT_TRUE(d.scrolled);
    EXPECT_EQ(d.firstRow, 0);
    EXPECT_EQ(d.lastRow, 4);
    screen->Write("\x1b[2;3r");
    EXPECT_FALSE(screen->TakeDamage().layout);
    screen->Write("\x1b" "c");
    EXPECT_TRUE(screen->TakeDamage().layout);
}

}  // namespace
}  // namespace qs::term
