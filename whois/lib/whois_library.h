// The whois library (NICNAME/WHOIS, RFC 954 and RFC 3912): the session pattern under the prefix Whois,
// plus the search, which sends one query line of a type prefix, the keyword and a line break.
//
// The server answers and closes the connection; referrals in an answer are the caller's business. Every
// operation returns the failure value its comment names and stores the ErrorCode in the calling
// thread's slot.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/session/session_library.h"

namespace qs {

inline constexpr int kWhoisPortDefault = 43;

// Search types and the prefix each puts before the keyword.
enum WhoisSearchType : std::int32_t {
    kWhoisSearchAny = 0,       // none
    kWhoisSearchHandle = 1,    // "!"
    kWhoisSearchName = 2,      // "."
    kWhoisSearchMailbox = 3,   // "@", unless the keyword holds an at sign already
};

// The longest query line, prefix and line break included: no directory key comes near it, and it
// bounds what one search copies.
inline constexpr std::size_t kWhoisQueryCap = 65536;

// The library's start and teardown (LibraryInitialize, "Quillstream Whois Protocol Library") and its
// session table. Whois sessions have no fields of their own.
SessionLibraryOf<ClientSession> &WhoisLibrary();

// Opens the connection (see SessionLibrary::SessionConnect). Departures: a message below 1024 is
// refused (10014) by the event window set-up rather than at the start; a host that does not resolve
// fails with the socket library's error; the time-out and options hold from the start, so also for an
// asynchronous attempt; a Connect notification carrying an error leaves the session to the caller.
ClientHandle WhoisConnect(const char *host, int port, int timeout, std::uint32_t options, HWND window,
                          UINT message);
int WhoisDisconnect(ClientHandle handle);
// One receive: bytes read, 0 when the server closed the connection, -1. A pending cancellation fails
// at once with 10004 and is cleared. Raises no session events.
int WhoisRead(ClientHandle handle, char *buffer, int size);
int WhoisCancel(ClientHandle handle);
int WhoisIsBlocking(ClientHandle handle);
int WhoisIsReadable(ClientHandle handle, int seconds, DWORD *count);
int WhoisGetTimeout(ClientHandle handle);
// Values above 600 are stored as 600, others as given: a negative one makes the next wait end at once.
int WhoisSetTimeout(ClientHandle handle, int seconds);
int WhoisGetStatus(ClientHandle handle);

int WhoisSetEventWindow(ClientHandle handle, HWND window, UINT message, std::uint32_t mask);
int WhoisClearEvents(ClientHandle handle);
int WhoisSuspendEvents(ClientHandle handle, bool suspend);

// Writes the query line for `keyword` and `type` into `buffer` of `size` bytes (no terminating zero):
// its length, or -1 with 10014 (no keyword, a type outside 0-3, a line over kWhoisQueryCap or `size`).
int WhoisQueryLine(const char *keyword, std::int32_t type, char *buffer, std::size_t size);

// Sends the query line with one send that must take it whole, after waiting (in blocking mode, with the
// session's time-out) until the socket is writable. 0, or -1 with 10036, 10004 (a pending cancellation,
// cleared; one arriving during the wait), 10014, 10060, 10012 or the socket library's error.
int WhoisSearch(ClientHandle handle, const char *keyword, std::int32_t type);

}  // namespace qs
