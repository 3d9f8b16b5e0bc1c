// fotra convert IN OUT: reads IN as the program does and writes it to OUT in
// the format that OUT's extension (or --format) names by the document's
// rule, with IN's metadata and colour profile. Either may be "-", a standard
// stream. An existing OUT is replaced only by a complete new file.
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/PhotoJobs.h"

namespace {

struct ConvertOptions {
    std::string input;
    fotra::PhotoOptions photos; // the output and its format
};

int runConvert(ConvertOptions& options)
{
    options.photos.inputs = {options.input};
    std::string problem;
    const std::optional<fotra::PhotoJobs> plan = fotra::planPhotoJobs(options.photos, problem);
    if (!plan) {
        return fotra::usageProblem(problem);
    }
    return fotra::runPhotoJobs(*plan, fotra::PhotoTransform{});
}

fotra::CommandRun defineConvert(CLI::App& command)
{
    const auto options = std::make_shared<ConvertOptions>();
    command.add_option("IN", options->input, "The photo to read; - reads standard input")
        ->type_name("")
        ->required();
    command.add_option("OUT", options->photos.output, "The file to write (.jpg, .jpeg, .png, .tif or .tiff); - writes "
                                               "standard output")
        ->type_name("")
        ->required();
    fotra::addOutputOptions(command, options->photos);
    return [options] { return runConvert(*options); };
}

const fotra::CommandRegistration registerConvert{
    {"convert", "Write a photo in the format its new name's extension names", defineConvert}};

} // namespace
