// A ServiceLink for the fuzz targets of the layers above the transport: it counts what they send and
// stops the run when anything is sent after they ended the connection.
#pragma once
#include <cstdlib>

#include "ssh/engine/service_link.h"

namespace qs::ssh::fuzz {

class CountingLink final : public ServiceLink {
public:
    bool Send(ByteView) override { return Sent(); }
    bool SendHidden(ByteView) override { return Sent(); }
    void Disconnect(std::uint32_t, std::string_view) override { closed = true; }
    bool Rekey() override { return Sent(); }
    bool closed = false;
    int sent = 0;

private:
    bool Sent()
    {
        if (closed)
            std::abort();
        ++sent;
        return true;
    }
};

}  // namespace qs::ssh::fuzz
