// fotra: the command-line tool over the program's image record and engine.
// It loads the image-file library from its own folder at start, runs one
// command and releases the library at exit. Errors go to stderr; the exit
// status is 0 on success, 1 when a photo fails, 2 for wrong usage.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "image/ik5/Ik5Loader.h"

namespace {

int printUsage(const std::vector<fotra::Command>& commands)
{
    std::cerr << "usage:\n";
    for (const fotra::Command& command : commands) {
        std::cerr << "  fotra " << command.usage << '\n';
    }
    return fotra::kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::vector<fotra::Command> commands = fotra::registeredCommands();
    if (arguments.empty()) {
        return printUsage(commands);
    }
    for (const fotra::Command& command : commands) {
        if (command.name == arguments.front()) {
            const ik5::ScopedLibraries libraries;
            return command.run(std::span(arguments).subspan(1));
        }
    }
    std::cerr << "fotra: unknown command '" << arguments.front() << "'\n";
    return printUsage(commands);
}
