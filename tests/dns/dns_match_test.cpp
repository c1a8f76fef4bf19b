// Wildcard matching of hosts against mask lists.
#include <gtest/gtest.h>

#include "dns/resolver/dns_match.h"
#include "tests/dns/resolver_fixture.h"

namespace qs::test {
namespace {

TEST(DnsMatchMasks, FollowsTheWildcardRules)
{
    struct Case {
        const char *host;
        const char *masks;
        bool match;
    } cases[] = {
        {"www.example.com", "*.com", true},
        {"WWW.EXAMPLE.COM", "*.com", true},
        {"www.example.org", "*.com", false},
        {"www.example.com", ";*.com;", true},
        {"www.example.com", ";;", false},
        {"www.example.com", "*.org;*.net;*.COM", true},
        {"abc", "abc*", false},
        {"abcd", "abc*", true},
        {"abc", "a*c", true},
        {"abd", "a*c", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"192.168.1.20", "192.168.1.*", true},
        {"192.168.10.20", "192.168.1.*", false},
        {"a.b.c", "*.c", true},
        {"www.example.test", "*.example.test", true},
        {"a.b.example.test", "*.EXAMPLE.test", true},
        {"www.example.test", "*.other.test", false},
        {"example.test", "*.example.test", false},
        {"", "*", false},
        {"host", "", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DnsMatchMasks(c.host, c.masks), c.match) << c.host << " ~ " << c.masks;
}

TEST_F(ResolverTest, MatchHostWithoutResolvingUsesTheHostAsGiven)
{
    SetErrorCode(qsErrorInvalidParameter);
    EXPECT_EQ(DnsMatchHost(handle_, "mail.example.test", "*.invalid", false), 0);
    EXPECT_EQ(Error(), 0u);
    EXPECT_EQ(DnsMatchHost(handle_, "mail.example.test", "mail.*", false), 1);
    EXPECT_EQ(DnsMatchHost(handle_, "", "*", false), 0);
    EXPECT_EQ(DnsMatchHost(handle_, "host", nullptr, false), 0);
}

}  // namespace
}  // namespace qs::test
