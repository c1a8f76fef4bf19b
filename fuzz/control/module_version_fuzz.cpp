// The version note reader over an arbitrary file image.
#include <cstring>

#include "core/control/module_version.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size)
{
    qs::control::FileVersion version;
    qs::control::ParseModuleVersion(
        [&](std::uint64_t offset, void *buffer, std::size_t length) {
            if (offset > size || length > size - offset)
                return false;
            if (length != 0)
                std::memcpy(buffer, data + offset, length);
            return true;
        },
        &version);
    return 0;
}
