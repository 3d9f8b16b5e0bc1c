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

int report(std::string_view message, int status)
{
    std::cerr << "fotra: " << message << '\n';
    return status;
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
    return report(message, kExitFailure);
}

int usageProblem(std::string_view message)
{
    return report(message, kExitUsage);
}

} // namespace fotra
