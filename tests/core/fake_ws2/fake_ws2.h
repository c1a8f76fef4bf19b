// A socket module for tests that records the calls the core makes and answers as told. It lacks the
// byte-order exports and inet_ntoa on purpose, so the core's local fallbacks run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FakeSelectCall {
    std::uint32_t readCount, writeCount, exceptCount;
    bool hasTimeout;
    std::int32_t seconds, micros;
};

struct FakeWs2State {
    int startupResult = 0;      // what WSAStartup answers
    int selectResult = 0;       // what select answers (0: nothing ready, the sets are emptied)
    int selectError = 0;        // the last error select leaves when it answers -1
    int startups = 0;
    int cleanups = 0;
    std::vector<FakeSelectCall> selects;
    std::vector<std::string> calls;   // "shutdown 7 1", "closesocket 7", "WSAAsyncSelect 7 9215 51", ...

    void Reset() { *this = FakeWs2State{}; }
};

using FakeWs2_fn = FakeWs2State *(*)();   // the export "FakeWs2"
