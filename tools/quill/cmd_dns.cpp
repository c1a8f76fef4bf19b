// quill dns TYPE|host|mx NAME [--server ADDR] [--port N] [--timeout S] [--retry N]: asks the name
// servers (those of the system, or only ADDR) and prints what the resolver returns: the text of the
// first record of TYPE (a name such as TXT, a number, or TYPEnnn), the host entry of NAME, or its mail
// exchangers in ascending preference.
//
// The command talks to a DnsFront, whose members are those of the DnsClient control (Timeout, Retry,
// RemotePort, NameServer, HostName, MailExchange, Query). It calls the resolver itself rather than the
// control, since the control shows only the first address of a host, the mail exchangers without their
// preferences, and record data as component text (octets that are not UTF-8 would not survive).
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "dns/lib/dns_message.h"
#include "dns/resolver/dns_resolver.h"
#include "tools/quill/command.h"

namespace {

constexpr const char kUsage[] = "dns TYPE|host|mx NAME [--server ADDR] [--port N] [--timeout S] [--retry N]";
constexpr int kDefaultTimeout = 15;
constexpr int kDefaultRetries = 4;
constexpr int kTextCap = 1024;

struct HostAnswer {
    std::string name;
    std::vector<std::string> aliases;
    std::vector<std::string> addresses;
};

struct MailExchanger {
    int preference;
    std::string name;
};

// What the command needs of a resolver; every member fails with the error in the thread's slot.
class DnsFront {
  public:
    virtual ~DnsFront() = default;
    virtual bool Initialize(int timeout, int retries) = 0;
    // Asks only this server from now on.
    virtual bool UseServer(const std::string &address, int port) = 0;
    virtual bool Query(const std::string &name, int type, std::string *text) = 0;
    virtual bool Host(const std::string &name, HostAnswer *answer) = 0;
    virtual bool MailExchangers(const std::string &name, std::vector<MailExchanger> *list) = 0;
};

// The resolver library, called directly.
class LibraryFront final : public DnsFront {
  public:
    ~LibraryFront() override
    {
        if (handle_ != qs::kNoHandle)
            qs::DnsFreeSession(handle_);
        if (started_)
            qs::DnsLibrary().LibraryUninitialize();
    }

    bool Initialize(int timeout, int retries) override
    {
        started_ = qs::DnsLibrary().LibraryInitialize(nullptr, nullptr) == 1;
        if (started_)
            handle_ = qs::DnsCreateSession(timeout, retries, 0);
        return handle_ != qs::kNoHandle;
    }

    bool UseServer(const std::string &address, int port) override
    {
        if (qs::DnsSetNameServer(handle_, 0, address.c_str(), port) != 0)
            return false;
        for (int slot = 1; slot < 4; ++slot)
            qs::DnsSetNameServer(handle_, slot, nullptr, 0);
        return true;
    }

    bool Query(const std::string &name, int type, std::string *text) override
    {
        char out[kTextCap];
        const int length = qs::DnsFormatRecord(handle_, name.c_str(), type, out, sizeof out);
        if (length < 0)
            return false;
        text->assign(out, static_cast<std::size_t>(length));
        return true;
    }

    bool Host(const std::string &name, HostAnswer *answer) override
    {
        const qs::DnsHostEntry *entry = qs::DnsGetHostByName(handle_, name.c_str());
        if (entry == nullptr)
            return false;
        answer->name = entry->name;
        for (const char *const *alias = entry->aliases; *alias != nullptr; ++alias)
            answer->aliases.push_back(*alias);
        for (const std::uint8_t *const *address = entry->addresses; *address != nullptr; ++address) {
            std::uint32_t value = 0;
            std::memcpy(&value, *address, sizeof value);
            char dotted[qs::kDottedAddressCap];
            qs::FormatDottedAddress(value, dotted, sizeof dotted);
            answer->addresses.push_back(dotted);
        }
        return true;
    }

    bool MailExchangers(const std::string &name, std::vector<MailExchanger> *list) override
    {
        const int count = qs::DnsGetMailExchanges(handle_, name.c_str(), 0);
        if (count < 0)
            return false;
        const qs::DnsMailExchangeList *exchangers = qs::DnsGetMailExchangeList(handle_);
        for (int i = 0; i < count; ++i)
            list->push_back({exchangers->At(static_cast<std::size_t>(i)).preference,
                             exchangers->At(static_cast<std::size_t>(i)).name});
        return true;
    }

