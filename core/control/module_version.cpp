// Reading the version note back: the ELF header, its program headers, then the notes of each note
// segment, every length checked against what the image holds before it is used.
#include "core/control/module_version.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

namespace qs::control {
namespace {

constexpr std::size_t kElfHeaderSize = 64;
constexpr std::size_t kProgramHeaderSize = 56;
constexpr std::uint32_t kNoteSegment = 4;            // PT_NOTE
constexpr std::uint16_t kMaxProgramHeaders = 256;    // more is no module we built
constexpr std::uint64_t kMaxNoteSegmentBytes = 64 * 1024;
constexpr std::size_t kNoteHeaderSize = 12;

std::uint64_t Little(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= std::uint64_t{bytes[offset + i]} << (8 * i);
    return value;
}

constexpr std::uint64_t AlignNote(std::uint64_t size) { return (size + 3) & ~std::uint64_t{3}; }

// Walks the notes of one segment; each note's sizes are checked against what is left.
bool FindVersionNote(std::span<const std::uint8_t> notes, FileVersion *version)
{
    while (notes.size() >= kNoteHeaderSize) {
        const std::uint64_t ownerSize = Little(notes, 0, 4);
        const std::uint64_t dataSize = Little(notes, 4, 4);
        const std::uint64_t type = Little(notes, 8, 4);
        const std::uint64_t ownerSpan = AlignNote(ownerSize);
        const std::uint64_t dataSpan = AlignNote(dataSize);
        const std::uint64_t left = notes.size() - kNoteHeaderSize;
        if (ownerSpan > left || dataSpan > left - ownerSpan)
            return false;
        auto owner = notes.subspan(kNoteHeaderSize, ownerSize);
        auto data = notes.subspan(kNoteHeaderSize + ownerSpan, dataSize);
        if (type == kVersionNoteType && ownerSize == sizeof kVersionNoteOwner &&
            std::memcmp(owner.data(), kVersionNoteOwner, sizeof kVersionNoteOwner) == 0 &&
            dataSize == sizeof version->parts) {
            for (int i = 0; i < 4; ++i)
                version->parts[i] = static_cast<std::uint16_t>(Little(data, 2 * i, 2));
            return true;
        }
        notes = notes.subspan(kNoteHeaderSize + ownerSpan + dataSpan);
    }
    return false;
}

}  // namespace

bool ParseModuleVersion(const ImageReader &read, FileVersion *version)
{
    std::uint8_t header[kElfHeaderSize];
    if (!read(0, header, sizeof header))
        return false;
    std::span<const std::uint8_t> elf(header);
    // Magic, 64-bit class, little-endian data.
    if (std::memcmp(header, "\x7F" "ELF", 4) != 0 || header[4] != 2 || header[5] != 1)
        return false;
    const std::uint64_t tableOffset = Little(elf, 32, 8);
    const std::uint64_t entrySize = Little(elf, 54, 2);
    const std::uint64_t entries = Little(elf, 56, 2);
    if (entrySize < kProgramHeaderSize || entries > kMaxProgramHeaders)
        return false;
    for (std::uint64_t i = 0; i < entries; ++i) {
        std::uint8_t entry[kProgramHeaderSize];
        // At most 256 entries of at most 65535 bytes: the product cannot wrap.
        if (tableOffset > UINT64_MAX - i * entrySize || !read(tableOffset + i * entrySize, entry, sizeof entry))
            return false;
        std::span<const std::uint8_t> program(entry);
        if (Little(program, 0, 4) != kNoteSegment)
            continue;
        const std::uint64_t offset = Little(program, 8, 8);
        const std::uint64_t size = Little(program, 32, 8);
        if (size == 0 || size > kMaxNoteSegmentBytes)
            continue;
        std::vector<std::uint8_t> notes(size);
        if (!read(offset, notes.data(), notes.size()))
            return false;
        if (FindVersionNote(notes, version))
            return true;
    }
    return false;
}

bool ReadModuleFileVersion(const char *path, FileVersion *version)
{
    if (path == nullptr || *path == '\0')
        return false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    auto read = [fd](std::uint64_t offset, void *buffer, std::size_t size) {
        auto *bytes = static_cast<char *>(buffer);
        while (size > 0) {
            if (offset > static_cast<std::uint64_t>(INT64_MAX))
                return false;
            const ssize_t got = ::pread(fd, bytes, size, static_cast<off_t>(offset));
            if (got <= 0)
                return false;
            bytes += got;
            size -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    };
    const bool found = ParseModuleVersion(read, version);
    ::close(fd);
    return found;
}

std::string FormatFileVersion(const FileVersion &version)
{
    char text[32];
    std::snprintf(text, sizeof text, "%hu.%hu.%hu.%hu", version.parts[0], version.parts[1], version.parts[2],
                  version.parts[3]);
    return text;
}

}  // namespace qs::control
