// Renders every byte stream of tests/terminal/corpus through this terminal, through libvterm (in process)
// and through a headless tmux (render-tmux.sh), and compares the screens: the text and the cursor with
// both, and the attributes and colours of every cell with libvterm.
//
// corpus/cases.txt has one line per stream NAME.vt:
//   NAME COLS ROWS EMULATION [; differs REF[,REF]: REASON]
// where REF (tmux, libvterm) is a reference this terminal departs from on purpose for that stream; the
// test then checks that the screens do differ, so a mark cannot outlive its reason.
// The .vt files hold the bytes as escaped text (escaped_text.h); line breaks and lines starting with
// "# " are not part of the stream.
#include <gtest/gtest.h>
#include <vterm.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <unistd.h>

#include "terminal/lib/charsets.h"
#include "terminal/lib/screen.h"
#include "tests/terminal/escaped_text.h"

namespace qs::term {
namespace {

namespace fs = std::filesystem;
const fs::path kTestDir = QS_TERMINAL_TEST_DIR;

struct Case {
    std::string name;
    int columns = 0, rows = 0, emulation = 0;
    std::set<std::string> differs;
    std::string reason;
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

// The screen as a reference shows it. The cursor column is clamped to the last column: a pending wrap
// is drawn there by every terminal.
struct Rendered {
    std::vector<std::u32string> text;
    int column = 0, row = 0;
    std::vector<std::vector<std::string>> looks;  // per cell "B U K R fg bg"; empty when not compared
};

std::vector<Case> LoadCases()
{
    std::vector<Case> cases;
    std::ifstream in(kTestDir / "corpus" / "cases.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        Case c;
        std::string head = line.substr(0, line.find(';'));
        std::istringstream fields(head);
        std::string emulation;
        fields >> c.name >> c.columns >> c.rows >> emulation;
        c.emulation = emulation == "none" ? nvtNone : emulation == "vt100" ? nvtVT100
                    : emulation == "vt220" ? nvtVT220 : nvtANSI;
        const std::size_t semi = line.find(';');
        if (semi != std::string::npos) {
            std::string tail = line.substr(semi + 1);
            const std::size_t colon = tail.find(':');
            std::istringstream refs(tail.substr(0, colon));
            std::string word;
            refs >> word;  // "differs"
            while (std::getline(refs >> std::ws, word, ','))
                c.differs.insert(word.substr(0, word.find_last_not_of(' ') + 1));
            c.reason = colon == std::string::npos ? "" : tail.substr(colon + 1);
        }
        cases.push_back(c);
    }
    return cases;
}

std::string LoadStream(const std::string &name)
{
    std::ifstream in(kTestDir / "corpus" / (name + ".vt"));
    std::string line, text, bytes;
    while (std::getline(in, line))
        if (line.rfind("# ", 0) != 0)
            text += line;
    std::size_t where = 0;
    EXPECT_TRUE(testing::DecodeEscaped(text, &bytes, &where)) << name << ": bad escape at " << where;
    return bytes;
}

void Trim(std::u32string *s) { s->erase(s->find_last_not_of(U' ') + 1); }

// Default colours count as the colour they are drawn in here: black text on a light grey (map entry 7).
std::string Look(bool bold, bool underline, bool blink, bool reverse, int fg, int bg)
{
    std::string look;
    look += bold ? "B" : "-";
    look += underline ? "U" : "-";
    look += blink ? "K" : "-";
    look += reverse ? "R" : "-";
    look += " fg" + (fg <= 0 ? std::string("d") : std::to_string(fg));
    look += " bg" + (bg < 0 || bg == 7 ? std::string("d") : std::to_string(bg));
    return look;
}

int MapIndex(Colour colour)
{
    for (int i = 0; i < 8; ++i)
        if (kDefaultColourMap[i] == colour)
            return i;
    return -1;
}

// tmux prints cells of the DEC special graphics and UK sets as the bytes received; libvterm as the
// characters they stand for.
Rendered RenderOurs(const Case &c, const std::string &bytes, bool rawCharsets)
{
    Rendered r;
    auto screen = TerminalScreen::Create(c.emulation, c.columns, c.rows);
    screen->SetModes(kModeAutoWrap | kModeCursorVisible | kModeBell, true);
    screen->Write(bytes);
    for (int row = 0; row < c.rows; ++row) {
        std::u32string line;
        std::vector<std::string> looks;
        for (int column = 0; column < c.columns; ++column) {
            const ScreenCell &cell = screen->RowCells(row)[column];
            const bool charset = cell.attributes & kAttrCharsetBits;
            line.push_back(rawCharsets && charset ? static_cast<char32_t>(cell.character & 0xFF)
                                                  : CellCodePoint(cell));
            const AttributeWord a = cell.attributes;
            looks.push_back(Look(a & kAttrBold, a & kAttrUnderline, a & kAttrBlink, a & kAttrReverse,
                                 (a & kAttrOwnForeground) ? MapIndex(cell.foreground) : -1,
                                 (a & kAttrOwnBackground) ? MapIndex(cell.background) : -1));
        }
        Trim(&line);
        r.text.push_back(line);
        r.looks.push_back(looks);
    }
    r.column = std::min(screen->CursorColumn(), c.columns - 1);
    r.row = screen->CursorRow();
    return r;
}

Rendered RenderLibvterm(const Case &c, const std::string &bytes)
{
    Rendered r;
    VTerm *vt = vterm_new(c.rows, c.columns);
    vterm_set_utf8(vt, 0);
    VTermScreen *screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    vterm_input_write(vt, bytes.data(), bytes.size());
    for (int row = 0; row < c.rows; ++row) {
        std::u32string line;
        std::vector<std::string> looks;
        for (int column = 0; column < c.columns; ++column) {
            VTermScreenCell cell;
            vterm_screen_get_cell(screen, VTermPos{row, column}, &cell);
            line.push_back(cell.chars[0] ? cell.chars[0] : U' ');
            auto index = [](const VTermColor &colour, bool foreground) {
                if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&colour) : VTERM_COLOR_IS_DEFAULT_BG(&colour))
                    return -1;
                return VTERM_COLOR_IS_INDEXED(&colour) ? static_cast<int>(colour.indexed.idx) : 99;
            };
            looks.push_back(Look(cell.attrs.bold, cell.attrs.underline != 0, cell.attrs.blink, cell.attrs.reverse,
                                 index(cell.fg, true), index(cell.bg, false)));
        }
        Trim(&line);
        r.text.push_back(line);
        r.looks.push_back(looks);
    }
    VTermPos cursor;
    vterm_state_get_cursorpos(vterm_obtain_state(vt), &cursor);
    r.column = std::min(cursor.col, c.columns - 1);
    r.row = cursor.row;
    vterm_free(vt);
    return r;
}

std::u32string FromUtf8(const std::string &s)
{
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = s[i];
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

bool HaveTmux()
{
    static const bool have = std::system("tmux -V >/dev/null 2>&1") == 0;
    return have;
}

bool RenderTmux(const Case &c, const std::string &bytes, Rendered *r, std::string *error)
{
    const fs::path stream = fs::temp_directory_path() / ("qs-term-" + c.name + "-" + std::to_string(::getpid()));
    std::ofstream(stream, std::ios::binary) << bytes;
    const std::string command = "sh '" + (kTestDir / "render-tmux.sh").string() + "' '" + stream.string() + "' " +
                                std::to_string(c.columns) + " " + std::to_string(c.rows);
    std::FILE *pipe = ::popen(command.c_str(), "r");
    std::string output;
    char chunk[4096];
    std::size_t n;
    while (pipe && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, n);
    const int status = pipe ? ::pclose(pipe) : -1;
    fs::remove(stream);
    if (status != 0) {
        *error = "render-tmux.sh failed: " + output;
        return false;
    }
    std::istringstream lines(output);
    std::string line;
    for (int row = 0; row < c.rows && std::getline(lines, line); ++row) {
        std::u32string text = FromUtf8(line);
        Trim(&text);
        r->text.push_back(text);
    }
    if (!std::getline(lines, line) || std::sscanf(line.c_str(), "cursor %d %d", &r->column, &r->row) != 2) {
        *error = "no cursor line in: " + output;
        return false;
    }
    r->column = std::min(r->column, c.columns - 1);
    return true;
}

std::string Utf8(const std::u32string &s)
{
    std::string out;
    for (char32_t cp : s) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// The first difference, or an empty string.
std::string Difference(const Rendered &ours, const Rendered &theirs)
{
    for (std::size_t row = 0; row < ours.text.size(); ++row) {
        if (row >= theirs.text.size() || ours.text[row] != theirs.text[row])
            return "row " + std::to_string(row) + " text differs";
    }
    if (ours.column != theirs.column || ours.row != theirs.row)
        return "cursor " + std::to_string(ours.column) + "," + std::to_string(ours.row) + " vs " +
               std::to_string(theirs.column) + "," + std::to_string(theirs.row);
    if (!theirs.looks.empty()) {
        for (std::size_t row = 0; row < ours.looks.size(); ++row)
            for (std::size_t column = 0; column < ours.looks[row].size(); ++column)
                if (ours.looks[row][column] != theirs.looks[row][column])
                    return "cell " + std::to_string(column) + "," + std::to_string(row) + ": " +
                           ours.looks[row][column] + " vs " + theirs.looks[row][column];
    }
    return "";
}

std::string SideBySide(const Rendered &ours, const Rendered &theirs, int columns)
{
    std::string out = "ours | reference\n";
    for (std::size_t row = 0; row < ours.text.size(); ++row) {
        std::u32string left = ours.text[row];
        left.resize(columns, U' ');
        out += Utf8(left) + " | " + (row < theirs.text.size() ? Utf8(theirs.text[row]) : "") + "\n";
    }
    out += "cursor " + std::to_string(ours.column) + " " + std::to_string(ours.row) + " | " +
           std::to_string(theirs.column) + " " + std::to_string(theirs.row) + "\n";
    return out;
}

class Conformance : public ::testing::TestWithParam<Case> {
protected:
    void Check(const std::string &reference, const Rendered &ours, const Rendered &theirs)
    {
        const Case &c = GetParam();
        const std::string difference = Difference(ours, theirs);
        if (c.differs.count(reference)) {
            EXPECT_NE(difference, "") << c.name << " is marked as differing from " << reference
                                      << " but matches it: drop the mark";
            if (!difference.empty())
                std::printf("[ differs  ] %s vs %s (%s):%s\n", c.name.c_str(), reference.c_str(),
                            difference.c_str(), c.reason.c_str());
        } else {
            EXPECT_EQ(difference, "") << c.name << " vs " << reference << "\n"
                                      << SideBySide(ours, theirs, c.columns);
        }
    }
};

TEST_P(Conformance, SameScreenAsTheReferences)
{
    const Case &c = GetParam();
    const std::string bytes = LoadStream(c.name);
    ASSERT_FALSE(bytes.empty()) << c.name;
    Check("libvterm", RenderOurs(c, bytes, false), RenderLibvterm(c, bytes));
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed";
    Rendered tmux;
    std::string error;
    ASSERT_TRUE(RenderTmux(c, bytes, &tmux, &error)) << error;
    Check("tmux", RenderOurs(c, bytes, true), tmux);
}

INSTANTIATE_TEST_SUITE_P(Corpus, Conformance, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<Case> &info) {
                             std::string name = info.param.name;
                             std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                             return name;
                         });

}  // namespace
}  // namespace qs::term
