// The version note of a module file: read from the real module and this program, and refused in every
// malformed image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/control/module_version.h"

namespace qs::control {
namespace {

// A minimal 64-bit little-endian ELF image: header, one note program header, then the notes.
struct Image {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(64 + 56, 0);

    Image()
    {
        std::memcpy(bytes.data(), "\x7F" "ELF\x02\x01\x01", 7);
        Put(32, 8, 64);   // program headers right after the header
        Put(54, 2, 56);
        Put(56, 2, 1);
        Put(64, 4, 4);    // PT_NOTE
        Put(64 + 8, 8, 120);
    }
    void Put(std::size_t offset, std::size_t width, std::uint64_t value)
    {
        for (std::size_t i = 0; i < width; ++i)
            bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void AddNote(std::uint32_t ownerSize, std::uint32_t dataSize, std::uint32_t type, const std::string &owner,
                 const std::vector<std::uint8_t> &data)
    {
        std::size_t at = bytes.size();
        bytes.resize(at + 12);
        Put(at, 4, ownerSize);
        Put(at + 4, 4, dataSize);
        Put(at + 8, 4, type);
        bytes.insert(bytes.end(), owner.begin(), owner.end());
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        bytes.insert(bytes.end(), data.begin(), data.end());
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        Put(64 + 32, 8, bytes.size() - 120);   // the segment's size
    }
    void AddVersion() { AddNote(12, 8, 1, std::string("Quillstream", 12), {6, 0, 0, 0, 0x7A, 0x17, 0x1E, 0x04}); }

    bool Parse(FileVersion *version) const
    {
        return ParseModuleVersion(
            [this](std::uint64_t offset, void *buffer, std::size_t size) {
                if (offset > bytes.size() || size > bytes.size() - offset)
                    return false;
                std::memcpy(buffer, bytes.data() + offset, size);
                return true;
            },
            version);
    }
};

TEST(ModuleVersion, ReadFromModuleFiles)
{
    FileVersion version;
    ASSERT_TRUE(ReadModuleFileVersion(QS_TIMECLIENT_MODULE, &version));
    EXPECT_EQ(FormatFileVersion(version).rfind("6.0.6010.", 0), 0u) << FormatFileVersion(version);
    ASSERT_TRUE(ReadModuleFileVersion("/proc/self/exe", &version));
    EXPECT_EQ(FormatFileVersion(version), "6.0.6010.1058");  // frame_test.cpp places it
    EXPECT_FALSE(ReadModuleFileVersion("/no/such/file", &version));
    EXPECT_FALSE(ReadModuleFileVersion("/etc/hostname", &version));
    EXPECT_FALSE(ReadModuleFileVersion("", &version));
}

TEST(ModuleVersion, FoundAmongOtherNotes)
{
    Image image;
    image.AddNote(4, 16, 3, "GNU", std::vector<std::uint8_t>(16, 0xAB));
    image.AddNote(12, 8, 2, std::string("Quillstream", 12), std::vector<std::uint8_t>(8, 1));  // another type
    image.AddVersion();
    FileVersion version;
    ASSERT_TRUE(image.Parse(&version));
    EXPECT_EQ(FormatFileVersion(version), "6.0.6010.1054");
}

TEST(ModuleVersion, MalformedImagesAreRefused)
{
    struct Case {
        const char *what;
        void (*spoil)(Image &);
    } cases[] = {
        {"no note", [](Image &) {}},
        {"wrong magic", [](Image &i) { i.bytes[1] = 'X'; }},
        {"32-bit class", [](Image &i) { i.bytes[4] = 1; }},
        {"big-endian", [](Image &i) { i.bytes[5] = 2; }},
        {"short header", [](Image &i) { i.bytes.resize(40); }},
        {"short program header entries", [](Image &i) { i.Put(54, 2, 32); }},
        {"too many program headers", [](Image &i) { i.Put(56, 2, 257); }},
        {"program headers past the end", [](Image &i) { i.Put(32, 8, 1u << 20); }},
        {"program header offset that wraps", [](Image &i) { i.Put(32, 8, ~std::uint64_t{0} - 10); }},
        {"segment past the end", [](Image &i) { i.Put(64 + 8, 8, 1u << 20); }},
        {"segment larger than the image", [](Image &i) { i.Put(64 + 32, 8, 4096); }},
        {"owner size past the segment", [](Image &i) { i.Put(120, 4, 0xFFFFFFFF); }},
        {"data size past the segment", [](Image &i) { i.Put(124, 4, 0xFFFFFFF0); }},
        {"wrong owner", [](Image &i) { i.bytes[132] = 'q'; }},
        {"wrong data size", [](Image &i) { i.Put(124, 4, 4); }},
        {"cut in the middle of the note", [](Image &i) { i.bytes.resize(i.bytes.size() - 4); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        if (std::strcmp(c.what, "no note") != 0)
            image.AddVersion();
        c.spoil(image);
        FileVersion version;
        EXPECT_FALSE(image.Parse(&version));
    }
}

}  // namespace
}  // namespace qs::control
