#include "time/lib/time_library.h"

namespace qs {
namespace {

constexpr SessionProfile kTimeProfile{
    .description = "Quillstream Time Protocol Library",
    .serviceName = "time",
    .defaultPort = kTimePortDefault,
};

}  // namespace

SessionLibrary &TimeLibrary()
{
    static SessionLibraryOf<ClientSession> library(kTimeProfile);
    return library;
}

}  // namespace qs
