// A trace module for tests (built as libqstrace6.so in a folder of its own) that records what the core
// hands it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FakeTraceState {
    bool setupGotLastError = false;   // WSXSetupTrace received a usable last-error pair
    int enables = 0;
    int disables = 0;
    std::string file;
    std::uint32_t flags = 0;
    std::vector<std::string> lines;   // "flags:text" for text, "flags:#length" for data
    std::vector<std::string> hooks;   // "TX_closesocket 0 7", "TX_select 0"
};

using FakeTrace_fn = FakeTraceState *(*)();   // the export "FakeTrace"
