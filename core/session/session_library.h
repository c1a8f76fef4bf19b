// The session pattern shared by every connection-oriented protocol library, written once.
//
// A protocol library is one SessionLibrary object: its handle table, its table of replaced window
// procedures, its start count and socket start-up record, and the operations on them. What differs from
// one protocol to the next is data, given as a SessionProfile when the object is made, plus the record
// type of its sessions and, where a protocol does its own work on socket notifications, one virtual hook.
//
//   // finger/lib/finger_library.cpp
//   constexpr qs::SessionProfile kFingerProfile{
//       .description = "Quillstream Finger Protocol Library",
//       .serviceName = "finger", .defaultPort = 79,
//       .checkEventMessage = true, .unknownHostError = qs::MakeErrorCode(11001),
//       .releaseOnFailedConnect = true, .raiseWaitEvents = true, .negativeTimeoutIsZero = true};
//   qs::SessionLibraryOf<qs::ClientSession> g_finger(kFingerProfile);
//   ClientHandle FingerConnect(...) { return g_finger.SessionConnect(...); }   // one line per operation
//
//   // a library with protocol fields and its own notification handling
//   struct GopherSession : qs::ClientSession { ... };
//   class GopherLibrary : public qs::SessionLibraryOf<GopherSession> {
//       void HandleNotification(qs::ClientSession &s, std::uint32_t bits, qs::ErrorCode error) override;
//   };
//
// Protocol operations of their own (a query, a search, a request) are built from StartOperation,
// WaitForSocket and FinishOperation, which carry the lookup, cancel, nesting, wait and time-out rules.
//
// Every operation returns the failure value its comment names and stores the ErrorCode in the calling
// thread's slot; nothing throws. The table is guarded by the core lock, taken for table access only and
// never across a wait or a window message. Because waits dispatch messages, handlers may release a
// session while an operation waits: every operation looks its session up again after waiting, and a
// ClientSession pointer is valid only until the next wait or message dispatch.
//
// Window procedures are plain function pointers, so each SessionLibrary object owns one of a fixed set
// of replacement procedures (kMaxSessionLibraries per copy of the core) that leads back to it; libraries
// of one process, and deliverables each linking their own core, never confuse each other's windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "core/error/error_codes.h"
#include "core/events/subclass_table.h"
#include "core/library/library_info.h"
#include "core/session/session.h"
#include "core/session/session_table.h"

namespace qs {

inline constexpr std::size_t kMaxSessionLibraries = 16;

// How one protocol library departs from the common pattern. Every field has the common behaviour as
// its default, so a profile lists only what differs.
struct SessionProfile {
    // Reported by LibraryInitialize (at most 131 characters).
    const char *description = "";
    // Looked up for "tcp" when SessionConnect gets port 0; null skips the lookup.
    const char *serviceName = nullptr;
    // Used when the service is unknown.
    std::uint16_t defaultPort = 0;
    // The events SessionConnect asks for; libraries with events above Cancel add their bits.
    std::uint32_t allEvents = kEventsCommon;

    // SessionConnect: a window given with a message below 1024 fails at once with 10014 (else the
    // message is checked later by SetEventWindow, with the same error).
    bool checkEventMessage = false;
    // SessionConnect: the error for a host that does not resolve; 0 takes the socket library's error.
    ErrorCode unknownHostError = 0;
    // SessionConnect: the options hold from the start, so also for an asynchronous attempt (else they
    // are recorded only when the connection is established inside the call).
    bool recordOptionsEarly = false;
    // Connect notification carrying an error: release the session after raising the event.
    bool releaseOnFailedConnect = false;

    // StartOperation: a pending cancellation fails the operation with 10004 and is cleared (else it
    // stays pending).
    bool clearPendingCancel = true;
    // WaitForSocket: the session's blocking flag is set while it waits.
    bool markBlockingWhileWaiting = true;
    // WaitForSocket: a wait that timed out or was cancelled raises the Timeout or Cancel event.
    bool raiseWaitEvents = false;
    // SessionSetTimeout: a negative value is stored as 0 (else as given); above 600 is always 600.
    bool negativeTimeoutIsZero = false;
    // SessionIsBlocking(handle): also 1 while the calling thread waits in BlockingSelect.
    bool threadWaitIsBlocking = false;
    // Write notifications raise no Write event.
    bool ignoreWriteNotifications = false;
};

enum class WaitFor { kRead, kWrite };

class SessionLibrary {
  public:
    // Makes a zero-filled session record of the library's type.
    using SessionFactory = std::unique_ptr<ClientSession> (*)();

