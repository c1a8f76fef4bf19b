// A proxy's reply to CONNECT, fed in pieces whose sizes the first byte picks (so replies split at any
// point are covered): the reader never takes more than it is given nor more than its cap, and once it
// has opened the tunnel or failed it stays so.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "ssh/proxy/http_reply_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using qs::ssh::HttpReplyReader;
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] % 64 + 1;
    HttpReplyReader reader((data[0] & 0x80) != 0);
    qs::ssh::ByteView rest(data + 1, size - 1);
    HttpReplyReader::Result last = HttpReplyReader::Result::NeedMore;
    while (!rest.empty()) {
        const qs::ssh::ByteView in = rest.first(std::min(piece, rest.size()));
        std::size_t used = 0;
        const HttpReplyReader::Result result = reader.Feed(in, used);
        if (used > in.size() || reader.Taken() > qs::ssh::kMaxProxyReplyBytes)
            std::abort();
        if (last != HttpReplyReader::Result::NeedMore && (result != last || used != 0))
            std::abort();
        if (result == HttpReplyReader::Result::NeedMore && used != in.size())
            std::abort();
        if ((result == HttpReplyReader::Result::Failed) != (reader.Error() != 0))
            std::abort();
        last = result;
        rest = rest.subspan(in.size());
    }
    return 0;
}
