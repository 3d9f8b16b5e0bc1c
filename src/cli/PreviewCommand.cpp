// fotra preview: runs an effect mode's dialog preview on one region of a
// photo, the preview box checked, and writes the whole `result` plane as the
// preview leaves it (the region holds the preview; outside it, whatever the
// preview's operations left there). The region is X,Y,W,H: first column X,
// first plane row Y counted from the picture's bottom row.
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "cli/PhotoJobs.h"
#include "dialog/PaneGeometry.h"
#include "dialog/PreviewPipelines.h"
#include "document/EffectPipelines.h"

namespace {

struct PreviewOptions {
    fotra::EffectOptions effect;
    std::string region;
    fotra::PhotoOptions photos;
};

int runPreview(const PreviewOptions& options)
{
    std::string problem;
    const std::optional<fotra::EffectRequest> request = fotra::resolveEffect(options.effect, problem);
    if (!request) {
        return fotra::usageProblem(problem);
    }
    const std::optional<std::vector<int>> corners = fotra::parseIntegerList(options.region, 4);
    if (!corners) {
        return fotra::usageProblem("--region needs X,Y,W,H, not '" + options.region + "'");
    }
    const std::optional<fotra::PhotoJobs> plan = fotra::planPhotoJobs(options.photos, problem);
    if (!plan) {
        return fotra::usageProblem(problem);
    }
    const int mode = request->setup->mode;
    const EffectValues values = valuesAfterOk(*request->setup, request->choices);
    const PreviewRect region{(*corners)[0], (*corners)[1], (*corners)[2], (*corners)[3]};
    return fotra::runPhotoJobs(*plan, [&](COvImage2& image, const std::string& name) {
        if (!rectangleInsidePhoto(region, image)) {
            return fotra::usageProblem("the region " + options.region + " does not lie inside " + name + " (" +
                                       std::to_string(image.width) + " x " + std::to_string(image.height) + ")");
        }
        runPreDialogStep(image, mode);
        runPreviewPipeline(image, mode, values, region, true);
        return fotra::kExitSuccess;
    });
}

fotra::CommandRun definePreview(CLI::App& command)
{
    const auto options = std::make_shared<PreviewOptions>();
    fotra::addEffectOptions(command, options->effect);
    command.add_option("-r,--region", options->region, "The preview region: first column X, first plane row Y "
                                                       "from the bottom, width W, height H")
        ->type_name("X,Y,W,H")
        ->required();
    fotra::addPhotoOptions(command, options->photos, false);
    return [options] { return runPreview(*options); };
}

const fotra::CommandRegistration registerPreview{
    {"preview", "Run an effect mode's dialog preview on one region of a photo", definePreview}};

} // namespace
