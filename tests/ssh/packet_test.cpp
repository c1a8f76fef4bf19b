#include <gtest/gtest.h>

#include "core/error/last_error.h"
#include "ssh/transport/packet_reader.h"
#include "ssh/transport/packet_writer.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromHex;
using test::FromText;

// Both ends of one direction, keyed alike.
struct Link {
    PacketWriter writer;
    PacketReader reader;

    bool Key(const SshCipher *cipher, const SshMac *mac, bool compress)
    {
        const Bytes key(64, 0x11), iv(16, 0x22), macKey(64, 0x33);
        OutgoingKeys out;
        IncomingKeys in;
        if (cipher) {
            out.cipher = CreateCipher(*cipher, CipherDirection::Encrypt);
            in.cipher = CreateCipher(*cipher, CipherDirection::Decrypt);
            if (!out.cipher || !in.cipher || !out.cipher->SetKey(key) || !out.cipher->SetIv(iv) || !in.cipher->SetKey(key) ||
                !in.cipher->SetIv(iv))
                return false;
        }
        if (mac) {
            out.mac = CreateMac(*mac);
            in.mac = CreateMac(*mac);
            if (!out.mac || !in.mac || !out.mac->SetKey(macKey) || !in.mac->SetKey(macKey))
                return false;
        }
        if (compress) {
            out.compressor = CreateCompressor(*FindCompression("zlib"));
            in.decompressor = CreateDecompressor(*FindCompression("zlib"));
        }
        writer.Install(std::move(out));
        reader.Install(std::move(in));
        return true;
    }
};

// Reads exactly one packet from `wire`, which must be consumed whole.
PacketReader::Status ReadOne(PacketReader &reader, const Bytes &wire, Bytes &payload)
{
    std::size_t consumed = 0;
    const PacketReader::Status status = reader.Feed(wire, consumed, payload);
    if (status == PacketReader::Status::Packet)
        EXPECT_EQ(consumed, wire.size());
    return status;
}

TEST(Packet, ClearPacketLayout)
{
    PacketWriter writer;
    Bytes wire;
    ASSERT_TRUE(writer.Seal(FromHex("15"), wire));  // NEWKEYS
    // length 12 = padding byte, type, 10 padding bytes: 5 + 1 + 10 = 16, a multiple of 8.
    ASSERT_EQ(wire.size(), 16u);
    EXPECT_EQ(test::ToHex(Bytes(wire.begin(), wire.begin() + 6)), "0000000c0a15");
    EXPECT_EQ(writer.Sequence(), 1u);
}

// Every cipher with every MAC, with and without compression: sizes, padding and sequence numbers, and
// packets read back in one piece and byte by byte.
TEST(Packet, RoundTripsUnderEverySuite)
{
    std::vector<const SshCipher *> ciphers = {nullptr};
    for (const SshCipher &c : CipherTable())
        ciphers.push_back(&c);
    std::vector<const SshMac *> macs = {nullptr};
    for (const SshMac &m : MacTable(MacList::Normal))
        macs.push_back(&m);
    const std::vector<Bytes> payloads = {FromHex("05"), FromText("^a channel data payload"), Bytes(1000, 'z'),
                                         Bytes(32768, 'q')};
    for (const SshCipher *cipher : ciphers) {
        for (const SshMac *mac : macs) {
            for (bool compress : {false, true}) {
                const std::string name = std::string(cipher ? cipher->wireName : "none") + "/" +
                                         std::string(mac ? mac->wireName : "none") + (compress ? "/zlib" : "");
                Link link;
                ASSERT_TRUE(link.Key(cipher, mac, compress)) << name;
                const std::size_t block = link.writer.BlockSize();
                EXPECT_EQ(block, cipher ? std::max<std::size_t>(8, cipher->blockSize) : 8u) << name;
                for (std::size_t i = 0; i < payloads.size(); ++i) {
                    Bytes wire;
                    ASSERT_TRUE(link.writer.Seal(payloads[i], wire)) << name;
                    const std::size_t macBytes = mac ? mac->macBytes : 0;
                    EXPECT_EQ((wire.size() - macBytes) % block, 0u) << name;
                    Bytes payload;
                    if (i != 1) {
                        ASSERT_EQ(ReadOne(link.reader, wire, payload), PacketReader::Status::Packet) << name;
                    } else {
                        std::size_t consumed = 0;
                        for (std::size_t at = 0; at + 1 < wire.size(); ++at)
                            ASSERT_EQ(link.reader.Feed(ByteView(wire).subspan(at, 1), consumed, payload),
                                      PacketReader::Status::NeedMore) << name;
                        ASSERT_EQ(link.reader.Feed(ByteView(wire).last(1), consumed, payload), PacketReader::Status::Packet);
                    }
                    EXPECT_EQ(payload, payloads[i]) << name;
                    EXPECT_EQ(link.reader.LastSequence(), i) << name;
                    EXPECT_EQ(link.reader.LastWireLength(), wire.size() - macBytes) << name;
                }
            }
        }
    }
}