    SessionLibrary(const SessionProfile &profile, SessionFactory factory);
    virtual ~SessionLibrary();
    SessionLibrary(const SessionLibrary &) = delete;
    SessionLibrary &operator=(const SessionLibrary &) = delete;

    const SessionProfile &Profile() const { return profile_; }

    // --- Start and teardown ---------------------------------------------------------------------------

    // Checks the platform version, fills `info` (may be null; its size must be sizeof(LibraryInfo)) and,
    // when asked (no info, options 0, or kOptionStartNetwork), binds and starts the socket library
    // `moduleName` (null or empty: "WS2_32.DLL"). 1, or 0 with 10092, 10014 or 0x80040000 | the socket
    // library's error. Counted: each success that started the network needs one LibraryUninitialize.
    int LibraryInitialize(const char *moduleName, LibraryInfo *info);
    // The last matching call restores every replaced window procedure, releases every session (of any
    // thread) and stops the socket library. Without a matching initialisation it does nothing.
    void LibraryUninitialize();
    int NetworkStartCount() const { return networkStarts_; }
    const ws::WSADATA &StartupData() const { return startup_; }

    // --- Sessions -------------------------------------------------------------------------------------

    // A new session of the calling thread: its handle, or -1 with 10093 (not started) or 10012.
    ClientHandle NewSession();
    // Unbinds the window, closes the socket and frees the record. A stale handle, or a session of
    // another thread, is left alone. The thread's error code is kept.
    void ReleaseSession(ClientHandle handle);
    // With the owner check: null with 10038 (no such session) or 10001 (another thread's, without
    // AnyThread).
    ClientSession *LookupSession(ClientHandle handle);
    ClientSession *LookupSessionUnchecked(ClientHandle handle, bool checkOwner);
    // The session with this socket, with the owner check (10001); null without an error when none has it.
    ClientSession *FindSessionBySocket(ws::SOCKET socket);

    // Opens a TCP connection to `host` (dotted or a name) and `port` (0: the profile's service or default
    // port). Without a window the call blocks up to `timeout` seconds (0: 60) dispatching messages; with
    // one it returns at once and the outcome arrives as the Connect event. The handle, or -1 with 11001
    // (empty or unknown host), 10014, 10060, 10004, the connection's pending error (10061 when none), or
    // the socket library's error; a failure leaves no session behind.
    ClientHandle SessionConnect(const char *host, int port, int timeout, std::uint32_t options, HWND window,
                                UINT message);
    // Marks the session disconnecting and releases it (no protocol goodbye): 0 or -1.
    int SessionDisconnect(ClientHandle handle);
    // One receive after waiting for readability: bytes read, 0 when the peer closed, -1 on failure.
    int SessionRead(ClientHandle handle, char *buffer, int size);
    // One send after waiting for writability: bytes sent or -1.
    int SessionWrite(ClientHandle handle, const char *data, int size);
    // -1: cancels the calling thread's wait (12009 without one). A handle: sets its cancel flag (any
    // thread may) and cancels the owner's wait when called on the owner's thread. 0 or -1.
    int SessionCancel(ClientHandle handle);
    // 1 while a blocking operation of the session (or, for -1, of the calling thread) waits, else 0.
    int SessionIsBlocking(ClientHandle handle);
    // Waits up to `seconds` (0 polls) for readable data: 1 with the bytes waiting in `*count` (when
    // given and connected), or 0 (10036 while an operation waits).
    int SessionIsReadable(ClientHandle handle, int seconds, DWORD *count);
    int SessionGetTimeout(ClientHandle handle);
    int SessionSetTimeout(ClientHandle handle, int seconds);
    // The session's state, or -1 (any thread may ask).
    int SessionGetStatus(ClientHandle handle);

