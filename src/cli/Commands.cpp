// The command table, filled by the CommandRegistration objects of the
// command files before main() runs, and the shared error reporting.
#include "cli/Commands.h"

#include <algorithm>
#include <iostream>

namespace fotra {
namespace {

// A function-local table, so registrations in any file find it constructed.
std::vector<Command>& table()
{
    static std::vector<Command> commands;
    return commands;
}

} // namespace

CommandRegistration::CommandRegistration(const Command& command)
{
    table().push_back(command);
}

std::vector<Command> registeredCommands()
{
    std::vector<Command> commands = table();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    return commands;
}

int fail(std::string_view message)
{
    std::cerr << "fotra: " << message << '\n';
    return kExitFailure;
}

int usageError(std::string_view usage)
{
    std::cerr << "usage: fotra " << usage << '\n';
    return kExitUsage;
}

} // namespace fotra
