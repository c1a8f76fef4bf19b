// What the local test servers send (tests/peers), for comparing answers byte for byte, plus the waits
// that tests of connection-oriented clients share: pumping messages until an event arrived, reading a
// session to its end, running a third-party client.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/base/window.h"

namespace qs::test {

// Bound on the 50 ms rounds PumpUntil waits.
inline constexpr int kPumpRounds = 200;

// Dispatches the thread's messages until `done()` or the bound of rounds; returns `done()`.
template <class Done>
bool PumpUntil(Done done)
{
    for (int round = 0; round < kPumpRounds && !done(); ++round) {
        QsWaitForMessages(nullptr, 0, 50);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return done();
}

// Dispatches the thread's messages for `rounds` rounds of up to 50 ms, for showing that nothing arrives.
inline void PumpRounds(int rounds)
{
    int round = 0;
    PumpUntil([&] { return ++round > rounds; });
}

// Calls `read(handle, buffer, size)` until it returns 0 or -1, or `limit` bytes came; `*last` (when
// given) gets the last result.
template <class Read>
std::string ReadToEnd(Read read, std::int32_t handle, int size = 512, std::size_t limit = 64u << 20, int *last = nullptr)
{
    std::string data;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    int n = 0;
    while (data.size() < limit && (n = read(handle, buffer.data(), size)) > 0)
        data.append(buffer.data(), static_cast<std::size_t>(n));
    if (last != nullptr)
        *last = n;
    return data;
}

// The whois peer's "big.test" record: 200000 numbered lines.
inline std::string WhoisBigAnswer()
{
    std::string data;
    char line[64];
    for (int i = 1; i <= 200000; ++i) {
        int n = std::snprintf(line, sizeof line, "line %08d of an enormous whois answer\n", i);
        data.append(line, static_cast<std::size_t>(n));
    }
    return data;
}

// The whois peer's "binary.test" record: every byte value, sixteen times over.
inline std::string WhoisBinaryAnswer()
{
    std::string data;
    for (int round = 0; round < 16; ++round) {
        for (int value = 0; value < 256; ++value)
            data += static_cast<char>(value);
    }
    return data;
}

// The standard output of a shell command; `*ok` says whether it ran and exited with 0.
inline std::string CommandOutput(const std::string &command, bool *ok)
{
    std::string output;
    std::FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        *ok = false;
        return output;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    *ok = pclose(pipe) == 0;
    return output;
}

}  // namespace qs::test
