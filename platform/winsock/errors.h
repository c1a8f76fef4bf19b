// The library's error numbers: the platform's 10000 range, kept per thread.
#pragma once

namespace qsws {

void SetLastWsaError(int number);
int LastWsaError();

// errno -> the platform's number. Unknown values give 10050 (the subsystem failed in a way it cannot name).
int WsaFromErrno(int err);
// A getaddrinfo/getnameinfo result (EAI_*) -> 11001..11004 or a 10000-range number.
int WsaFromAddrInfo(int eai, int err);

// Store the number for `err` (or `number`) and return the failure value, for one-line error returns.
int FailErrno(int err);
int Fail(int number);

}  // namespace qsws
