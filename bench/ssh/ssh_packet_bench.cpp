// Packet protection per cipher/MAC pair on 32 KiB payloads: our sealing (pad, MAC, encrypt) and opening
// (decrypt, verify) next to what `openssl speed` gives for the raw cipher and HMAC over the same bytes.
// The ratio is raw / ours: 1.00 means no cost beyond the primitives.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ssh/transport/packet_reader.h"
#include "ssh/transport/packet_writer.h"

namespace {

using namespace qs::ssh;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPayload = 32 * 1024;
constexpr double kSeconds = 0.3;
// Packets sealed ahead for the opening measurement (about 34 MiB).
constexpr std::size_t kMaxQueued = 1024;

// Bytes per second for 32 KiB blocks from `openssl speed -mr`, 0 when it cannot run.
double OpensslSpeed(const std::string &arguments)
{
    static std::map<std::string, double> cache;
    if (auto it = cache.find(arguments); it != cache.end())
        return it->second;
    const std::string command =
        "openssl speed -mr -seconds 1 -bytes 32768 -provider legacy -provider default " + arguments + " 2>/dev/null";
    double speed = 0;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, pipe)) {
            const std::string text = line;
            if (text.rfind("+F:", 0) == 0)
                speed = std::stod(text.substr(text.rfind(':') + 1));
        }
        pclose(pipe);
    }
    return cache[arguments] = speed;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The raw primitive the cipher runs on: the cipher itself, or for Blowfish and triple DES in counter
// mode the block function under our counter.
std::string CipherArgument(const SshCipher &cipher)
{
    return "-evp " + Lower(cipher.primitive);
}

template <typename Step>
double Throughput(Step step)
{
    std::size_t rounds = 0;
    const auto start = Clock::now();
    std::chrono::duration<double> elapsed{};
    do {
        for (int i = 0; i < 16; ++i)
            step();
        rounds += 16;
        elapsed = Clock::now() - start;
    } while (elapsed.count() < kSeconds);
    return static_cast<double>(rounds * kPayload) / elapsed.count();
}

bool Keyed(const SshCipher &cipher, const SshMac &mac, PacketWriter &writer, PacketReader &reader)
{
    const std::vector<std::uint8_t> key(64, 0x5A), iv(16, 0xA5);
    OutgoingKeys out;
    IncomingKeys in;
    out.cipher = CreateCipher(cipher, CipherDirection::Encrypt);
    in.cipher = CreateCipher(cipher, CipherDirection::Decrypt);
    out.mac = CreateMac(mac);
    in.mac = CreateMac(mac);
    if (!out.cipher || !in.cipher || !out.mac || !in.mac || !out.cipher->SetKey(key) || !out.cipher->SetIv(iv) ||
        !in.cipher->SetKey(key) || !in.cipher->SetIv(iv) || !out.mac->SetKey(key) || !in.mac->SetKey(key))
        return false;
    writer.Install(std::move(out));
    reader.Install(std::move(in));
    return true;
}

}  // namespace

int main()
{
    std::printf("%-30s %-13s %9s %9s %9s %6s %6s\n", "cipher", "mac", "seal MB/s", "open MB/s", "raw MB/s", "seal", "open");
    const std::vector<std::uint8_t> payload(kPayload, 0x42);
    for (const SshCipher &cipher : CipherTable()) {
        for (const SshMac &mac : MacTable(MacList::Normal)) {
            PacketWriter writer, sealer;
            PacketReader reader, spare;
            if (!Keyed(cipher, mac, writer, reader) || !Keyed(cipher, mac, sealer, spare)) {
                std::printf("%-30s %-13s unavailable\n", std::string(cipher.wireName).c_str(), std::string(mac.wireName).c_str());
                continue;
            }
            std::vector<std::uint8_t> wire, opened;
            const double seal = Throughput([&] {
                wire.clear();
                (void)writer.Seal(payload, wire);
            });
            // Opening needs packets sealed in order under the reader's keys, made ahead of the clock.
            std::vector<std::vector<std::uint8_t>> packets;
            const std::size_t rounds = std::min<std::size_t>(static_cast<std::size_t>(seal * kSeconds / kPayload) + 16, kMaxQueued);
            for (std::size_t i = 0; i < rounds; ++i) {
                packets.emplace_back();
                (void)sealer.Seal(payload, packets.back());
            }
            std::reverse(packets.begin(), packets.end());
            const auto start = Clock::now();
            while (!packets.empty()) {
                std::size_t consumed = 0;
                (void)reader.Feed(packets.back(), consumed, opened);
                packets.pop_back();
            }
            const double opening = static_cast<double>(rounds * kPayload) /
                                   std::chrono::duration<double>(Clock::now() - start).count();
            const double cipherSpeed = OpensslSpeed(CipherArgument(cipher));
            const double macSpeed = OpensslSpeed("-hmac " + Lower(mac.digest));
            const double raw = cipherSpeed > 0 && macSpeed > 0 ? 1 / (1 / cipherSpeed + 1 / macSpeed) : 0;
            std::printf("%-30s %-13s %9.1f %9.1f %9.1f %6.2f %6.2f\n", std::string(cipher.wireName).c_str(),
                        std::string(mac.wireName).c_str(), seal / 1e6, opening / 1e6, raw / 1e6,
                        raw > 0 ? raw / seal : 0.0, raw > 0 ? raw / opening : 0.0);
        }
    }
    return 0;
}
