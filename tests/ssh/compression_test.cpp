#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "core/error/last_error.h"
#include "ssh/algorithms/compression.h"
#include "ssh/algorithms/random.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromHex;
using test::FromText;
using test::ToHex;

const SshCompression &Zlib()
{
    return *FindCompression("zlib");
}

Bytes Compress(Compressor &compressor, const Bytes &in)
{
    Bytes out;
    EXPECT_EQ(compressor.Compress(in, out), CodecResult::Changed);
    return out;
}

// A zlib stream made by zlib itself: one packet per input, each ended with a sync flush.
std::vector<Bytes> ZlibPackets(const std::vector<Bytes> &inputs, int level)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit(&stream, level), Z_OK);
    std::vector<Bytes> packets;
    for (const Bytes &in : inputs) {
        Bytes out(deflateBound(&stream, in.size()) + 64);
        stream.next_in = const_cast<Bytef *>(in.data());
        stream.avail_in = static_cast<uInt>(in.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const int result = deflate(&stream, Z_SYNC_FLUSH);
        EXPECT_TRUE(result == Z_OK || (in.empty() && result == Z_BUF_ERROR)) << result;
        out.resize(out.size() - stream.avail_out);
        packets.push_back(out);
    }
    deflateEnd(&stream);
    return packets;
}

std::vector<Bytes> SamplePayloads()
{
    Bytes random(3000);
    EXPECT_TRUE(RandomFill(random));
    // Text without repeats of its own, so only the dictionary of earlier packets can shorten it.
    Bytes screen(2000);
    for (std::size_t i = 0; i < screen.size(); ++i)
        screen[i] = static_cast<std::uint8_t>('a' + random[i] % 26);
    return {FromText("a"), screen, random, Bytes(), screen, Bytes(40000, 'x'), FromText("ls\r")};
}

TEST(Compression, TableAndNone)
{
    ASSERT_EQ(CompressionTable().size(), 2u);
    EXPECT_EQ(CompressionTable()[0].wireName, "none");
    EXPECT_EQ(Zlib().displayName, "zlib");
    auto compressor = CreateCompressor(*FindCompression("none"));
    auto decompressor = CreateDecompressor(*FindCompression("none"));
    Bytes out;
    EXPECT_EQ(compressor->Compress(FromText("abc"), out), CodecResult::Unchanged);
    EXPECT_EQ(decompressor->Decompress(FromText("abc"), out), CodecResult::Unchanged);
    EXPECT_EQ(compressor->DisableCompression(), 0);
}

// The bits of "a": zlib header, fixed block header, literal 'a', end of block, the empty fixed block and
// the next block's header: 31 bits, so three bytes go out and seven bits wait.
TEST(Compression, FirstPacketLayout)
{
    auto compressor = CreateCompressor(Zlib());
    EXPECT_EQ(ToHex(Compress(*compressor, FromText("a"))), "789c4a0408");
    // The seven waiting bits (the next header among them) lead the next packet; no header again.
    const Bytes second = Compress(*compressor, FromText("a"));
    ASSERT_FALSE(second.empty());
    EXPECT_NE(second[0], 0x78);
}

// Every packet must decode completely on its own arrival: the peer sees each one before the next is sent.
TEST(Compression, EachPacketDecodesAsItArrives)
{
    auto compressor = CreateCompressor(Zlib());
    auto decompressor = CreateDecompressor(Zlib());
    const std::vector<Bytes> payloads = SamplePayloads();
    std::size_t screenSizes[2] = {};
    int screens = 0;
    for (const Bytes &payload : payloads) {
        const Bytes packet = Compress(*compressor, payload);
        Bytes out;
        ASSERT_EQ(decompressor->Decompress(packet, out), CodecResult::Changed);
        EXPECT_EQ(out, payload) << payload.size();
        if (payload == payloads[1])
            screenSizes[screens++] = packet.size();
    }
    // The dictionary runs on across packets: the repeated screen is nearly free the second time.
    ASSERT_EQ(screens, 2);
    EXPECT_LT(screenSizes[1], screenSizes[0] / 4);
}

