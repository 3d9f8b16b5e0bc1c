// The command table of fotra. A command lives in a file of its own and adds
// itself to the table with one line at namespace scope, for example
//     const fotra::CommandRegistration registerInfo{{"info", "info PHOTO", runInfo}};
// main() loads the image-file library, looks the first argument up and runs it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fotra {

// Exit statuses of every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // a photo could not be read or written
inline constexpr int kExitUsage = 2;   // wrong arguments

// A command gets the arguments after its name and returns an exit status.
using CommandFunction = int (*)(std::span<const std::string> arguments);

struct Command {
    std::string_view name;
    std::string_view usage; // the arguments, starting with the name: "info PHOTO"
    CommandFunction run;
};

// Adds a command to the table during static initialisation.
struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

// Every registered command, ordered by name.
std::vector<Command> registeredCommands();

// Prints "fotra: message" to stderr and returns kExitFailure.
int fail(std::string_view message);
// Prints "usage: fotra <usage>" to stderr and returns kExitUsage.
int usageError(std::string_view usage);

} // namespace fotra
