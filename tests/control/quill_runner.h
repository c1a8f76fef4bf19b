// Runs the quill program (QS_QUILL_PROGRAM) with a registry of its own, so the first `do` registers the
// lib folder's modules, and gives back what it printed (standard output and error) and its exit status.
// Its standard input is empty, so a command that reads it ends at once.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace qs::test {

struct QuillOutcome {
    std::string output;
    int status = -1;
};

inline std::string ShellQuote(const std::string &arg)
{
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// `environment` is "NAME=value ..." added to the program's environment.
inline QuillOutcome RunQuillProgram(const std::string &registry, const std::vector<std::string> &args,
                                    const std::string &environment = "")
{
    std::string command = "env QS_REGISTRY=" + ShellQuote(registry) + " " + environment + " " +
                          ShellQuote(QS_QUILL_PROGRAM);
    for (const std::string &arg : args)
        command += " " + ShellQuote(arg);
    QuillOutcome run;
    std::FILE *pipe = popen((command + " </dev/null 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace qs::test
