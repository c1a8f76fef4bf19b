// The finger library (RFC 1288): the session pattern under the prefix Finger, plus the query line.
//
// A query is one connection: connect to port 79, send the user name (possibly empty, or a forwarding
// form such as "user@host", passed through unchanged) and a line break, then read until the server
// closes. Every operation returns the failure value its comment names and stores the ErrorCode in the
// calling thread's slot.
#pragma once
#include <cstdint>

#include "core/session/session_library.h"

namespace qs {

inline constexpr int kFingerPortDefault = 79;

// The library's start and teardown (LibraryInitialize, "Quillstream Finger Protocol Library") and its
// session table. Finger sessions have no fields of their own.
SessionLibraryOf<ClientSession> &FingerLibrary();

// Opens the connection (see SessionLibrary::SessionConnect). Departures: a window given with a message
// below 1024 fails with 10014; a host that does not resolve fails with 11001; the options hold only when
// the connection is established inside the call; a Connect notification carrying an error releases the
// session after the event.
ClientHandle FingerConnect(const char *host, int port, int timeout, std::uint32_t options, HWND window,
                           UINT message);
int FingerDisconnect(ClientHandle handle);
// One receive: bytes read, 0 when the server closed the connection, -1. A pending cancellation fails
// at once with 10004 and is cleared; a blocking wait that times out or is cancelled also raises the
// Timeout or Cancel session event.
int FingerRead(ClientHandle handle, char *buffer, int size);
int FingerCancel(ClientHandle handle);
int FingerIsBlocking(ClientHandle handle);
int FingerIsReadable(ClientHandle handle, int seconds, DWORD *count);
int FingerGetTimeout(ClientHandle handle);
// A negative value is stored as 0 (no limit), values above 600 as 600.
int FingerSetTimeout(ClientHandle handle, int seconds);
int FingerGetStatus(ClientHandle handle);

int FingerSetEventWindow(ClientHandle handle, HWND window, UINT message, std::uint32_t mask);
int FingerClearEvents(ClientHandle handle);
int FingerSuspendEvents(ClientHandle handle, bool suspend);

// Sends `text` and then carriage return and line feed, each with one send that must take it whole:
// 0, or -1 with 10036 (an operation of the session waits), 10004 (a pending cancellation, cleared),
// 10014 (no text) or the socket library's error. It neither waits for writability nor changes the
// state; in blocking mode the socket itself blocks.
int FingerSendQuery(ClientHandle handle, const char *text);

}  // namespace qs
