// Every decoder over systematically truncated and corrupted copies of valid replies: no crash, no read
// outside the message (each copy lives in a heap block of exactly its size, so the sanitizers see one).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/dns/decode_all.h"
#include "tests/dns/message_builder.h"

namespace qs::test {
namespace {

std::vector<std::vector<std::uint8_t>> Replies()
{
    std::vector<std::vector<std::uint8_t>> replies;
    {
        MessageBuilder m;
        m.Question("alias.example.test", kDnsTypeA);
        m.Record("alias.example.test", kDnsTypeCNAME).Name("www.example.test");
        m.Record("www.example.test", kDnsTypeA).Bytes({127, 0, 0, 10});
        m.Record("www.example.test", kDnsTypeMX).U16(10).Name("mail.example.test");
        m.Record("www.example.test", kDnsTypeSOA).Name("ns1.example.test").Name("hostmaster.example.test");
        m.U32(1).U32(2).U32(3).U32(4).U32(5);
        replies.push_back(m.Build());
    }
    {
        MessageBuilder m(0x8580);
        m.Question("10.0.0.127.in-addr.arpa", kDnsTypePTR);
        m.Record("10.0.0.127.in-addr.arpa", kDnsTypePTR).Name("host.example.test");
        m.Record("example.test", kDnsTypeHINFO).String("x86-64").String("Linux");
        m.Record("example.test", kDnsTypeMINFO).Name("a.example.test").Name("b.example.test");
        m.Record("example.test", kDnsTypeWKS).Bytes({127, 0, 0, 10, 6, 0, 0, 0x04, 0x42});
        m.Record("example.test", kDnsTypeTXT).String("hello").String("world");
        m.Record("example.test", kDnsTypeUID).U32(1000);
        replies.push_back(m.Build());
    }
    return replies;
}

void Decode(const std::vector<std::uint8_t> &bytes, std::size_t length)
{
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[length == 0 ? 1 : length]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length), exact.get());
    DecodeEverything(std::span<const std::uint8_t>(exact.get(), length));
}

TEST(DnsFaultSweep, TruncatedRepliesAreRefusedNotOverread)
{
    for (const std::vector<std::uint8_t> &reply : Replies())
        for (std::size_t length = 0; length <= reply.size(); ++length)
            Decode(reply, length);
}

TEST(DnsFaultSweep, CorruptedOctetsAreRefusedNotOverread)
{
    // Values that turn a length octet into a pointer, a reserved form, a long label or the end of a name.
    const std::uint8_t values[] = {0x00, 0x3F, 0x40, 0xC0, 0xFF};
    for (std::vector<std::uint8_t> reply : Replies()) {
        for (std::size_t at = 0; at < reply.size(); ++at) {
            std::uint8_t kept = reply[at];
            for (std::uint8_t value : values) {
                reply[at] = value;
                Decode(reply, reply.size());
            }
            reply[at] = kept;
        }
    }
}

}  // namespace
}  // namespace qs::test
