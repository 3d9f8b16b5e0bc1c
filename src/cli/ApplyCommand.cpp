// fotra apply: runs an effect mode over whole photos exactly as an accepted
// effect dialog with the given slider positions and sampled colour would,
// the dialog's start values standing for every value not given, and writes
// each result by its output name's extension with the photo's metadata.
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "cli/PhotoJobs.h"
#include "document/EffectPipelines.h"

namespace {

struct ApplyOptions {
    fotra::EffectOptions effect;
    fotra::PhotoOptions photos;
};

int runApply(const ApplyOptions& options)
{
    std::string problem;
    const std::optional<fotra::EffectRequest> request = fotra::resolveEffect(options.effect, problem);
    if (!request) {
        return fotra::usageProblem(problem);
    }
    const std::optional<fotra::PhotoJobs> plan = fotra::planPhotoJobs(options.photos, problem);
    if (!plan) {
        return fotra::usageProblem(problem);
    }
    const int mode = request->setup->mode;
    const EffectValues values = valuesAfterOk(*request->setup, request->choices);
    return fotra::runPhotoJobs(*plan, [&](COvImage2& image, const std::string&) {
        // Mode 27 takes the photo's mean colour before its dialog opens.
        runPreDialogStep(image, mode);
        runEffectPipeline(image, mode, values);
        return fotra::kExitSuccess;
    });
}

fotra::CommandRun defineApply(CLI::App& command)
{
    const auto options = std::make_shared<ApplyOptions>();
    fotra::addEffectOptions(command, options->effect);
    fotra::addPhotoOptions(command, options->photos, true);
    return [options] { return runApply(*options); };
}

const fotra::CommandRegistration registerApply{
    {"apply", "Run an effect mode over whole photos, as its accepted dialog would", defineApply}};

} // namespace
