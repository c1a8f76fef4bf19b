#include <gtest/gtest.h>

#include "ssh/wire/name_list.h"
#include "ssh/wire/wire_reader.h"
#include "ssh/wire/wire_writer.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromHex;

TEST(WireReader, ReadsEachTypeAndFinishesAtTheEnd)
{
    const Bytes data =
        FromHex("07" "01020304" "01" "00000003616263" "00000002" "00ff" "0000000b" "6165733132382c6e6f6e65" "abcd");
    WireReader reader(data);
    std::uint8_t b;
    std::uint32_t u;
    bool flag;
    std::string_view text, names;
    ByteView number;
    ASSERT_TRUE(reader.U8(b));
    ASSERT_TRUE(reader.U32(u));
    ASSERT_TRUE(reader.Bool(flag));
    ASSERT_TRUE(reader.Text(text));
    EXPECT_FALSE(reader.Finish());
    ASSERT_TRUE(reader.Mpint(number));
    ASSERT_TRUE(reader.NameList(names));
    ByteView raw;
    EXPECT_FALSE(reader.Bytes(3, raw));
    ASSERT_TRUE(reader.Bytes(2, raw));
    EXPECT_EQ(b, 7);
    EXPECT_EQ(u, 0x01020304u);
    EXPECT_TRUE(flag);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(Bytes(number.begin(), number.end()), FromHex("ff"));  // the sign byte is not part of the value
    EXPECT_EQ(names, "aes128,none");
    EXPECT_EQ(Bytes(raw.begin(), raw.end()), FromHex("abcd"));
    EXPECT_TRUE(reader.Finish());
}

// Each input is malformed for the one getter applied to it; the cursor must not move.
TEST(WireReader, RefusesMalformedFieldsWithoutMoving)
{
    enum Kind { U32, String, Mpint, NameList };
    const struct {
        const char *name;
        Kind kind;
        std::string hex;
    } cases[] = {
        {"short uint32", U32, "010203"},
        {"string longer than the rest", String, "0000000561626364"},
        {"string length with the top bit set", String, "80000001" "61"},
        {"negative mpint", Mpint, "0000000180"},
        {"mpint above 16384 bits", Mpint, "00000802" + std::string(2 * 0x802, '1')},
        {"name-list with empty first name", NameList, "000000022c61"},
        {"name-list with empty last name", NameList, "00000002612c"},
        {"name-list with empty middle name", NameList, "00000004612c2c62"},
        {"name-list with a space", NameList, "000000036120 62"},
        {"name-list with a control byte", NameList, "000000026101"},
        {"name-list with a non-ASCII byte", NameList, "0000000261c3"},
    };
    for (const auto &c : cases) {
        std::string hex = c.hex;
        std::erase(hex, ' ');
        const Bytes data = FromHex(hex);
        WireReader reader(data);
        std::uint32_t u;
        ByteView bytes;
        std::string_view text;
        bool ok = true;
        switch (c.kind) {
        case U32: ok = reader.U32(u); break;
        case String: ok = reader.String(bytes); break;
        case Mpint: ok = reader.Mpint(bytes); break;
        case NameList: ok = reader.NameList(text); break;
        }
        EXPECT_FALSE(ok) << c.name;
        EXPECT_EQ(reader.Remaining(), data.size()) << c.name;
    }
}

TEST(WireReader, MpintDropsLeadingZeros)
{
    const Bytes data = FromHex("00000004" "00000102" "00000000");
    WireReader reader(data);
    ByteView value, zero;
    ASSERT_TRUE(reader.Mpint(value));
    ASSERT_TRUE(reader.Mpint(zero));
    EXPECT_EQ(Bytes(value.begin(), value.end()), FromHex("0102"));
    EXPECT_TRUE(zero.empty());
}

TEST(WireWriter, WritesMinimalMpints)
{
    const struct {
        std::string magnitude, wire;
    } cases[] = {
        {"", "00000000"},
        {"0000", "00000000"},
        {"7f", "000000017f"},
        {"80", "000000020080"},
        {"000102", "000000020102"},
        {"09a378f9b2e332a7", "0000000809a378f9b2e332a7"},
    };
    for (const auto &c : cases) {
        Bytes out;
        WireWriter writer(out, 64);
        EXPECT_TRUE(writer.Mpint(FromHex(c.magnitude)));
        EXPECT_EQ(test::ToHex(out), c.wire) << c.magnitude;
    }
}

TEST(WireWriter, StopsAtTheCapAndStaysFailed)
{
    Bytes out;
    WireWriter writer(out, 10);
    EXPECT_TRUE(writer.String(std::string_view("abc")));  // 7 bytes
    EXPECT_FALSE(writer.U32(1));                          // 11 > 10: nothing written
    EXPECT_EQ(out.size(), 7u);
    EXPECT_FALSE(writer.U8(1));  // would fit, but the message is already incomplete
    EXPECT_FALSE(writer.Ok());
    EXPECT_EQ(out.size(), 7u);
}

TEST(WireWriter, RoundTripsThroughTheReader)
{
    Bytes out;
    WireWriter writer(out, 1024);
    writer.U8(20);
    writer.Bool(false);
    writer.U32(0xDEADBEEF);
    writer.String(std::string_view("hmac-sha1,hmac-md5"));
    writer.Mpint(FromHex("80"));
    ASSERT_TRUE(writer.Ok());
    WireReader reader(out);
    std::uint8_t type;
    bool flag;
    std::uint32_t u;
    std::string_view names;
    ByteView number;
    ASSERT_TRUE(reader.U8(type) && reader.Bool(flag) && reader.U32(u) && reader.NameList(names) && reader.Mpint(number));
    EXPECT_TRUE(reader.Finish());
    EXPECT_EQ(u, 0xDEADBEEFu);
    EXPECT_EQ(names, "hmac-sha1,hmac-md5");
    EXPECT_EQ(Bytes(number.begin(), number.end()), FromHex("80"));
}

TEST(NameList, MatchesWholeItemsOnly)
{
    const std::string_view list = "aes128-ctr,aes128-cbc,3des-cbc";
    EXPECT_TRUE(NameListContains(list, "aes128-ctr"));
    EXPECT_TRUE(NameListContains(list, "aes128-cbc"));
    EXPECT_TRUE(NameListContains(list, "3des-cbc"));
    EXPECT_FALSE(NameListContains(list, "aes128"));
    EXPECT_FALSE(NameListContains(list, "des-cbc"));
    EXPECT_FALSE(NameListContains(list, "aes128-ctr,aes128-cbc"));
    EXPECT_FALSE(NameListContains("", ""));
    EXPECT_EQ(NameListFirst(list), "aes128-ctr");
    EXPECT_EQ(NameListFirst("zlib"), "zlib");
    EXPECT_EQ(NameListFirst(""), "");
}

}  // namespace
}  // namespace qs::ssh
