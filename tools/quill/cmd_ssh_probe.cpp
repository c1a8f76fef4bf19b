// quill ssh-probe HOST [--port N] [--proxy http://[USER:PASS@]HOST:PORT | telnet://HOST:PORT] [--kex LIST]
// [--hostkey LIST] [--cipher LIST] [--mac LIST] [--compress] [--timeout S] [--user NAME --password PW]
// [--pad BYTES] [--data-limit BYTES] [--exec COMMAND | --shell]: connects to an SSH server, completes the key exchange,
// requests the "ssh-userauth" service and disconnects, printing the negotiated algorithms, the server's
// host-key fingerprint and the service reply (a key scanner's view of the server). With --user it also
// logs in with the password (QUILL_SSH_PASSWORD when --password is not given). --pad sends that many
// bytes of IGNORE messages afterwards, to see the connection through a re-keying (ours after
// --data-limit bytes in either direction). --exec runs a command after the login (--shell a shell on a
// terminal) with the standard input given to it, and prints its output and exit code.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "core/session/session_library.h"
#include "ssh/engine/probe.h"
#include "tools/quill/command.h"

namespace {

constexpr const char kUsage[] =
    "ssh-probe HOST [--port N] [--proxy http://[USER:PASS@]HOST:PORT | telnet://HOST:PORT] [--kex LIST] "
    "[--hostkey LIST] [--cipher LIST] [--mac LIST] [--compress] [--timeout S] [--user NAME --password PW] "
    "[--pad BYTES] [--data-limit BYTES] [--exec COMMAND | --shell]";

int RunSshProbe(const quill::Args &input);

int UsageError()
{
    return quill::Usage({"ssh-probe", kUsage, RunSshProbe});
}

bool ParseNumber(const std::string &text, int low, int high, int *value)
{
    char *end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return false;
    *value = static_cast<int>(number);
    return true;
}

std::vector<std::string> SplitList(const std::string &list)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start)
            items.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

// http://[USER:PASS@]HOST:PORT or telnet://HOST:PORT.
bool ParseProxy(const std::string &url, qs::ssh::ProxyConfig &proxy)
{
    std::string rest;
    if (url.rfind("http://", 0) == 0) {
        proxy.type = qs::ssh::ProxyType::Http;
        rest = url.substr(7);
    } else if (url.rfind("telnet://", 0) == 0) {
        proxy.type = qs::ssh::ProxyType::Telnet;
        rest = url.substr(9);
    } else {
        return false;
    }
    const std::size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        if (proxy.type != qs::ssh::ProxyType::Http)
            return false;
        const std::string credentials = rest.substr(0, at);
        const std::size_t colon = credentials.find(':');
        proxy.user = credentials.substr(0, colon);
        if (colon != std::string::npos)
            proxy.password = credentials.substr(colon + 1);
        rest = rest.substr(at + 1);
    }
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    proxy.host = rest.substr(0, colon);
    return ParseNumber(rest.substr(colon + 1), 1, 65535, &proxy.port);
}

qs::SessionLibraryOf<qs::ClientSession> &ProbeLibrary()
{
    static constexpr qs::SessionProfile kProfile{.description = "Quillstream SSH Protocol Library"};
    static qs::SessionLibraryOf<qs::ClientSession> library(kProfile);
    return library;
}

int RunSshProbe(const quill::Args &input)
{
    quill::Args args = input;
    std::string value;
    qs::ssh::ProbeOptions options;
    if (quill::TakeOption(args, "--port", &value) && !ParseNumber(value, 1, 65535, &options.port))
        return UsageError();
    if (quill::TakeOption(args, "--proxy", &value) && !ParseProxy(value, options.proxy))
        return UsageError();
    int timeout = 0;
    if (quill::TakeOption(args, "--timeout", &value)) {
        if (!ParseNumber(value, 1, 600, &timeout))
            return UsageError();
        options.timeoutMs = static_cast<std::uint32_t>(timeout) * 1000;
    }
    if (quill::TakeOption(args, "--kex", &value))
        options.transport.kex = SplitList(value);
    if (quill::TakeOption(args, "--hostkey", &value))
        options.transport.hostKeys = SplitList(value);
    if (quill::TakeOption(args, "--cipher", &value))
        options.transport.ciphers = SplitList(value);
    if (quill::TakeOption(args, "--mac", &value))
        options.transport.macs = SplitList(value);
    int pad = 0;
    if (quill::TakeOption(args, "--pad", &value)) {
        if (!ParseNumber(value, 1, 64 << 20, &pad))
            return UsageError();
        options.padBytes = static_cast<std::size_t>(pad);
    }
    int limit = 0;
    if (quill::TakeOption(args, "--data-limit", &value)) {
        if (!ParseNumber(value, 1, 1 << 30, &limit))
            return UsageError();
        options.transport.dataLimit = static_cast<std::uint64_t>(limit);
    }
    if (quill::TakeOption(args, "--user", &value)) {
        options.user = value;
        if (!quill::TakeOption(args, "--password", &options.password)) {
            const char *password = std::getenv("QUILL_SSH_PASSWORD");
            options.password = password != nullptr ? password : "";
        }
    } else if (quill::TakeOption(args, "--password", &value)) {
        return UsageError();
    }
    options.transport.compression = quill::TakeFlag(args, "--compress");
    const bool shell = quill::TakeFlag(args, "--shell");
    if (quill::TakeOption(args, "--exec", &value) || shell) {
        if (options.user.empty() || (shell && !value.empty()) || (!shell && value.empty()))
            return UsageError();
        options.session = qs::ssh::SessionSetup{};
        options.session->command = value;
        options.input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    }
    if (args.size() != 1)
        return UsageError();
    options.host = args[0];

    qs::ssh::ProbeReport report;
    bool ok = ProbeLibrary().LibraryInitialize(nullptr, nullptr) == 1;
    if (ok) {
        ok = qs::ssh::RunProbe(options, report);
        const qs::ErrorCode kept = qs::GetErrorCode();
        ProbeLibrary().LibraryUninitialize();
        qs::SetErrorCode(kept);
    }
    const qs::ErrorCode error = qs::GetErrorCode();

    const auto line = [](const char *label, const std::string &text) {
        if (!text.empty())
            std::printf("%-12s %s\n", label, text.c_str());
    };
    line("server", report.serverVersion);
    line("kex", report.kex);
    line("host-key", report.hostKey);
    line("cipher-out", report.cipherOut);
    line("cipher-in", report.cipherIn);
    line("mac-out", report.macOut);
    line("mac-in", report.macIn);
    line("compress-out", report.compressionOut);
    line("compress-in", report.compressionIn);
    line("fingerprint", report.fingerprint);
    line("service", report.serviceReply);
    line("auth", report.authentication);
    line("disconnect", report.serverDisconnect);
    if (options.padBytes != 0 || options.session)
        std::printf("%-12s %d\n", "key-exchanges", report.keyExchanges);
    if (options.session && ok) {
        std::printf("%-12s %d\n", "exit-code", report.exitCode);
        std::fwrite(report.output.data(), 1, report.output.size(), stdout);
    }
    if (!ok) {
        char text[256] = "";
        qs::GetErrorText(error, text, sizeof text);
        std::fprintf(stderr, "error %u: %s\n", qs::ErrorNumber(error), text);
        return 1;
    }
    return 0;
}

}  // namespace

QUILL_COMMAND_NAMED(ssh_probe, "ssh-probe", kUsage, RunSshProbe);
