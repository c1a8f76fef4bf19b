// Dotted IPv4 texts.
#include <gtest/gtest.h>

#include "core/net/dotted_address.h"

namespace qs {
namespace {

struct Case {
    const char *text;
    std::uint32_t address;   // host order; 0xFFFFFFFF for a refused text
};

constexpr std::uint32_t kRefused = 0xFFFFFFFFu;

const Case kCases[] = {
    {"192.168.1.2", 0xC0A80102},
    {"0x7f.1", 0x7F000001},
    {"0X7F.0xA.0Xb.0xFf", 0x7F0A0BFF},
    {"10.1", 0x0A000001},
    {"10.1.2", 0x0A010002},
    {"1.0xFFFFFF", 0x01FFFFFF},
    {"3232235777", 0xC0A80101},
    {"010.0.0.1", 0x0A000001},   // no octal form
    {"1.2.3.4 and more", 0x01020304},
    {"1.2.3.4\t", 0x01020304},
    {"1.2.3.4\r\n", 0x01020304},
    {"1:2:3:4", 0x01020304},
    {"", 0},
    {"1.2.3.256", kRefused},
    {"256.1.2.3", kRefused},
    {"1.2.3.4.5", kRefused},
    {"1.2.3.4x", kRefused},
    {"1.0x1000000", kRefused},
    {"1.2.0x10000", kRefused},
    {"host.example", kRefused},
    // A part past 32 bits is refused instead of wrapping into a valid-looking address.
    {"4294967297", kRefused},
    {"0x100000001", kRefused},
    {"1.99999999999999999999", kRefused},
    {"4294967295", kRefused},   // all bits set cannot be told from the failure value
};

class DottedAddressTest : public ::testing::TestWithParam<Case> {};

TEST_P(DottedAddressTest, Parses)
{
    const Case &c = GetParam();
    std::uint32_t expected = c.address == kRefused ? kRefused : __builtin_bswap32(c.address);
    EXPECT_EQ(ParseDottedAddress(c.text), expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, DottedAddressTest, ::testing::ValuesIn(kCases));

TEST(DottedAddress, NullTextIsRefused) { EXPECT_EQ(ParseDottedAddress(nullptr), kRefused); }

}  // namespace
}  // namespace qs
