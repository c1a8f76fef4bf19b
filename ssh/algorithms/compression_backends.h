// The zlib compressor and decompressor behind CreateCompressor / CreateDecompressor (internal).
#pragma once
#include <memory>

#include "ssh/algorithms/compression.h"

namespace qs::ssh {

std::unique_ptr<Compressor> CreateDeflateCompressor();
std::unique_ptr<Decompressor> CreateInflateDecompressor();

}  // namespace qs::ssh
