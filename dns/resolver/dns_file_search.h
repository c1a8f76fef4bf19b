// Finding a file by name along the file search path.
#pragma once
#include <cstddef>

namespace qs {

// A name holding a '/' is taken as a path. Any other name is looked for in the program's directory, the
// current directory, /etc, then each directory of $PATH. On success the file's full path is in `path`
// (`capacity` octets). Fails with qsErrorFileNotFound.
bool DnsSearchFile(const char *name, char *path, std::size_t capacity);

}  // namespace qs
