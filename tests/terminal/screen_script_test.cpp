// Runs the byte-in/state-out scripts of tests/terminal/scripts/*.test. Every script runs twice: with each
// "push" written at once, and written one byte per call, so a sequence split across writes is covered.
// A failure names the script's file and line.
//
// Script lines (blank lines and lines starting with # are skipped):
//   screen COLS ROWS none|ansi|vt100|vt220 [raw]   a new screen; without raw, auto-wrap, cursor and bell on
//   push "BYTES"                 written through the interpreter (escapes as in escaped_text.h)
//   cursor COL ROW               row ROW "TEXT"   (characters as stored, trailing blanks trimmed)
//   attr COL ROW WORD            fg|bg|boldfg COL ROW #RRGGBB   cell COL ROW VALUE
//   selected COL ROW yes|no      pair normal|reverse|bold|reversebold|graphics #FG #BG
//   region TOP BOTTOM            mode NAME on|off               beeps N       keypad on|off|none
//   linetext ROW "TEXT"          screentext START LIMIT "TEXT"  seltext "TEXT"
//   call NAME ARGS...            a screen operation: resize C R, setcell C R V, erase-display K,
//                                erase-line K, erase-chars N, insert-lines N, delete-lines N,
//                                insert-chars N, delete-chars N, scroll-up N, scroll-down N,
//                                cursor C R, select L T R B FLAGS, deselect, setmode NAME on|off
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "terminal/lib/screen.h"
#include "terminal/lib/screen_dump.h"
#include "tests/terminal/escaped_text.h"

namespace qs::term {
namespace {

namespace fs = std::filesystem;

class RecordingHost : public ScreenHost {
public:
    void Beep() override { ++beeps; }
    void KeypadModeChanged(bool application) override { keypad = application ? "on" : "off"; }
    int beeps = 0;
    std::string keypad = "none";
};

const std::map<std::string, std::uint32_t> kModeNames = {
    {"autowrap", kModeAutoWrap},     {"cursor", kModeCursorVisible},  {"block", kModeBlockCursor},
    {"bell", kModeBell},             {"lfreturn", kModeLineFeedReturns}, {"crfeed", kModeReturnFeeds},
    {"appcursor", kModeAppCursorKeys}, {"appkeypad", kModeAppKeypad}, {"origin", kModeOrigin},
    {"colour", kModeColour},
};

const std::map<std::string, int> kEmulations = {
    {"none", nvtNone}, {"ansi", nvtANSI}, {"vt100", nvtVT100}, {"vt220", nvtVT220}};

const std::map<std::string, PairIndex> kPairNames = {
    {"normal", kPairNormal}, {"reverse", kPairReverse}, {"bold", kPairBold},
    {"reversebold", kPairReverseBold}, {"graphics", kPairGraphics}};

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// 0x00BBGGRR as #RRGGBB
std::string Html(Colour colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", Red(colour), Green(colour), Blue(colour));
    return text;
}

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words and "quoted strings" (kept escaped).
bool Tokenize(const std::string &line, std::vector<Token> *tokens)
{
    tokens->clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        Token token;
        if (line[i] == '"') {
            token.quoted = true;
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size())
                    token.text.push_back(line[i++]);
                token.text.push_back(line[i++]);
            }
            if (i >= line.size())
                return false;
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                token.text.push_back(line[i++]);
        }
        tokens->push_back(token);
    }
    return true;
}

long Number(const std::string &text)
{
    if (!text.empty() && text[0] == '#')
        return std::stol(text.substr(1), nullptr, 16);
    return std::stol(text, nullptr, 0);
}

