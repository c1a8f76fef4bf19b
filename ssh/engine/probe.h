// The probe: connects to an SSH server (directly or through a proxy), completes the key exchange,
// requests the "ssh-userauth" service (and, given a user, logs in with the password) and disconnects,
// reporting what was negotiated. It runs blocking,
// driving the socket's waits itself; the socket library must have been started by the caller.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "ssh/engine/connection.h"
#include "ssh/engine/transport.h"
#include "ssh/proxy/proxy_config.h"

namespace qs::ssh {

struct ProbeOptions {
    std::string host;
    int port = 22;
    ProxyConfig proxy;
    TransportConfig transport;
    std::uint32_t timeoutMs = 30000;  // for the whole probe
    // Given a user name, the probe authenticates with the password after the service reply.
    std::string user, password;
    // After the service reply (or the login): this many bytes of IGNORE messages, then a message whose
    // answer ends the probe (before a login one the server does not know, answered with UNIMPLEMENTED;
    // after it a global request, answered with REQUEST_FAILURE). Exercises re-keying on either side's
    // data limit.
    std::size_t padBytes = 0;
    // After the login: a session channel as set up here (a command, or a shell with a terminal), `input`
    // written to it followed by an end of file, and everything the command prints collected until the
    // server closes the channel. The padding is not sent then.
    std::optional<SessionSetup> session;
    std::string input;
    bool keepOutput = true;  // false: the output is only counted
};

struct ProbeReport {
    std::string serverVersion;
    std::string kex, hostKey;
    std::string cipherOut, cipherIn, macOut, macIn, compressionOut, compressionIn;
    std::string fingerprint;
    std::string serviceReply;  // "SERVICE_ACCEPT ssh-userauth"
    std::string authentication;  // "USERAUTH_SUCCESS", or "DISCONNECT 13" and the like when it failed
    int keyExchanges = 0;      // completed, the first one included
    std::string serverDisconnect;  // "REASON text" of a DISCONNECT from the server, when one came
    std::string output;            // the session's standard output and error
    std::size_t outputBytes = 0;   // their count
    int exitCode = -1;             // the session's, once the connection has closed
};

// True when the service was accepted; false with the error stored (what is known so far is reported).
bool RunProbe(const ProbeOptions &options, ProbeReport &report);

}  // namespace qs::ssh
