// The host file: how its text is compacted, how it is found and loaded, and lookups in it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dns/resolver/dns_host_file.h"
#include "tests/dns/resolver_fixture.h"

namespace qs::test {
namespace {

std::vector<std::string> Compacted(std::string_view text, std::size_t *lines)
{
    std::vector<char> out(text.size() + 1);
    std::size_t length = 0;
    *lines = DnsCompactHostText(text, out.data(), &length);
    std::vector<std::string> stored;
    for (std::size_t at = 0; at < length; at += stored.back().size() + 1)
        stored.emplace_back(out.data() + at);
    return stored;
}

TEST(DnsCompactHostText, KeepsOneSpaceBetweenWordsAndDropsCommentsAndEmptyLines)
{
    struct Case {
        std::string text;
        std::vector<std::string> stored;
    } cases[] = {
        {"  \t127.0.0.1 \t  localhost    lh   # the local host\r\n", {"127.0.0.1 localhost lh"}},
        {"# only a comment\n\n \t \r\n10.0.0.1 a\n", {"10.0.0.1 a"}},
        {"10.0.0.1 a#b c\n10.0.0.2 d", {"10.0.0.1 a", "10.0.0.2 d"}},
        {std::string("10.0.0.1\0x\x01y\n", 14), {"10.0.0.1 x y"}},
        {"\xC3\xA9t\xC3\xA9 x\n", {"\xC3\xA9t\xC3\xA9 x"}},
        {"", {}},
    };
    for (const Case &c : cases) {
        std::size_t lines = 0;
        EXPECT_EQ(Compacted(c.text, &lines), c.stored) << c.text;
        EXPECT_EQ(lines, c.stored.size());
    }
}

class HostFileTest : public ResolverTest {
  protected:
    void SetUp() override
    {
        ResolverTest::SetUp();
        dir_ = std::filesystem::temp_directory_path() / ("qs-hostfile-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ / "hosts") << "# test hosts\n"
                                         "   10.1.2.3\t\tServer.Example   srv  # the server\n"
                                         "not-an-address name\n"
                                         "10.1.2.4\n"
                                         "0.0.0.0 zero\n"
                                         "10.1.2.5 other srv\n";
    }
    void TearDown() override
    {
        std::filesystem::remove_all(dir_);
        ResolverTest::TearDown();
    }
    std::filesystem::path dir_;
};

TEST_F(HostFileTest, EntriesAreFoundByNameAliasOrAddressBeforeAnyQuery)
{
    ASSERT_EQ(DnsLoadHostFile(handle_, (dir_ / "hosts").c_str()), 5);
    // No name server is set: every answer comes from the file.
    for (const char *name : {"server.example", "SERVER.EXAMPLE", "SRV", "10.1.2.3"}) {
        const DnsHostEntry *entry = DnsGetHostByName(handle_, name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_STREQ(entry->name, "Server.Example");
        EXPECT_EQ(Aliases(*entry), std::vector<std::string>{"srv"});
        EXPECT_EQ(Addresses(*entry), std::vector<std::string>{"10.1.2.3"});
        EXPECT_EQ(entry->addressType, 2);
        EXPECT_EQ(entry->addressLength, 4);
    }
    char text[64];
    EXPECT_EQ(DnsGetHostAddressText(handle_, "other", text, sizeof text), 8);
    EXPECT_STREQ(text, "10.1.2.5");
    // Lines without a usable address or without a name are no entries.
    for (const char *name : {"name", "zero", "not-an-address"}) {
        EXPECT_EQ(DnsGetHostByName(handle_, name), nullptr) << name;
        EXPECT_EQ(Error(), qsErrorHostNameRefused) << name;
    }
    EXPECT_EQ(DnsGetHostFilePath(handle_, text, 4), -1);
    EXPECT_EQ(Error(), qsErrorBufferTooSmall);
}

TEST_F(HostFileTest, LoadingReplacesUnloadingClearsAndFailuresSayWhy)
{
    char path[4096];
    ASSERT_EQ(DnsLoadHostFile(handle_, (dir_ / "hosts").c_str()), 5);
    EXPECT_EQ(DnsGetHostFilePath(handle_, path, sizeof path), static_cast<int>((dir_ / "hosts").string().size()));
    std::ofstream(dir_ / "second") << "10.9.9.9 second\n";
    ASSERT_EQ(DnsLoadHostFile(handle_, (dir_ / "second").c_str()), 1);
    EXPECT_EQ(DnsGetHostByName(handle_, "srv"), nullptr);
    EXPECT_NE(DnsGetHostByName(handle_, "second"), nullptr);

    EXPECT_EQ(DnsLoadHostFile(handle_, ""), 0);
    EXPECT_EQ(DnsGetHostFilePath(handle_, path, sizeof path), 0);
    EXPECT_EQ(DnsGetHostByName(handle_, "second"), nullptr);

    struct Failure {
        std::string name;
        std::uint32_t error;
    } failures[] = {
        {(dir_ / "missing").string(), qsErrorFileNotFound},
        {"qs-no-such-host-file", qsErrorFileNotFound},
        {dir_.string(), qsErrorAccessDenied},
    };
    for (const Failure &f : failures) {
        EXPECT_EQ(DnsLoadHostFile(handle_, f.name.c_str()), -1) << f.name;
        EXPECT_EQ(Error(), f.error) << f.name;
    }
    // A failed load still dropped what was loaded before.
    ASSERT_EQ(DnsLoadHostFile(handle_, (dir_ / "hosts").c_str()), 5);
    EXPECT_EQ(DnsLoadHostFile(handle_, (dir_ / "missing").c_str()), -1);
    EXPECT_EQ(DnsGetHostFilePath(handle_, path, sizeof path), 0);
}

TEST_F(HostFileTest, ANameWithoutASlashIsFoundInTheCurrentDirectory)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    const int loaded = DnsLoadHostFile(handle_, "hosts");
    std::filesystem::current_path(previous);
    ASSERT_EQ(loaded, 5);
    char path[4096];
    ASSERT_GT(DnsGetHostFilePath(handle_, path, sizeof path), 0);
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical(dir_ / "hosts"));
}

}  // namespace
}  // namespace qs::test