// Two packets in one chunk: the reader stops after the first, so keys can change between them.
TEST(Packet, StopsAtThePacketBoundary)
{
    PacketWriter writer;
    Bytes wire;
    ASSERT_TRUE(writer.Seal(FromHex("15"), wire));
    const std::size_t first = wire.size();
    ASSERT_TRUE(writer.Seal(FromText("^second"), wire));
    PacketReader reader;
    Bytes payload;
    std::size_t consumed = 0;
    ASSERT_EQ(reader.Feed(wire, consumed, payload), PacketReader::Status::Packet);
    EXPECT_EQ(consumed, first);
    EXPECT_EQ(payload, FromHex("15"));
    ASSERT_EQ(reader.Feed(ByteView(wire).subspan(consumed), consumed, payload), PacketReader::Status::Packet);
    EXPECT_EQ(consumed, wire.size());
    EXPECT_EQ(payload, FromText("^second"));
}

// A changed byte anywhere in a protected packet ends the stream with an error: never a wrong payload,
// never a wait for more data that will not come, never a resynchronisation.
TEST(Packet, AnyCorruptionEndsTheStream)
{
    for (const char *cipherName : {"aes128-ctr", "aes256-cbc", "3des-cbc", "arcfour128"}) {
        const Bytes sent = FromText("^protected payload of some length");
        Bytes wire;
        {
            Link link;
            ASSERT_TRUE(link.Key(FindCipher(cipherName), FindMac(MacList::Normal, "hmac-sha1-96"), false));
            ASSERT_TRUE(link.writer.Seal(sent, wire));
        }
        for (std::size_t at = 0; at < wire.size(); ++at) {
            Link link;
            ASSERT_TRUE(link.Key(FindCipher(cipherName), FindMac(MacList::Normal, "hmac-sha1-96"), false));
            Bytes packet = wire;
            packet[at] ^= 0x04;
            // The stream goes on after the packet, so a length that grew still finds its bytes.
            packet.resize(packet.size() + kMaxPacketLength + 100, 0);
            Bytes payload;
            std::size_t consumed = 0;
            SetErrorCode(0);
            EXPECT_EQ(link.reader.Feed(packet, consumed, payload), PacketReader::Status::Failed) << cipherName << " byte " << at;
            EXPECT_NE(GetErrorCode(), 0u);
            EXPECT_EQ(link.reader.Feed(packet, consumed, payload), PacketReader::Status::Failed);
        }
    }
}

// Headers that are wrong before any key exists.
TEST(Packet, RefusesBadHeaders)
{
    const struct {
        const char *name;
        std::string hex;
        ErrorNumberConstant error;
    } cases[] = {
        {"length 35001", "000088b90a", qsErrorInvalidPacketSize},
        {"length not block-aligned", "0000000d0a", qsErrorInvalidPacketSize},
        {"padding 3", "0000000c03", qsErrorInvalidPacketData},
        {"padding as long as the packet", "0000000c0c", qsErrorInvalidPacketData},
        {"no message type", "0000000c0b", qsErrorInvalidPacketData},
        {"top bit set", "800000040a", qsErrorInvalidPacketSize},
    };
    for (const auto &c : cases) {
        Bytes wire = FromHex(c.hex);
        wire.resize(16 + 64, 0x07);
        PacketReader reader;
        Bytes payload;
        std::size_t consumed = 0;
        SetErrorCode(0);
        EXPECT_EQ(reader.Feed(wire, consumed, payload), PacketReader::Status::Failed) << c.name;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(c.error)) << c.name;
    }
}

TEST(Packet, WriterRefusesOversizedPackets)
{
    PacketWriter writer;
    Bytes wire;
    SetErrorCode(0);
    EXPECT_FALSE(writer.Seal(Bytes(kMaxPacketLength, 'x'), wire));
    EXPECT_TRUE(wire.empty());
    EXPECT_EQ(writer.Sequence(), 0u);
    EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidPacketSize));
}

}  // namespace
}  // namespace qs::ssh
