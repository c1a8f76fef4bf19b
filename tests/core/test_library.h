// A protocol library made from the session pattern for tests: sessions with one field of their own and
// a profile that changes nothing but the names.
#pragma once
#include <string>

#include "core/session/session_library.h"

namespace qs::test {

struct TestSession : ClientSession {
    std::string note;
};

inline constexpr SessionProfile kTestProfile{
    .description = "Quillstream Test Protocol Library",
    .serviceName = "echo",
    .defaultPort = 7,
};

inline SessionLibraryOf<TestSession> &TestLibrary()
{
    static SessionLibraryOf<TestSession> library(kTestProfile);
    return library;
}

}  // namespace qs::test
