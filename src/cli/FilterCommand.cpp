// fotra filter: runs one of the three fixed filters without a dialog
// (sharpen 32776: triangle-blur sharpen, denoise 32788: outlier removal,
// edges 32790: median sharpen)
// over whole photos and writes each result by its output name's extension.
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "cli/PhotoJobs.h"
#include "document/EffectCatalogue.h"
#include "document/EffectPipelines.h"

namespace {

struct FilterOptions {
    std::string command;
    fotra::PhotoOptions photos;
};

int runFilter(const FilterOptions& options)
{
    const std::optional<std::vector<int>> number = fotra::parseIntegerList(options.command, 1);
    const int commandId = number ? number->front() : fixedFilterForName(options.command);
    if (!isFixedFilterCommand(commandId)) {
        return fotra::usageProblem("unknown filter '" + options.command + "' (fotra modes lists them)");
    }
    std::string problem;
    const std::optional<fotra::PhotoJobs> plan = fotra::planPhotoJobs(options.photos, problem);
    if (!plan) {
        return fotra::usageProblem(problem);
    }
    return fotra::runPhotoJobs(*plan, [commandId](COvImage2& image, const std::string&) {
        runFixedFilter(image, commandId);
        return fotra::kExitSuccess;
    });
}

fotra::CommandRun defineFilter(CLI::App& command)
{
    const auto options = std::make_shared<FilterOptions>();
    command.add_option("-c,--command", options->command, "The filter: its name or command id ('fotra modes' lists them)")
        ->type_name("FILTER")
        ->required();
    fotra::addPhotoOptions(command, options->photos, true);
    return [options] { return runFilter(*options); };
}

const fotra::CommandRegistration registerFilter{
    {"filter", "Run one of the three fixed filters over whole photos", defineFilter}};

} // namespace
