#include "dns/resolver/dns_host_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "dns/lib/dns_name.h"
#include "dns/resolver/dns_file_search.h"
#include "dns/resolver/dns_resolver.h"

namespace qs {
namespace {

// An address word longer than this makes the line no entry.
constexpr std::size_t kAddressWordCap = 127;

struct Line {
    std::uint32_t address;
    std::string_view names;   // the official name, then the aliases, separated by single spaces
};

// A stored line that starts with a non-zero address followed by at least one name.
bool ParseLine(std::string_view text, Line *line)
{
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos || space > kAddressWordCap || space + 1 >= text.size())
        return false;
    char word[kAddressWordCap + 1];
    text.copy(word, space);
    word[space] = '\0';
    line->address = ParseDottedAddress(word);
    line->names = text.substr(space + 1);
    return line->address != 0 && line->address != kNoAddress;
}

bool SameName(std::string_view word, const char *name)
{
    char text[kDnsNameTextSize];
    if (word.size() >= sizeof text)
        return false;
    word.copy(text, word.size());
    text[word.size()] = '\0';
    return DnsSameName(text, name);
}

// Rebuilds the session's host-file entry from one line.
const DnsHostEntry *MakeEntry(DnsSession &session, const Line &line)
{
    DnsHostArea &area = session.hostFileArea;
    area.Clear();
    std::string_view names = line.names;
    for (bool official = true; !names.empty(); official = false) {
        const std::size_t space = names.find(' ');
        const std::string_view word = names.substr(0, space);
        char text[kDnsNameTextSize];
        if (word.size() >= sizeof text) {
            SetErrorCode(qsErrorInvalidHostName);
            return nullptr;
        }
        word.copy(text, word.size());
        text[word.size()] = '\0';
        if (!(official ? area.SetName(text) : area.AddAlias(text))) {
            SetErrorCode(qsErrorInvalidHostName);
            return nullptr;
        }
        names = space == std::string_view::npos ? std::string_view() : names.substr(space + 1);
    }
    area.SetAddressForm(kDnsAddressTypeInet, sizeof line.address);
    if (!area.AddAddress(std::span(reinterpret_cast<const std::uint8_t *>(&line.address), sizeof line.address))) {
        SetErrorCode(qsErrorInvalidHostName);
        return nullptr;
    }
    return &area.Entry();
}

template <class Match>
const DnsHostEntry *FindLine(DnsSession &session, Match match)
{
    const char *text = session.hostFileText.get();
    for (std::size_t at = 0; text != nullptr && at < session.hostFileLength;) {
        const std::string_view stored(text + at);
        at += stored.size() + 1;
        Line line;
        if (ParseLine(stored, &line) && match(line))
            return MakeEntry(session, line);
    }
    SetErrorCode(qsErrorInvalidHostName);
    return nullptr;
}

void Unload(DnsSession &session)
{
    session.hostFileText.reset();
    session.hostFileLength = 0;
    session.hostFilePath[0] = '\0';
    session.hostFileArea.Clear();
}

}  // namespace

std::size_t DnsCompactHostText(std::string_view text, char *out, std::size_t *length)
{
    std::size_t used = 0, lineStart = 0, lines = 0;
    bool comment = false, blank = false;
    auto endLine = [&] {
        if (used > lineStart) {
            out[used++] = '\0';
            lineStart = used;
            ++lines;
        }
        comment = false;
        blank = false;
    };
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            endLine();
            continue;
        }
        if (comment)
            continue;
        if (c == '#') {
            comment = true;
            continue;
        }
        if (static_cast<unsigned char>(c) < '!') {
            blank = used > lineStart;
            continue;
        }
        if (blank)
            out[used++] = ' ';
        blank = false;
        out[used++] = c;
    }
    endLine();
    *length = used;
    return lines;
}

const DnsHostEntry *DnsLookupHostFile(DnsSession &session, const char *name)
{
    const std::uint32_t address = ParseDottedAddress(name);
    if (address != kNoAddress && address != 0)
        return DnsLookupHostFileAddress(session, address);
    return FindLine(session, [&](const Line &line) {
        for (std::string_view names = line.names; !names.empty();) {
            const std::size_t space = names.find(' ');
            if (SameName(names.substr(0, space), name))
                return true;
            names = space == std::string_view::npos ? std::string_view() : names.substr(space + 1);
        }
        return false;
    });
}

const DnsHostEntry *DnsLookupHostFileAddress(DnsSession &session, std::uint32_t address)
{
    return FindLine(session, [&](const Line &line) { return line.address == address; });
}

int DnsLoadHostFile(ClientHandle handle, const char *fileName)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    Unload(*session);
    if (fileName == nullptr || *fileName == '\0')
        return 0;
    char path[kDnsHostFilePathCap];
    if (!DnsSearchFile(fileName, path, sizeof path))
        return -1;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        SetErrorCode(errno == ENOENT || errno == ENOTDIR ? qsErrorFileNotFound : qsErrorAccessDenied);
        return -1;
    }
    const auto close = [](std::FILE *f) { std::fclose(f); };
    std::unique_ptr<std::FILE, decltype(close)> owner(file, close);
    struct stat info {};
    if (::fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        SetErrorCode(qsErrorAccessDenied);
        return -1;
    }
    if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > kDnsHostFileCap) {
        SetErrorCode(qsErrorOutOfMemory);
        return -1;
    }
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<char[]> raw(new (std::nothrow) char[size + 1]);
    std::unique_ptr<char[]> compact(new (std::nothrow) char[size + 1]);
    if (raw == nullptr || compact == nullptr) {
        SetErrorCode(qsErrorOutOfMemory);
        return -1;
    }
    if (std::fread(raw.get(), 1, size, file) != size) {
        SetErrorCode(qsErrorFileReadFailed);
        return -1;
    }
    std::size_t length = 0;
    const std::size_t lines = DnsCompactHostText(std::string_view(raw.get(), size), compact.get(), &length);
    session->hostFileText = std::move(compact);
    session->hostFileLength = length;
    std::memcpy(session->hostFilePath, path, std::strlen(path) + 1);
    return static_cast<int>(lines);
}

int DnsGetHostFilePath(ClientHandle handle, char *out, int capacity)
{
    DnsSession *session = DnsSessions().Lookup(handle);
    if (session == nullptr)
        return -1;
    const std::size_t length = std::strlen(session->hostFilePath);
    if (out == nullptr || capacity < 1 || length >= static_cast<std::size_t>(capacity)) {
        SetErrorCode(out == nullptr ? qsErrorInvalidBuffer : qsErrorBufferTooSmall);
        return -1;
    }
    std::memcpy(out, session->hostFilePath, length + 1);
    return static_cast<int>(length);
}

}  // namespace qs
