// fotra filter: runs one of the three fixed filters without a dialog
// (32776 triangle-blur sharpen, 32788 outlier removal, 32790 median sharpen)
// over whole photos and writes each result by its output name's extension.
#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "document/CommandTable.h"
#include "document/EffectPipelines.h"

namespace {

constexpr std::string_view kUsage = "filter --command 32776|32788|32790 (IN -o OUT | IN... --out-dir DIR)";
constexpr std::string_view kOptions[] = {"command", "o", "out-dir"};

int runFilter(std::span<const std::string> arguments)
{
    std::string problem;
    const std::optional<fotra::ParsedArguments> parsed = fotra::parseArguments(arguments, kOptions, problem);
    if (!parsed) {
        return fotra::usageProblem(problem);
    }
    const std::string* commandText = parsed->option("command");
    if (commandText == nullptr) {
        return fotra::usageError(kUsage);
    }
    const std::optional<std::vector<int>> command = fotra::parseIntegerList(*commandText, 1);
    if (!command || !isFixedFilterCommand(command->front())) {
        return fotra::usageProblem("unknown filter command '" + *commandText + "' (32776, 32788 or 32790)");
    }
    const std::optional<fotra::PhotoJobs> plan = fotra::planPhotoJobs(*parsed, problem);
    if (!plan) {
        return fotra::usageProblem(problem);
    }
    const int commandId = command->front();
    return fotra::runPhotoJobs(*plan, [commandId](COvImage2& image) { runFixedFilter(image, commandId); });
}

const fotra::CommandRegistration registerFilter{{"filter", kUsage, runFilter}};

} // namespace