  private:
    bool started_ = false;
    qs::ClientHandle handle_ = qs::kNoHandle;
};

struct TypeName {
    const char *name;
    int type;
};

constexpr TypeName kTypes[] = {
    {"A", qs::kDnsTypeA},         {"NS", qs::kDnsTypeNS},       {"MD", qs::kDnsTypeMD},
    {"MF", qs::kDnsTypeMF},       {"CNAME", qs::kDnsTypeCNAME}, {"SOA", qs::kDnsTypeSOA},
    {"MB", qs::kDnsTypeMB},       {"MG", qs::kDnsTypeMG},       {"MR", qs::kDnsTypeMR},
    {"NULL", qs::kDnsTypeNULL},   {"WKS", qs::kDnsTypeWKS},     {"PTR", qs::kDnsTypePTR},
    {"HINFO", qs::kDnsTypeHINFO}, {"MINFO", qs::kDnsTypeMINFO}, {"MX", qs::kDnsTypeMX},
    {"TXT", qs::kDnsTypeTXT},     {"RP", qs::kDnsTypeRP},       {"X25", qs::kDnsTypeX25},
    {"ISDN", qs::kDnsTypeISDN},   {"RT", qs::kDnsTypeRT},       {"AAAA", qs::kDnsTypeAAAA},
    {"LOC", qs::kDnsTypeLOC},     {"UINFO", qs::kDnsTypeUINFO}, {"UID", qs::kDnsTypeUID},
    {"GID", qs::kDnsTypeGID},     {"SRV", 33},   // asked for, though its records have no text form
};

bool ParseNumber(const std::string &text, int low, int high, int *value)
{
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return false;
    *value = static_cast<int>(number);
    return true;
}

bool ParseType(const std::string &text, int *type)
{
    for (const TypeName &row : kTypes) {
        if (strcasecmp(row.name, text.c_str()) == 0) {
            *type = row.type;
            return true;
        }
    }
    const bool prefixed = text.size() > 4 && strncasecmp(text.c_str(), "TYPE", 4) == 0;
    return ParseNumber(prefixed ? text.substr(4) : text, 0, 0xFFFF, type);
}

// Octets as dig presents them: printable characters as they are (with `quote` and '\' escaped),
// the others as \DDD.
std::string Presented(const std::string &octets, bool quote)
{
    std::string out;
    for (unsigned char c : octets) {
        if ((quote && c == '"') || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03u", c);
            out += escaped;
        }
    }
    return out;
}

// A TXT text is its character strings, each a length octet and its octets: printed quoted, one space
// between them; octets that do not form a whole string are printed as they are.
std::string PresentedStrings(const std::string &text)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = static_cast<unsigned char>(text[at]);
        if (at + 1 + length > text.size())
            break;
        out += (out.empty() ? "\"" : " \"") + Presented(text.substr(at + 1, length), true) + "\"";
        at += 1 + length;
    }
    if (at < text.size())
        out += (out.empty() ? "" : " ") + Presented(text.substr(at), false);
    return out;
}

int Fail()
{
    const qs::ErrorCode code = qs::GetErrorCode();
    char text[512];
    if (qs::GetErrorText(code, text, sizeof text) == 0)
        std::snprintf(text, sizeof text, "Undefined error (0x%08X)", code);
    std::fprintf(stderr, "error %u: %s\n", qs::ErrorNumber(code), text);
    return 1;
}

int Run(DnsFront &front, const std::string &what, const std::string &name)
{
    if (what == "host") {
        HostAnswer answer;
        if (!front.Host(name, &answer))
            return Fail();
        std::printf("name %s\n", answer.name.c_str());
        for (const std::string &alias : answer.aliases)
            std::printf("alias %s\n", alias.c_str());
        for (const std::string &address : answer.addresses)
            std::printf("address %s\n", address.c_str());
        return 0;
    }
    if (what == "mx") {
        std::vector<MailExchanger> list;
        if (!front.MailExchangers(name, &list))
            return Fail();
        for (const MailExchanger &exchanger : list)
            std::printf("%d %s\n", exchanger.preference, exchanger.name.c_str());
        return 0;
    }
    int type = 0;
    ParseType(what, &type);
    std::string text;
    if (!front.Query(name, type, &text))
        return Fail();
    std::printf("%s\n", (type == qs::kDnsTypeTXT ? PresentedStrings(text) : Presented(text, false)).c_str());
    return 0;
}

int RunDns(const quill::Args &input)
{
    const quill::Command self{"dns", kUsage, RunDns};
    quill::Args args = input;
    std::string server, value;
    int port = 0, timeout = kDefaultTimeout, retries = kDefaultRetries;
    const bool hasServer = quill::TakeOption(args, "--server", &server);
    // A port belongs to the server given with it.
    if ((quill::TakeOption(args, "--port", &value) && (!hasServer || !ParseNumber(value, 1, 65535, &port))) ||
        (quill::TakeOption(args, "--timeout", &value) && !ParseNumber(value, 0, 3600, &timeout)) ||
        (quill::TakeOption(args, "--retry", &value) && !ParseNumber(value, 0, 32, &retries)) || args.size() != 2)
        return quill::Usage(self);
    int type = 0;
    if (args[0] != "host" && args[0] != "mx" && !ParseType(args[0], &type))
        return quill::Usage(self);

    LibraryFront front;
    if (!front.Initialize(timeout, retries) || (hasServer && !front.UseServer(server, port)))
        return Fail();
    return Run(front, args[0], args[1]);
}

}  // namespace

QUILL_COMMAND(dns, kUsage, RunDns);
