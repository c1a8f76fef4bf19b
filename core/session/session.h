// A connection of a protocol library: the ClientSession record every library shares. Libraries extend it
// by derivation (struct GopherSession : ClientSession { ... }); the library's SessionTable owns the
// records, which start zero-filled apart from the defaults below.
#pragma once
#include <cstdint>

#include "platform/base/types.h"
#include "platform/winsock/ws2.h"

namespace qs {

// HandleBase() + the session's table index; -1 means no session.
using ClientHandle = std::int32_t;
inline constexpr ClientHandle kNoHandle = -1;

enum SessionState : std::int32_t {
    kStateUnused = 0,
    kStateIdle = 1,
    kStateConnecting = 2,
    kStateReading = 3,
    kStateWriting = 4,
    kStateDisconnecting = 5,
};

// Connect options: any thread may use the session.
inline constexpr std::uint32_t kOptionAnyThread = 0x8000;

// Session events sent to the event window as (handle, (error number << 16) | event). Libraries add their
// own bits above kEventCancel.
enum SessionEvent : std::uint32_t {
    kEventConnect = 1,
    kEventDisconnect = 2,
    kEventRead = 4,
    kEventWrite = 8,
    kEventTimeout = 16,
    kEventCancel = 32,
};
inline constexpr std::uint32_t kEventsNetwork = 0x0F;   // events that need socket notifications
inline constexpr std::uint32_t kEventsCommon = 0x3F;

// The socket library's notification message, and the least message number an event message may have.
inline constexpr UINT kSocketMessage = 0x0400 + 8191;   // 9215
inline constexpr UINT kMinimumEventMessage = 0x0400;     // WM_USER
inline constexpr UINT kControlEventMessage = 0x0400 + 1001;   // 2025, what the controls use

inline constexpr std::int32_t kDefaultTimeout = 60;   // seconds, when the caller passes 0
inline constexpr std::int32_t kMaximumTimeout = 600;

struct ClientSession {
    virtual ~ClientSession() = default;

    DWORD ownerThread = 0;
    ClientHandle handle = kNoHandle;
    std::int32_t index = 0;
    ws::SOCKET socket = ws::INVALID_SOCKET;
    // The notification window's previous procedure, non-null exactly while this session counts as a user
    // of that window's replacement.
    WNDPROC previousProc = nullptr;
    HWND notificationWindow = nullptr;
    HWND eventWindow = nullptr;
    UINT socketMessage = 0;
    UINT eventMessage = 0;
    std::uint32_t eventMask = 0;
    std::uint32_t pendingEvents = 0;   // socket notification bits held while suspended
    std::int32_t timeout = kDefaultTimeout;
    std::int32_t state = kStateUnused;
    std::uint32_t options = 0;
    bool blocking = false;
    bool cancel = false;
    bool connected = false;
    bool suspended = false;
    bool inEvent = false;
};

}  // namespace qs
