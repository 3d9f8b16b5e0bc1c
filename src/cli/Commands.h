// The command table of fotra. A command lives in a file of its own and adds
// itself to the table with one line at namespace scope, for example
//     const fotra::CommandRegistration registerInfo{{"info", "Print a photo's size and metadata", defineInfo}};
// Its define function declares the command's options and arguments on the
// command's CLI11 parser and returns the function that runs it once the whole
// command line has been parsed.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace fotra {

// Exit statuses of every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // a photo could not be read or written
inline constexpr int kExitUsage = 2;   // wrong arguments

// The exit statuses as every help text states them.
inline constexpr std::string_view kExitStatusHelp =
    "Exit status: 0 success, 1 a photo could not be read or written, 2 wrong usage.";

// Runs a parsed command and returns its exit status.
using CommandRun = std::function<int()>;
using CommandDefinition = CommandRun (*)(CLI::App& command);

struct Command {
    std::string_view name;
    std::string_view summary; // one line for the command list
    CommandDefinition define;
};

// Adds a command to the table during static initialisation.
struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

// Every registered command, ordered by name.
std::vector<Command> registeredCommands();

// Prints "fotra: message" to stderr and returns kExitFailure.
int fail(std::string_view message);
// Prints "fotra: message" to stderr and returns kExitUsage.
int usageProblem(std::string_view message);
// Prints "fotra: warning: message" to stderr unless quiet.
void warn(std::string_view message);
// Prints "fotra: message" to stderr unless quiet: a note on progress.
void note(std::string_view message);

// --quiet: only errors reach stderr.
void setQuiet(bool quiet);
bool isQuiet();

// On a terminal, one progress line on stderr that each call rewrites in
// place (and that any other message first clears); elsewhere nothing.
void showProgressLine(std::string_view line);
// Clears the progress line, if one is shown.
void endProgressLine();

} // namespace fotra
