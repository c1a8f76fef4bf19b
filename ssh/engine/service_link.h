// What the layers above the transport (user authentication, then the connection protocol) need from it:
// sending their messages and ending the connection. Kept as an interface so those layers can be driven
// without a server.
#pragma once
#include <cstdint>
#include <string_view>

#include "ssh/wire/wire_reader.h"

namespace qs::ssh {

class ServiceLink {
public:
    // A message (type byte on); held while keys change. False once the connection has failed.
    virtual bool Send(ByteView payload) = 0;
    // The same for a message carrying a password: random padding follows it so that the size on the wire
    // does not tell the password's length.
    virtual bool SendHidden(ByteView payload) = 0;
    // Sends DISCONNECT with the reason and text and ends the connection; with no text it just ends it.
    virtual void Disconnect(std::uint32_t reason, std::string_view message) = 0;
    // Starts a key exchange from this side unless one runs.
    virtual bool Rekey() = 0;

protected:
    ~ServiceLink() = default;
};

}  // namespace qs::ssh
