// Interpreter throughput against libvterm: the same byte streams (plain text, text with frequent SGR
// changes, cursor-addressed full-screen updates, scrolling in a region) go through both, each fed in
// 4 KiB writes into an 80x24 screen. Prints MB/s for both and our speed over libvterm's.
#include <vterm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "terminal/lib/screen.h"

namespace {

constexpr std::size_t kStreamBytes = 16u << 20;
constexpr std::size_t kWriteSize = 4096;
constexpr int kRuns = 5;
constexpr int kColumns = 80, kRows = 24;

std::string PlainText()
{
    std::string s;
    for (unsigned line = 0; s.size() < kStreamBytes; ++line) {
        for (int c = 0; c < 72; ++c)
            s.push_back(static_cast<char>(' ' + 1 + (line * 7 + c) % 94));
        s += "\r\n";
    }
    return s;
}

std::string SgrText()
{
    static const char *const kRenditions[] = {"\x1b[1;31m", "\x1b[0m", "\x1b[4;32;44m", "\x1b[7m", "\x1b[m",
                                              "\x1b[33m", "\x1b[1;4;5m", "\x1b[22;24;25;27m"};
    std::string s;
    for (unsigned i = 0; s.size() < kStreamBytes; ++i) {
        s += kRenditions[i % 8];
        s += "word";
        s += (i % 16 == 15) ? "\r\n" : " ";
    }
    return s;
}

std::string FullScreenUpdates()
{
    std::string s;
    char cup[16];
    for (unsigned frame = 0; s.size() < kStreamBytes; ++frame) {
        for (int row = 1; row <= kRows; ++row) {
            std::snprintf(cup, sizeof cup, "\x1b[%d;1H", row);
            s += cup;
            for (int c = 0; c < kColumns; ++c)
                s.push_back(static_cast<char>('A' + (frame + row + c) % 26));
        }
    }
    return s;
}

std::string Scrolling()
{
    std::string s = "\x1b[3;22r";
    for (unsigned i = 0; s.size() < kStreamBytes; ++i) {
        s += "\x1b[22;1Hline of text\n";
        if (i % 4 == 0)
            s += "\x1b[3;1H\x1bM\x1b[5;1H\x1b[2L\x1b[10;1H\x1b[M";
    }
    return s;
}

template <typename Feed>
double BestMBps(const std::string &bytes, Feed feed)
{
    double best = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        feed(bytes);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, bytes.size() / 1e6 / took.count());
    }
    return best;
}

double Ours(const std::string &bytes)
{
    return BestMBps(bytes, [](const std::string &b) {
        auto screen = qs::term::TerminalScreen::Create(qs::term::nvtANSI, kColumns, kRows);
        screen->SetModes(qs::term::kModeAutoWrap, true);
        for (std::size_t at = 0; at < b.size(); at += kWriteSize)
            screen->Write(reinterpret_cast<const std::uint8_t *>(b.data() + at), std::min(kWriteSize, b.size() - at));
    });
}

double Libvterm(const std::string &bytes)
{
    return BestMBps(bytes, [](const std::string &b) {
        VTerm *vt = vterm_new(kRows, kColumns);
        vterm_set_utf8(vt, 0);
        vterm_screen_reset(vterm_obtain_screen(vt), 1);
        for (std::size_t at = 0; at < b.size(); at += kWriteSize)
            vterm_input_write(vt, b.data() + at, std::min(kWriteSize, b.size() - at));
        vterm_free(vt);
    });
}

}  // namespace

int main()
{
    const struct {
        const char *name;
        std::string bytes;
    } corpora[] = {{"plain text", PlainText()}, {"frequent SGR", SgrText()},
                   {"full-screen updates", FullScreenUpdates()}, {"scrolling region", Scrolling()}};
    std::printf("%-22s %12s %12s %8s\n", "corpus (16 MiB)", "ours MB/s", "libvterm", "ratio");
    for (const auto &corpus : corpora) {
        const double ours = Ours(corpus.bytes), theirs = Libvterm(corpus.bytes);
        std::printf("%-22s %12.1f %12.1f %8.2f\n", corpus.name, ours, theirs, ours / theirs);
    }
    return 0;
}
