// The file version a module carries: an ELF note (owner "Quillstream", type 1) of four 16-bit parts, most
// significant first (6, 0, 6010, revision), placed by QS_MODULE_VERSION_NOTE in the module's sources and
// read back from the module's file, as the platform reads a file's version resource.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qs::control {

inline constexpr std::uint32_t kVersionNoteType = 1;       // NT_VERSION
inline constexpr char kVersionNoteOwner[12] = "Quillstream";

// The note as it lies in the file: the ELF note header, the owner padded to 4 bytes, the four parts.
struct VersionNote {
    std::uint32_t ownerSize;   // 12, the terminator included
    std::uint32_t dataSize;    // 8
    std::uint32_t type;        // kVersionNoteType
    char owner[12];
    std::uint16_t parts[4];
};
static_assert(sizeof(VersionNote) == 32);

struct FileVersion {
    std::uint16_t parts[4] = {};
};

// Reads `size` bytes at `offset` of a module image into `buffer`; false when the image is shorter.
using ImageReader = std::function<bool(std::uint64_t offset, void *buffer, std::size_t size)>;

// Finds the version note among the note segments of a 64-bit little-endian ELF image. False for an
// image that is no such ELF file, whose headers point outside it, or that carries no version note.
bool ParseModuleVersion(const ImageReader &read, FileVersion *version);
// The version of the module file at `path`.
bool ReadModuleFileVersion(const char *path, FileVersion *version);
// "%hu.%hu.%hu.%hu" of the parts, most significant first.
std::string FormatFileVersion(const FileVersion &version);

}  // namespace qs::control

// Places the version note in the module being built: QS_MODULE_VERSION_NOTE(major, minor, build,
// revision). Sanitizers must not pad the record, or the note segment would hold more than the note.
#define QS_MODULE_VERSION_NOTE(...)                                                                             \
    extern "C" __attribute__((section(".note.quillstream.version"), used, aligned(4),                          \
                              no_sanitize("address"))) const ::qs::control::VersionNote qs_module_version_note = { \
        12, 8, ::qs::control::kVersionNoteType, "Quillstream", {__VA_ARGS__}}