    // Building blocks of protocol operations. StartOperation looks the session up and refuses a pending
    // cancellation (10004) and a waiting operation (10036). WaitForSocket marks the session reading or
    // writing, waits with the session's time-out unless it has a notification window, looks it up again
    // and returns it, or null with the lookup's error, 10004, 10060 or the socket library's error (the
    // session then idle). FinishOperation clears the blocking flag and makes the session idle.
    ClientSession *StartOperation(ClientHandle handle);
    ClientSession *WaitForSocket(ClientHandle handle, WaitFor direction);
    void FinishOperation(ClientSession &session);

    // --- Asynchronous events ----------------------------------------------------------------------------

    // Switches a session to asynchronous mode (a window: socket notifications `socketMessage` for read,
    // write, connect and close) or back to blocking (none). 0, or -1 with 10036 (an event is being
    // delivered), 10014, 10001, 10012 or the socket library's error.
    int BindNotificationWindow(ClientHandle handle, HWND window, UINT socketMessage);
    // Where events go and which are sent; none clears every event setting. 0 or -1 (10014).
    int SetEventWindow(ClientHandle handle, HWND window, UINT message, std::uint32_t mask);
    int ClearEvents(ClientHandle handle);
    // Holds events back, or releases them: what arrived meanwhile is posted again, in the order accept,
    // connect, close, read, write, out-of-band. 0 or -1.
    int SuspendEvents(ClientHandle handle, bool suspend);
    // Sends one event to the event window (unless suspended or masked out), suspending the session's
    // events while the handler runs. The window's answer, or 0.
    LRESULT RaiseEvent(ClientHandle handle, std::uint32_t event, ErrorCode error);
    // Counts the session as a user of `window`'s replaced procedure (none: stops counting it, restoring
    // the window's own procedure when it was the last). 1, or 0 with 10014, 10001 or 10012.
    int SubclassWindow(ClientHandle handle, HWND window);
    void RestoreSubclassedWindows();
    // The first session of the calling thread bound to `window`, or -1.
    ClientHandle FindSessionByWindow(HWND window);
    // The replacement procedure's work: socket notifications become session events; the final
    // destruction message unbinds the window's sessions; everything goes on to the window's own procedure.
    LRESULT NotificationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // This library's replacement procedure; null when every slot of kMaxSessionLibraries is taken.
    WNDPROC ReplacementProc() const { return replacementProc_; }

  protected:
    // What one socket notification means (`bits`: the notification's low word; `error`: its error as an
    // ErrorCode, already stored as the thread's code, or 0). The default raises Read, Write, Connect
    // (marking the session connected and idle when there is no error) and Disconnect as the profile says.
    // The session may be released by what this calls.
    virtual void HandleNotification(ClientSession &session, std::uint32_t bits, ErrorCode error);

  private:
    ClientSession *Find(ClientHandle handle) const;
    ClientSession *FindOwnSocket(ws::SOCKET socket) const;
    void FailConnect(ClientHandle handle);
    // The work of LibraryInitialize: 0, or the error to store.
    std::uint32_t StartLibrary(const char *moduleName, LibraryInfo *info);

    SessionProfile profile_;
    SessionFactory factory_;
    SessionTable sessions_;
    SubclassTable subclassed_;
    ws::WSADATA startup_{};
    int networkStarts_ = 0;
    int coreStarts_ = 0;
    int slot_ = -1;
    WNDPROC replacementProc_ = nullptr;
};

// A SessionLibrary whose sessions are `Session` records (ClientSession or a type derived from it), with
// typed lookups.
template <class Session>
class SessionLibraryOf : public SessionLibrary {
  public:
    explicit SessionLibraryOf(const SessionProfile &profile) : SessionLibrary(profile, &Make) {}

    Session *Lookup(ClientHandle handle) { return static_cast<Session *>(LookupSession(handle)); }
    Session *LookupUnchecked(ClientHandle handle, bool checkOwner)
    {
        return static_cast<Session *>(LookupSessionUnchecked(handle, checkOwner));
    }
    Session *FindBySocket(ws::SOCKET socket) { return static_cast<Session *>(FindSessionBySocket(socket)); }

  private:
    static std::unique_ptr<ClientSession> Make()
    {
        return std::unique_ptr<ClientSession>(new (std::nothrow) Session());
    }
};

}  // namespace qs
