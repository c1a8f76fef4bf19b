// Host names, addresses and services through the platform socket library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/socket_api.h"
#include "platform/base/registry.h"
#include "tests/core/test_library.h"

namespace qs::test {
namespace {

constexpr const char *kTransient = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Transient";
constexpr const char *kParameters = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(TestLibrary().LibraryInitialize(nullptr, nullptr), 1);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kParameters);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kParameters);
        TestLibrary().LibraryUninitialize();
    }
    static void SetDomain(const char *path, const char *domain)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Domain", 0, REG_SZ, reinterpret_cast<const BYTE *>(domain),
                       static_cast<DWORD>(std::strlen(domain) + 1));
        RegCloseKey(key);
    }
    static std::string BareName()
    {
        char name[kHostNameCap] = {};
        sock::gethostname(name, sizeof name);
        return name;
    }
};

std::string Dotted(std::uint32_t address, int size = kDottedAddressCap)
{
    char buffer[kDottedAddressCap] = {};
    FormatDottedAddress(address, buffer, size);
    return buffer;
}

TEST_F(HostTest, AddressesParseFormatAndResolve)
{
    EXPECT_EQ(Dotted(ParseHostAddress("0x0a.1")), "10.0.0.1");
    EXPECT_EQ(Dotted(ParseHostAddress("192.168.1.2"), 8), "192.168");
    for (const char *bad : {"", "1.2.3.256", "example"}) {
        EXPECT_EQ(ParseHostAddress(bad), kNoAddress) << bad;
        EXPECT_EQ(GetErrorCode(), 0x80042EE5u);
    }
    EXPECT_EQ(Dotted(ResolveHostAddress("localhost")), "127.0.0.1");
    EXPECT_EQ(ResolveHostAddress("no-such-host.invalid"), kNoAddress);
    EXPECT_EQ(GetErrorCode(), 0x80042AF9u);

    char name[64];
    EXPECT_GT(ResolveHostName(0x0100007F, name, sizeof name), 0);
    EXPECT_EQ(ResolveHostName(0, name, sizeof name), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042737u);
    EXPECT_EQ(ResolveHostName(0x0100007F, nullptr, 0), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
}

TEST_F(HostTest, ServicesByNumberAndName)
{
    struct Case {
        const char *text;
        int port;
        ErrorCode error;
    };
    const Case cases[] = {
        {"80", 80, 0},         {"echo", 7, 0},
        {"0", -1, 0x80042EE6}, {"70000", -1, 0x80042EE6},
        {"99999999999999999999", -1, 0x80042EE6},
        {"nosuchservice", -1, 0x80042EE7},
        {"", -1, 0x8004271E},
    };
    for (const Case &c : cases) {
        SetErrorCode(0);
        EXPECT_EQ(ResolveServicePort(c.text), c.port) << c.text;
        EXPECT_EQ(GetErrorCode(), c.error) << c.text;
    }
    char service[32];
    EXPECT_EQ(GetServiceName(7, service, sizeof service), 1);
    EXPECT_STREQ(service, "echo");
    EXPECT_EQ(GetServiceName(0, service, sizeof service), 0);
    EXPECT_EQ(GetErrorCode(), 0x80042EE6u);
}

TEST_F(HostTest, LocalNameTakesTheFirstDomainThatIsSet)
{
    const std::string bare = BareName();
    if (bare.find('.') != std::string::npos)
        GTEST_SKIP() << "the host name already has a domain";
    char name[kHostNameCap + kDomainCap];
    EXPECT_EQ(GetLocalHostName(name, sizeof name), static_cast<int>(bare.size()));
    EXPECT_EQ(name, bare);

    SetDomain(kParameters, "example.test");
    GetLocalHostName(name, sizeof name);
    EXPECT_EQ(name, bare + ".example.test");

    // An empty value in the first location ends the search.
    SetDomain(kTransient, "");
    GetLocalHostName(name, sizeof name);
    EXPECT_EQ(name, bare);

    EXPECT_EQ(GetLocalHostName(name, 3), 2);
    EXPECT_EQ(GetLocalHostName(nullptr, 0), -1);
    EXPECT_EQ(GetErrorCode(), 0x8004271Eu);
}

TEST_F(HostTest, LocalEndpointOfTheHostAndOfABadHandle)
{
    std::uint32_t address = 0;
    int port = -1;
    EXPECT_EQ(GetLocalEndpoint(TestLibrary(), kNoHandle, &address, &port), 0);
    EXPECT_NE(address, kNoAddress);
    EXPECT_EQ(port, 0);
    EXPECT_EQ(GetLocalEndpoint(TestLibrary(), 5, &address, &port), -1);
    EXPECT_EQ(GetErrorCode(), 0x80042736u);
    EXPECT_EQ(address, kNoAddress);
}

}  // namespace
}  // namespace qs::test
