// The record a protocol library's initialisation fills for its caller.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/winsock/ws2.h"

namespace qs {

inline constexpr std::uint32_t kLibraryMajorVersion = 6;
inline constexpr std::uint32_t kLibraryMinorVersion = 0;
inline constexpr std::uint32_t kLibraryBuild = 6010;
inline constexpr std::size_t kLibraryDescriptionCap = 132;   // characters, terminating zero included

// Option bits of LibraryInfo::options: bind and start the socket library (an options word of 0 does too).
inline constexpr std::uint32_t kOptionStartNetwork = 0x20000000;

// Layout on our 64-bit build (the 32-bit platform record is 160 bytes, with a 4-byte pointer):
//   offset   0  size          32-bit, in: must equal sizeof(LibraryInfo) (168), out: unchanged
//   offset   4  majorVersion  32-bit, out 6
//   offset   8  minorVersion  32-bit, out 0
//   offset  12  build         32-bit, out 6010
//   offset  16  options       32-bit, in: option bits, out 0
//   offset  20  reserved      32-bit, out 0
//   offset  24  socketData    pointer (8 bytes), out: the socket library's start-up record, or null
//   offset  32  description   132 characters, zero-terminated, out: the library's description
//   offset 164  4 bytes of padding to the pointer alignment
struct LibraryInfo {
    std::uint32_t size;
    std::uint32_t majorVersion;
    std::uint32_t minorVersion;
    std::uint32_t build;
    std::uint32_t options;
    std::uint32_t reserved;
    ws::WSADATA *socketData;
    char description[kLibraryDescriptionCap];
};
static_assert(sizeof(LibraryInfo) == 168);
static_assert(offsetof(LibraryInfo, socketData) == 24 && offsetof(LibraryInfo, description) == 32);

}  // namespace qs
