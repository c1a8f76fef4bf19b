// ssh_bulk_bench PORT USER PASSWORD KEY [MB]: bulk data over a session channel, downloaded (the server
// runs "head -c") and uploaded (it runs "cat > /dev/null"), through our engine and through OpenSSH's
// ssh client (logging in with the key file KEY) against the same sshd on 127.0.0.1:PORT, per cipher and
// MAC, in alternating rounds. Prints MB/s of each and the ratio ours / theirs (above 1: we are faster).
// run-bulk-bench.sh starts a suitable sshd and runs it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/error/last_error.h"
#include "core/session/session_library.h"
#include "ssh/engine/probe.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;

struct Pair {
    const char *cipher, *mac;
};
constexpr Pair kPairs[] = {
    {"aes128-ctr", "hmac-sha1"}, {"aes256-ctr", "hmac-sha1"}, {"aes128-cbc", "hmac-md5"}, {"3des-cbc", "hmac-sha1"},
};

struct Target {
    int port;
    std::string user, password, key;
    std::size_t bytes;
};

// Seconds for one transfer through our engine; negative on failure.
double Ours(const Target &t, const Pair &pair, bool upload)
{
    qs::ssh::ProbeOptions options;
    options.host = "127.0.0.1";
    options.port = t.port;
    options.user = t.user;
    options.password = t.password;
    options.timeoutMs = 600000;
    options.transport.ciphers = {pair.cipher};
    options.transport.macs = {pair.mac};
    options.keepOutput = false;  // like ssh's output to /dev/null
    options.session = qs::ssh::SessionSetup{};
    options.session->command = upload ? "cat > /dev/null" : "head -c " + std::to_string(t.bytes) + " /dev/zero";
    if (upload)
        options.input.assign(t.bytes, 'q');
    qs::ssh::ProbeReport report;
    const auto start = Clock::now();
    const bool ok = qs::ssh::RunProbe(options, report);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!ok || report.exitCode != 0 || (!upload && report.outputBytes != t.bytes)) {
        std::fprintf(stderr, "ours failed: error %u, exit %d, %zu bytes\n", qs::ErrorNumber(qs::GetErrorCode()),
                     report.exitCode, report.outputBytes);
        return -1;
    }
    return seconds;
}

double Theirs(const Target &t, const Pair &pair, bool upload)
{
    const std::string ssh = "ssh -o LogLevel=ERROR -i " + t.key +
                            " -o BatchMode=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -c " +
                            pair.cipher + " -m " + pair.mac + " -p " + std::to_string(t.port) + " " + t.user +
                            "@127.0.0.1 ";
    const std::string count = std::to_string(t.bytes);
    const std::string command = upload ? "head -c " + count + " /dev/zero | " + ssh + "'cat > /dev/null'"
                                       : ssh + "'head -c " + count + " /dev/zero' > /dev/null";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "ssh failed (%d): %s\n", status, command.c_str());
        return -1;
    }
    return seconds;
}

qs::SessionLibraryOf<qs::ClientSession> &Library()
{
    static constexpr qs::SessionProfile kProfile{.description = "Quillstream SSH Bulk Benchmark"};
    static qs::SessionLibraryOf<qs::ClientSession> library(kProfile);
    return library;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: ssh_bulk_bench PORT USER PASSWORD KEY [MB]\n");
        return 2;
    }
    const Target target{std::atoi(argv[1]), argv[2], argv[3], argv[4],
                        static_cast<std::size_t>(argc > 5 ? std::atoi(argv[5]) : 32) << 20};
    if (Library().LibraryInitialize(nullptr, nullptr) != 1) {
        std::fprintf(stderr, "the socket library could not be started\n");
        return 1;
    }
    std::printf("%-12s %-10s %-9s %9s %9s %6s\n", "cipher", "mac", "direction", "ours MB/s", "ssh MB/s", "ratio");
    int failures = 0;
    for (const Pair &pair : kPairs) {
        for (const bool upload : {false, true}) {
            double ours = 0, theirs = 0;
            for (int round = 0; round < kRounds; ++round) {
                const double a = Ours(target, pair, upload);
                const double b = Theirs(target, pair, upload);
                if (a < 0 || b < 0) {
                    ++failures;
                    break;
                }
                ours += a;
                theirs += b;
            }
            if (ours <= 0 || theirs <= 0)
                continue;
            const double mb = static_cast<double>(target.bytes) * kRounds / (1 << 20);
            std::printf("%-12s %-10s %-9s %9.1f %9.1f %6.2f\n", pair.cipher, pair.mac, upload ? "upload" : "download",
                        mb / ours, mb / theirs, theirs / ours);
        }
    }
    Library().LibraryUninitialize();
    return failures == 0 ? 0 : 1;
}
