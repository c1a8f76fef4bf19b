// What the resolver asks of the platform before it reads the system's settings.
#pragma once

namespace qs {

// True on a system of the NT family with major version 5 or later.
bool DnsPlatformSupported();

}  // namespace qs