// #RRGGBB -> 0x00BBGGRR
Colour ColourOf(const std::string &text)
{
    const long rgb = Number(text);
    return Rgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::string RowText(const TerminalScreen &screen, int row)
{
    std::string line;
    for (int c = 0; c < screen.Columns(); ++c)
        line.push_back(static_cast<char>(screen.RowCells(row)[c].character));
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

struct ScriptCase {
    fs::path file;
    bool split;
};

void PrintTo(const ScriptCase &c, std::ostream *out) { *out << c.file.filename() << (c.split ? " split" : ""); }

class ScreenScript : public ::testing::TestWithParam<ScriptCase> {
protected:
    // Returns an empty string when the line holds, else what went wrong.
    std::string Run(const std::vector<Token> &t);
    std::string Decode(const Token &token, std::string *bytes);
    const ScreenCell *Cell(long column, long row, std::string *error);

    std::unique_ptr<TerminalScreen> screen_;
    RecordingHost host_;
};

std::string ScreenScript::Decode(const Token &token, std::string *bytes)
{
    std::size_t where = 0;
    if (!token.quoted || !testing::DecodeEscaped(token.text, bytes, &where))
        return "bad quoted text at offset " + std::to_string(where);
    return "";
}

const ScreenCell *ScreenScript::Cell(long column, long row, std::string *error)
{
    if (column < 0 || column >= screen_->Columns() || row < 0 || row >= screen_->Rows()) {
        *error = "cell outside the grid";
        return nullptr;
    }
    return &screen_->RowCells(static_cast<int>(row))[column];
}

std::string ScreenScript::Run(const std::vector<Token> &t)
{
    const std::string &op = t[0].text;
    auto need = [&](std::size_t n) { return t.size() >= n + 1; };
    auto n = [&](std::size_t i) { return Number(t[i].text); };
    std::string error, bytes;

    if (op == "screen") {
        if (!need(3) || !kEmulations.count(t[3].text))
            return "usage: screen COLS ROWS EMULATION [raw]";
        host_ = RecordingHost{};
        screen_ = TerminalScreen::Create(kEmulations.at(t[3].text), static_cast<int>(n(1)), static_cast<int>(n(2)),
                                         {}, &host_);
        if (!screen_)
            return "screen not created";
        if (!(t.size() > 4 && t[4].text == "raw"))
            screen_->SetModes(kModeAutoWrap | kModeCursorVisible | kModeBell, true);
        return "";
    }
    if (!screen_)
        return "no screen yet";
    if (op == "push") {
        if (!need(1) || !(error = Decode(t[1], &bytes)).empty())
            return error.empty() ? "usage: push \"BYTES\"" : error;
        if (GetParam().split) {
            for (char c : bytes)
                screen_->Write(std::string_view(&c, 1));
        } else {
            screen_->Write(bytes);
        }
        return "";
    }
    if (op == "cursor" && need(2)) {
        if (screen_->CursorColumn() != n(1) || screen_->CursorRow() != n(2))
            return "cursor is " + std::to_string(screen_->CursorColumn()) + " " + std::to_string(screen_->CursorRow());
        return "";
    }
    if (op == "row" && need(2)) {
        if (!(error = Decode(t[2], &bytes)).empty())
            return error;
        if (n(1) < 0 || n(1) >= screen_->Rows())
            return "row outside the grid";
        const std::string actual = RowText(*screen_, static_cast<int>(n(1)));
        return actual == bytes ? "" : "row is \"" + actual + "\"";
    }
    if ((op == "attr" || op == "fg" || op == "bg" || op == "boldfg" || op == "selected") && need(3)) {
        const ScreenCell *cell = Cell(n(1), n(2), &error);
        if (!cell)
            return error;
        if (op == "attr")
            return cell->attributes == n(3) ? "" : "attributes are " + Hex(cell->attributes);
        if (op == "selected") {
            const bool selected = cell->state & kCellSelected;
            return selected == (t[3].text == "yes") ? "" : std::string("selected is ") + (selected ? "yes" : "no");
        }
        const Colour have = op == "fg" ? cell->foreground : op == "bg" ? cell->background : cell->boldForeground;
        return have == ColourOf(t[3].text) ? "" : op + " is " + Html(have);
    }
    if (op == "pair" && need(3) && kPairNames.count(t[1].text)) {
        const ColorPair pair = screen_->Pair(kPairNames.at(t[1].text));
        if (pair.foreground != ColourOf(t[2].text) || pair.background != ColourOf(t[3].text))
            return "pair is " + Html(pair.foreground) + " " + Html(pair.background);
        return "";
    }
    if (op == "cell" && need(3)) {
        const long value = screen_->GetCell(static_cast<int>(n(1)), static_cast<int>(n(2)));
        return value == n(3) ? "" : "cell is " + std::to_string(value);
    }
    if (op == "region" && need(2)) {
        if (screen_->RegionTop() != n(1) || screen_->RegionBottom() != n(2))
            return "region is " + std::to_string(screen_->RegionTop()) + " " + std::to_string(screen_->RegionBottom());
        return "";
    }
    if (op == "mode" && need(2) && kModeNames.count(t[1].text)) {
        const bool on = screen_->Modes() & kModeNames.at(t[1].text);
        return on == (t[2].text == "on") ? "" : std::string("mode is ") + (on ? "on" : "off");
    }
    if (op == "beeps" && need(1))
        return host_.beeps == n(1) ? "" : "beeps: " + std::to_string(host_.beeps);
    if (op == "keypad" && need(1))
        return host_.keypad == t[1].text ? "" : "keypad: " + host_.keypad;
    if (op == "linetext" && need(2)) {
        std::string text;
        if (!(error = Decode(t[2], &bytes)).empty())
            return error;
        if (!screen_->LineText(static_cast<int>(n(1)), &text))
            return "LineText failed";
        return text == bytes ? "" : "line text is \"" + text + "\"";
    }
    if (op == "screentext" && need(3)) {
        std::string text;
        if (!(error = Decode(t[3], &bytes)).empty())
            return error;
        if (!screen_->ScreenText(static_cast<int>(n(1)), static_cast<std::size_t>(n(2)), &text))
            return "ScreenText failed";
        return text == bytes ? "" : "screen text is \"" + text + "\"";
    }
    if (op == "seltext" && need(1)) {
        if (!(error = Decode(t[1], &bytes)).empty())
            return error;
        const std::string &text = screen_->SelectionText();
        return text == bytes ? "" : "selection text is \"" + text + "\"";
    }
    if (op == "call" && need(1)) {
        const std::string &f = t[1].text;
        auto arg = [&](std::size_t i) { return static_cast<std::uint32_t>(n(i + 1)); };
        auto iarg = [&](std::size_t i) { return static_cast<int>(n(i + 1)); };
        if (f == "resize" && need(3))
            return screen_->Resize(iarg(1), iarg(2)) ? "" : "resize failed";
        if (f == "setcell" && need(4)) {
            screen_->SetCell(iarg(1), iarg(2), static_cast<std::int32_t>(n(4)));
            return "";
        }
        if (f == "erase-display" && need(2))
            return screen_->EraseDisplay(iarg(1)) ? "" : "erase failed";
        if (f == "erase-line" && need(2))
            return screen_->EraseLine(iarg(1)) ? "" : "erase failed";
        if (f == "cursor" && need(3)) {
            screen_->SetCursor(iarg(1), iarg(2));
            return "";
        }
        if (f == "select" && need(6)) {
            const CellRect rect{iarg(1), iarg(2), iarg(3), iarg(4)};
            return screen_->Select(&rect, arg(5)) ? "" : "select failed";
        }
        if (f == "setmode" && need(3) && kModeNames.count(t[2].text)) {
            screen_->SetModes(kModeNames.at(t[2].text), t[3].text == "on");
            return "";
        }
        if (f == "deselect") {
            screen_->Select(nullptr, 0);
            return "";
        }
        static const std::map<std::string, void (TerminalScreen::*)(std::uint32_t)> kCountOps = {
            {"erase-chars", &TerminalScreen::EraseCharacters}, {"insert-lines", &TerminalScreen::InsertLines},
            {"delete-lines", &TerminalScreen::DeleteLines},    {"insert-chars", &TerminalScreen::InsertCharacters},
            {"delete-chars", &TerminalScreen::DeleteCharacters}, {"scroll-up", &TerminalScreen::ScrollUp},
            {"scroll-down", &TerminalScreen::ScrollDown}};
        if (kCountOps.count(f) && need(2)) {
            (screen_.get()->*kCountOps.at(f))(arg(1));
            return "";
        }
    }
    return "unknown or malformed line";
}

TEST_P(ScreenScript, Holds)
{
    std::ifstream in(GetParam().file);
    ASSERT_TRUE(in) << GetParam().file;
    std::string line;
    std::vector<Token> tokens;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#' || line.find_first_not_of(" \t") == std::string::npos)
            continue;
        const std::string where = GetParam().file.string() + ":" + std::to_string(number);
        ASSERT_TRUE(Tokenize(line, &tokens)) << where << ": unterminated quote";
        std::string failure;
        try {
            failure = Run(tokens);
        } catch (const std::exception &) {
            failure = "malformed number";
        }
        ASSERT_EQ(failure, "") << where << ": " << line << (screen_ ? "\n" + DumpScreen(*screen_, true) : "");
    }
}

std::vector<ScriptCase> Scripts()
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(fs::path(QS_TERMINAL_TEST_DIR) / "scripts"))
        if (entry.path().extension() == ".test")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<ScriptCase> cases;
    for (const auto &file : files) {
        cases.push_back({file, false});
        cases.push_back({file, true});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScreenScript, ::testing::ValuesIn(Scripts()),
                         [](const ::testing::TestParamInfo<ScriptCase> &info) {
                             std::string name = info.param.file.stem().string();
                             name += info.param.split ? "_split" : "_whole";
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

}  // namespace
}  // namespace qs::term
