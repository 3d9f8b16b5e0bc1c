// fotra: the command-line tool over the program's image record and engine.
// CLI11 parses the whole command line first; only then is the image-file
// library loaded from the program's folder, one command run and the library
// released. Help and version go to stdout with status 0; errors go to stderr
// with the statuses of kExitStatusHelp. The environment variable
// FOTRA_KERNELS (avx512, avx2 or baseline) holds the engine to the kernels of
// one instruction set, so that a machine with AVX-512 also times those of one
// without; the bytes are the same on every target.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/HelpFormat.h"
#include "engine/KernelTargets.h"
#include "image/ik5/Ik5Loader.h"

namespace {

constexpr const char* kDescription =
    "fotra runs the effects of PEKARUN4FREE over photos from the command line, with the same bytes as the "
    "desktop program. 'fotra help COMMAND' or 'fotra COMMAND --help' describes one command.";

// The help of the tool, or of one command when `topic` names one.
int printHelp(const CLI::App& tool, const std::string& topic)
{
    if (topic.empty()) {
        std::cout << tool.help();
        return fotra::kExitSuccess;
    }
    for (const CLI::App* command : tool.get_subcommands({})) {
        if (command->get_name() == topic) {
            std::cout << command->help(tool.get_name());
            return fotra::kExitSuccess;
        }
    }
    return fotra::usageProblem("unknown command '" + topic + "' (fotra help lists the commands)");
}

// The command line as CLI11 reads it, with "-o=OUT" taken as "-o OUT" the
// way "--output=OUT" is (CLI11 would keep the "=" in the value). Arguments
// after "--" are photos and stay as they are.
std::vector<std::string> argumentsOf(int argc, char** argv)
{
    std::vector<std::string> arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        optionsEnded = optionsEnded || argument == "--";
        if (!optionsEnded && argument.size() > 2 && argument[0] == '-' && argument[1] != '-' && argument[2] == '=') {
            arguments.push_back(argument.substr(0, 2));
            arguments.push_back(argument.substr(3));
        } else {
            arguments.push_back(argument);
        }
    }
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App tool{kDescription, "fotra"};
    tool.formatter(std::make_shared<fotra::HelpFormatter>());
    tool.footer(std::string(fotra::kExitStatusHelp));
    tool.set_version_flag("--version", "fotra " FOTRA_VERSION, "Print the version and exit");
    tool.set_help_flag("-h,--help", "Print this help and exit");
    tool.require_subcommand(1);

    std::map<const CLI::App*, fotra::CommandRun> runs;
    for (const fotra::Command& command : fotra::registeredCommands()) {
        CLI::App* parser = tool.add_subcommand(std::string(command.name), std::string(command.summary));
        parser->set_help_flag("-h,--help", "Print this help and exit");
        parser->footer(std::string(fotra::kExitStatusHelp));
        runs[parser] = command.define(*parser);
    }
    std::string topic;
    CLI::App* help = tool.add_subcommand("help", "Print the help of fotra or of one command");
    help->add_option("COMMAND", topic, "The command to describe");

    std::vector<std::string> arguments = argumentsOf(argc, argv);
    if (arguments.empty()) {
        std::cerr << tool.help();
        return fotra::kExitUsage;
    }
    // CLI11 would first miss the command; the tool's own word is clearer.
    const std::string first = arguments.front();
    if (first.starts_with('-')) {
        if (first != "-h" && first != "--help" && first != "--version") {
            return fotra::usageProblem("unknown option '" + first + "' (fotra --help shows the usage)");
        }
    } else if (tool.get_subcommands([&](const CLI::App* c) { return c->get_name() == first; }).empty()) {
        return fotra::usageProblem("unknown command '" + first + "' (fotra help lists the commands)");
    }
    try {
        // CLI11 takes the arguments last first.
        std::reverse(arguments.begin(), arguments.end());
        tool.parse(arguments);
    } catch (const CLI::Success& done) {
        return tool.exit(done);
    } catch (const CLI::ParseError& error) {
        const std::vector<CLI::App*> parsed = tool.get_subcommands();
        const std::string where = parsed.empty() ? "fotra" : "fotra " + parsed.front()->get_name();
        return fotra::usageProblem(std::string(error.what()) + " (" + where + " --help shows the usage)");
    }

    const CLI::App* chosen = tool.get_subcommands().front();
    if (chosen == help) {
        return printHelp(tool, topic);
    }
    if (const char* kernels = std::getenv("FOTRA_KERNELS"); kernels != nullptr && *kernels != '\0') {
        const auto target = engine::supportedKernelTargetNamed(kernels);
        if (!target) {
            return fotra::usageProblem("FOTRA_KERNELS=" + std::string(kernels) +
                                       " names no kernel target this processor runs (avx512, avx2 or baseline)");
        }
        engine::setKernelTarget(*target);
    }
    const ik5::ScopedLibraries libraries;
    return runs.at(chosen)();
}
