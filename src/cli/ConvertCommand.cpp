// fotra convert IN OUT: reads IN as the program does and writes it to OUT in
// the format that OUT's extension names by the document's rule, with IN's
// metadata and colour profile. An existing OUT is replaced only by a
// complete new file.
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "cli/KeptMetadata.h"
#include "image/COvImage2.h"

namespace {

struct ConvertOptions {
    std::string input;
    std::string output;
};

int runConvert(const ConvertOptions& options)
{
    std::string problem;
    const std::optional<int> format = fotra::outputFormat(options.output, problem);
    if (!format) {
        return fotra::usageProblem(problem);
    }
    COvImage2 image;
    if (!fotra::loadPhoto(image, options.input, problem)) {
        return fotra::fail(problem);
    }
    const MetadataReadResult kept = fotra::readKeptMetadata(options.input);
    if (!image.saveToFile(options.output, *format)) {
        return fotra::fail("cannot write the photo '" + options.output + "'");
    }
    fotra::writeKeptMetadata(options.output, kept, image);
    return fotra::kExitSuccess;
}

fotra::CommandRun defineConvert(CLI::App& command)
{
    const auto options = std::make_shared<ConvertOptions>();
    command.add_option("IN", options->input, "The photo to read")->type_name("")->required();
    command.add_option("OUT", options->output, "The file to write: .jpg, .jpeg, .png, .tif or .tiff")
        ->type_name("")
        ->required();
    return [options] { return runConvert(*options); };
}

const fotra::CommandRegistration registerConvert{
    {"convert", "Write a photo in the format its new name's extension names", defineConvert}};

} // namespace