// Disabling sends the next packet in stored blocks whose overhead is exactly the reported adjustment;
// compression resumes afterwards.
TEST(Compression, DisabledPacketHasTheAnnouncedSize)
{
    for (bool started : {false, true}) {
        auto compressor = CreateCompressor(Zlib());
        auto decompressor = CreateDecompressor(Zlib());
        Bytes out;
        for (int lead = 0; started && lead < 8; ++lead) {
            // Different bit counts left waiting before the stored packet.
            const Bytes packet = Compress(*compressor, FromText(std::string(static_cast<std::size_t>(lead + 1), 'q')));
            ASSERT_EQ(decompressor->Decompress(packet, out), CodecResult::Changed);
        }
        const Bytes secret = FromText("correct horse battery staple");
        const int adjustment = compressor->DisableCompression();
        if (!started)
            EXPECT_EQ(adjustment, 7);
        const Bytes stored = Compress(*compressor, secret);
        EXPECT_EQ(stored.size(), secret.size() + static_cast<std::size_t>(adjustment)) << started;
        ASSERT_EQ(decompressor->Decompress(stored, out), CodecResult::Changed);
        EXPECT_EQ(out, secret);
        const Bytes again = Compress(*compressor, secret);
        EXPECT_LT(again.size(), secret.size() / 2) << "compression should resume, with the stored data in the dictionary";
        ASSERT_EQ(decompressor->Decompress(again, out), CodecResult::Changed);
        EXPECT_EQ(out, secret);
    }
}

// zlib's own streams: stored (level 0) and dynamic (level 9) blocks, and a packet boundary at every byte.
TEST(Decompression, AcceptsEveryBlockTypeAndAnySplit)
{
    const std::vector<Bytes> inputs = SamplePayloads();
    for (int level : {0, 9}) {
        auto decompressor = CreateDecompressor(Zlib());
        const std::vector<Bytes> packets = ZlibPackets(inputs, level);
        for (std::size_t i = 0; i < packets.size(); ++i) {
            Bytes out;
            ASSERT_EQ(decompressor->Decompress(packets[i], out), CodecResult::Changed);
            EXPECT_EQ(out, inputs[i]) << "level " << level << " packet " << i;
        }
    }
    const Bytes whole = ZlibPackets({FromText("split anywhere, split anywhere, split anywhere")}, 6)[0];
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        auto decompressor = CreateDecompressor(Zlib());
        Bytes first, second;
        ASSERT_EQ(decompressor->Decompress(std::span(whole).first(cut), first), CodecResult::Changed) << cut;
        ASSERT_EQ(decompressor->Decompress(std::span(whole).subspan(cut), second), CodecResult::Changed) << cut;
        first.insert(first.end(), second.begin(), second.end());
        EXPECT_EQ(first, FromText("split anywhere, split anywhere, split anywhere"));
    }
}

TEST(Decompression, RefusesOversizedOutput)
{
    const struct {
        std::size_t size;
        CodecResult result;
    } cases[] = {
        {kMaxInflatedPayload, CodecResult::Changed},
        {kMaxInflatedPayload + 1, CodecResult::Failed},
        {16 * kMaxInflatedPayload, CodecResult::Failed},
    };
    for (const auto &c : cases) {
        auto decompressor = CreateDecompressor(Zlib());
        Bytes out;
        SetErrorCode(0);
        EXPECT_EQ(decompressor->Decompress(ZlibPackets({Bytes(c.size, 0)}, 9)[0], out), c.result) << c.size;
        if (c.result == CodecResult::Failed)
            EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorInvalidPacketSize));
        else
            EXPECT_EQ(out.size(), c.size);
    }
}

TEST(Decompression, MalformedDataFailsForGood)
{
    const struct {
        const char *name;
        std::string hex;
    } cases[] = {
        {"bad zlib header check", "7800"},
        {"reserved block type", "789c07"},
        {"stored length mismatch", "789c000500fbff"},
    };
    for (const auto &c : cases) {
        auto decompressor = CreateDecompressor(Zlib());
        Bytes out;
        SetErrorCode(0);
        EXPECT_EQ(decompressor->Decompress(FromHex(c.hex), out), CodecResult::Failed) << c.name;
        EXPECT_EQ(GetErrorCode(), MakeErrorCode(qsErrorDataNotDecoded)) << c.name;
        // The stream state is lost: later good-looking data must not be trusted.
        EXPECT_EQ(decompressor->Decompress(ZlibPackets({FromText("x")}, 6)[0], out), CodecResult::Failed) << c.name;
    }
    // Bytes after the end of the peer's stream.
    z_stream stream{};
    ASSERT_EQ(deflateInit(&stream, 6), Z_OK);
    Bytes finished(64);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>("end"));
    stream.avail_in = 3;
    stream.next_out = finished.data();
    stream.avail_out = 64;
    ASSERT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    finished.resize(64 - stream.avail_out);
    deflateEnd(&stream);
    finished.push_back(0x00);
    auto decompressor = CreateDecompressor(Zlib());
    Bytes out;
    EXPECT_EQ(decompressor->Decompress(finished, out), CodecResult::Failed);
}

}  // namespace
}  // namespace qs::ssh
