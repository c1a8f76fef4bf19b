// quill: the command-line host of the Quillstream controls.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/quill/command.h"

namespace quill {

static std::vector<Command> &Table()
{
    static std::vector<Command> table;
    return table;
}

bool RegisterCommand(const Command &command)
{
    Table().push_back(command);
    return true;
}

const std::vector<Command> &Commands() { return Table(); }

bool TakeOption(Args &args, const std::string &name, std::string *value)
{
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == name && it + 1 != args.end()) {
            *value = *(it + 1);
            args.erase(it, it + 2);
            return true;
        }
    }
    return false;
}

bool TakeFlag(Args &args, const std::string &name)
{
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

int Usage(const Command &command)
{
    std::fprintf(stderr, "usage: quill %s\n", command.usage);
    return 2;
}

}  // namespace quill

int main(int argc, char **argv)
{
    auto commands = quill::Commands();
    std::sort(commands.begin(), commands.end(),
              [](const quill::Command &a, const quill::Command &b) { return std::strcmp(a.name, b.name) < 0; });
    if (argc >= 2) {
        for (const auto &command : commands) {
            if (std::strcmp(command.name, argv[1]) == 0)
                return command.run(quill::Args(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "usage: quill COMMAND ...\n");
    for (const auto &command : commands)
        std::fprintf(stderr, "  quill %s\n", command.usage);
    return 2;
}
