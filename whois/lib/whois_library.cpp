#include "whois/lib/whois_library.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/error/last_error.h"
#include "core/net/send_whole.h"

namespace qs {
namespace {

constexpr SessionProfile kWhoisProfile{
    .description = "Quillstream Whois Protocol Library",
    .serviceName = "whois",
    .defaultPort = kWhoisPortDefault,
    .recordOptionsEarly = true,
    .ignoreWriteNotifications = true,
};

// Indexed by search type.
constexpr const char *kPrefixes[] = {"", "!", ".", "@"};

}  // namespace

SessionLibraryOf<ClientSession> &WhoisLibrary()
{
    static SessionLibraryOf<ClientSession> library(kWhoisProfile);
    return library;
}

ClientHandle WhoisConnect(const char *host, int port, int timeout, std::uint32_t options, HWND window,
                          UINT message)
{
    return WhoisLibrary().SessionConnect(host, port, timeout, options, window, message);
}

int WhoisDisconnect(ClientHandle handle) { return WhoisLibrary().SessionDisconnect(handle); }
int WhoisRead(ClientHandle handle, char *buffer, int size) { return WhoisLibrary().SessionRead(handle, buffer, size); }
int WhoisCancel(ClientHandle handle) { return WhoisLibrary().SessionCancel(handle); }
int WhoisIsBlocking(ClientHandle handle) { return WhoisLibrary().SessionIsBlocking(handle); }
int WhoisIsReadable(ClientHandle handle, int seconds, DWORD *count)
{
    return WhoisLibrary().SessionIsReadable(handle, seconds, count);
}
int WhoisGetTimeout(ClientHandle handle) { return WhoisLibrary().SessionGetTimeout(handle); }
int WhoisSetTimeout(ClientHandle handle, int seconds) { return WhoisLibrary().SessionSetTimeout(handle, seconds); }
int WhoisGetStatus(ClientHandle handle) { return WhoisLibrary().SessionGetStatus(handle); }

int WhoisSetEventWindow(ClientHandle handle, HWND window, UINT message, std::uint32_t mask)
{
    return WhoisLibrary().SetEventWindow(handle, window, message, mask);
}
int WhoisClearEvents(ClientHandle handle) { return WhoisLibrary().ClearEvents(handle); }
int WhoisSuspendEvents(ClientHandle handle, bool suspend) { return WhoisLibrary().SuspendEvents(handle, suspend); }

int WhoisQueryLine(const char *keyword, std::int32_t type, char *buffer, std::size_t size)
{
    if (keyword == nullptr || buffer == nullptr || type < kWhoisSearchAny || type > kWhoisSearchMailbox) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    const char *prefix = kPrefixes[type];
    if (type == kWhoisSearchMailbox && std::strchr(keyword, '@') != nullptr)
        prefix = "";
    const std::size_t prefixLength = std::strlen(prefix);
    const std::size_t keywordLength = std::strlen(keyword);
    const std::size_t limit = size < kWhoisQueryCap ? size : kWhoisQueryCap;
    if (keywordLength > limit || prefixLength + keywordLength + 2 > limit) {
        SetErrorCode(qsErrorInvalidParameter);
        return -1;
    }
    std::memcpy(buffer, prefix, prefixLength);
    std::memcpy(buffer + prefixLength, keyword, keywordLength);
    std::memcpy(buffer + prefixLength + keywordLength, "\r\n", 2);
    return static_cast<int>(prefixLength + keywordLength + 2);
}

int WhoisSearch(ClientHandle handle, const char *keyword, std::int32_t type)
{
    SessionLibraryOf<ClientSession> &library = WhoisLibrary();
    if (library.StartOperation(handle) == nullptr)
        return -1;
    // The prefix takes at most one byte, the line break two.
    const std::size_t room = keyword != nullptr ? std::strlen(keyword) + 3 : 0;
    std::unique_ptr<char[]> line;
    if (room != 0 && room <= kWhoisQueryCap) {
        line.reset(new (std::nothrow) char[room]);
        if (line == nullptr) {
            SetErrorCode(qsErrorOutOfMemory);
            return -1;
        }
    }
    const int length = WhoisQueryLine(keyword, type, line.get(), room);
    if (length < 0)
        return -1;
    ClientSession *session = library.WaitForSocket(handle, WaitFor::kWrite);
    if (session == nullptr)
        return -1;
    library.FinishOperation(*session);
    return SendWhole(session->socket, line.get(), length);
}

}  // namespace qs
