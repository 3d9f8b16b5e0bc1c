// The command table, filled by the CommandRegistration objects of the
// command files before main() runs, and the shared error reporting.
#include "cli/Commands.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>

#include "image/metadata/IccProfile.h"

namespace fotra {
namespace {

// A function-local table, so registrations in any file find it constructed.
std::vector<Command>& table()
{
    static std::vector<Command> commands;
    return commands;
}

bool quiet = false;
bool progressShown = false;

// A file name in a message is taken as its bytes, which need not be UTF-8:
// what a terminal cannot show (and control characters) is printed as '?'.
void printLine(std::string_view message)
{
    endProgressLine();
    std::cerr << "fotra: " << metadata::printableText(message, message.size()) << '\n';
}

int report(std::string_view message, int status)
{
    printLine(message);
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

void warn(std::string_view message)
{
    if (!quiet) {
        printLine("warning: " + std::string(message));
    }
}

void note(std::string_view message)
{
    if (!quiet) {
        printLine(message);
    }
}

void setQuiet(bool value)
{
    quiet = value;
}

bool isQuiet()
{
    return quiet;
}

void showProgressLine(std::string_view line)
{
    if (quiet || ::isatty(STDERR_FILENO) == 0) {
        return;
    }
    // Back to the line's start, the new text, the rest of the old one erased.
    std::cerr << "\rfotra: " << line << "\x1b[K" << std::flush;
    progressShown = true;
}

void endProgressLine()
{
    if (progressShown) {
        std::cerr << "\r\x1b[K" << std::flush;
        progressShown = false;
    }
}

} // namespace fotra
