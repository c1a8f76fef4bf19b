// The probe: connects to an SSH server (directly or through a proxy), completes the key exchange,
// requests the "ssh-userauth" service and disconnects, reporting what was negotiated. It runs blocking,
// driving the socket's waits itself; the socket library must have been started by the caller.
#pragma once
#include <cstdint>
#include <string>

#include "ssh/engine/transport.h"
#include "ssh/proxy/proxy_config.h"

namespace qs::ssh {

struct ProbeOptions {
    std::string host;
    int port = 22;
    ProxyConfig proxy;
    TransportConfig transport;
    std::uint32_t timeoutMs = 30000;  // for the whole probe
    // After the service reply: this many bytes of IGNORE messages, then a message the server does not
    // know, whose UNIMPLEMENTED answer ends the probe. Exercises re-keying on either side's data limit.
    std::size_t padBytes = 0;
};

struct ProbeReport {
    std::string serverVersion;
    std::string kex, hostKey;
    std::string cipherOut, cipherIn, macOut, macIn, compressionOut, compressionIn;
    std::string fingerprint;
    std::string serviceReply;  // "SERVICE_ACCEPT ssh-userauth"
    int keyExchanges = 0;      // completed, the first one included
    std::string serverDisconnect;  // "REASON text" of a DISCONNECT from the server, when one came
};

// True when the service was accepted; false with the error stored (what is known so far is reported).
bool RunProbe(const ProbeOptions &options, ProbeReport &report);

}  // namespace qs::ssh
