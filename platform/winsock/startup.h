// Start-up and clean-up: a process-wide reference count, as the platform keeps it.
#pragma once
#include "platform/winsock/ws2.h"

namespace qsws {

int Startup(ws::WORD version, ws::WSADATA *data);
int Cleanup();
// False (with last error 10093) until WSAStartup has succeeded and after the last WSACleanup.
bool RequireStarted();

}  // namespace qsws
