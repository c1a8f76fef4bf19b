// quill demo: starts the local test servers (unless they already run) and drives every component built
// so far against them, printing what each does. It is the main job's script run with this quill and
// without the set-up steps (scripts/demo.sh does those when run by itself).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "tools/quill/command.h"

namespace {

constexpr const char kUsage[] = "demo";

int RunDemo(const quill::Args &args)
{
    if (!args.empty())
        return quill::Usage({"demo", kUsage, RunDemo});
    char self[PATH_MAX] = "";
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        std::fprintf(stderr, "quill demo: cannot find this program: %s\n", std::strerror(errno));
        return 1;
    }
    self[n] = '\0';
    const std::string script = std::string(QS_SOURCE_DIR) + "/scripts/demo.sh";
    setenv("QS_QUILL", self, 1);
    setenv("QS_DEMO_NO_BUILD", "1", 1);
    execlp("bash", "bash", script.c_str(), static_cast<char *>(nullptr));
    std::fprintf(stderr, "quill demo: cannot run %s: %s\n", script.c_str(), std::strerror(errno));
    return 1;
}

}  // namespace

QUILL_COMMAND(demo, kUsage, RunDemo);
