// Subcommands of the quill host. Each lives in its own cmd_NAME.cpp and registers itself with
// QUILL_COMMAND; main() looks the first argument up in that table.
#pragma once
#include <string>
#include <vector>

namespace quill {

using Args = std::vector<std::string>;
// Returns the process exit status. args[0] is the subcommand's first argument.
using CommandFn = int (*)(const Args &args);

struct Command {
    const char *name;
    const char *usage;   // one line: "time HOST [--port N] [--timeout S]"
    CommandFn run;
};

bool RegisterCommand(const Command &command);
const std::vector<Command> &Commands();

// Option helpers: "--name VALUE" pairs after the positional arguments.
bool TakeOption(Args &args, const std::string &name, std::string *value);
bool TakeFlag(Args &args, const std::string &name);
int Usage(const Command &command);

}  // namespace quill

#define QUILL_COMMAND(id, usage, fn) \
    static const bool quill_registered_##id = ::quill::RegisterCommand({#id, usage, fn})
// For a subcommand whose name is not an identifier ("ssh-probe").
#define QUILL_COMMAND_NAMED(id, name, usage, fn) \
    static const bool quill_registered_##id = ::quill::RegisterCommand({name, usage, fn})
