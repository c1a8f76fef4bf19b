// A started resolver library with one session of the calling thread, for the resolver tests. The
// session starts without name servers (discovery is pointed at a file that does not exist, so no test
// ever asks the machine's own name servers) and with an empty local domain.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "dns/resolver/dns_resolver.h"

namespace qs::test {

inline constexpr char kNoResolverConfig[] = "/nonexistent/quillstream-test/resolv.conf";

class ResolverTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        setenv("QS_RESOLV_CONF", kNoResolverConfig, 1);
        ASSERT_EQ(DnsLibrary().LibraryInitialize(nullptr, nullptr), 1);
        handle_ = DnsCreateSession(2, 1, 0);
        ASSERT_NE(handle_, kNoHandle);
        // Whatever domain the registry holds (a test writes one), names are searched without it.
        ASSERT_EQ(DnsSetLocalDomain(handle_, ""), 0);
    }
    void TearDown() override
    {
        DnsFreeSession(handle_);
        DnsLibrary().LibraryUninitialize();
    }
    void UseServer(int slot, const char *address, int port)
    {
        ASSERT_EQ(DnsSetNameServer(handle_, slot, address, port), 0) << address;
    }
    static std::uint32_t Error() { return ErrorNumber(GetErrorCode()); }

    ClientHandle handle_ = kNoHandle;
};

inline std::string DottedText(std::uint32_t address)
{
    char text[kDottedAddressCap];
    FormatDottedAddress(address, text, sizeof text);
    return text;
}

inline std::vector<std::string> Addresses(const DnsHostEntry &entry)
{
    std::vector<std::string> out;
    for (const std::uint8_t *const *a = entry.addresses; *a != nullptr; ++a) {
        std::uint32_t value = 0;
        std::memcpy(&value, *a, sizeof value);
        out.push_back(DottedText(value));
    }
    return out;
}

inline std::vector<std::string> Aliases(const DnsHostEntry &entry)
{
    std::vector<std::string> out;
    for (const char *const *alias = entry.aliases; *alias != nullptr; ++alias)
        out.push_back(*alias);
    return out;
}

// The text DnsFormatRecord gives, or "error N".
inline std::string RecordText(ClientHandle handle, const char *name, int type)
{
    char text[1024];
    int length = DnsFormatRecord(handle, name, type, text, sizeof text);
    if (length < 0)
        return "error " + std::to_string(ErrorNumber(GetErrorCode()));
    return std::string(text, static_cast<std::size_t>(length));
}

}  // namespace qs::test
