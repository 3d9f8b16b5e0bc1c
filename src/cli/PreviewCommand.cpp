// fotra preview: runs an effect mode's dialog preview on one region of a
// photo, the preview box checked, and writes the whole `result` plane as the
// preview leaves it (the region holds the preview; outside it, whatever the
// preview's operations left there). The region is X,Y,W,H: first column X,
// first plane row Y counted from the picture's bottom row.
#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "dialog/PaneGeometry.h"
#include "dialog/PreviewPipelines.h"
#include "document/EffectPipelines.h"

namespace {

constexpr std::string_view kUsage =
    "preview --mode M --region X,Y,W,H [--strength S] [--effect E] [--precision P] [--target R,G,B] "
    "[--light R,G,B] IN -o OUT";
constexpr std::string_view kOptions[] = {"mode", "region", "strength", "effect", "precision", "target", "light", "o"};

int runPreview(std::span<const std::string> arguments)
{
    std::string problem;
    const std::optional<fotra::ParsedArguments> parsed = fotra::parseArguments(arguments, kOptions, problem);
    if (!parsed) {
        return fotra::usageProblem(problem);
    }
    const std::string* modeText = parsed->option("mode");
    const std::string* regionText = parsed->option("region");
    const std::string* output = parsed->option("o");
    if (modeText == nullptr || regionText == nullptr || output == nullptr || parsed->inputs.size() != 1) {
        return fotra::usageError(kUsage);
    }
    const std::optional<int> mode = fotra::parseMode(*modeText);
    if (!mode) {
        return fotra::usageProblem("unknown mode '" + *modeText + "' (fotra modes lists them)");
    }
    const std::optional<std::vector<int>> corners = fotra::parseIntegerList(*regionText, 4);
    if (!corners) {
        return fotra::usageProblem("--region needs X,Y,W,H, not '" + *regionText + "'");
    }
    const ModeSetup& setup = *findModeSetup(*mode);
    const std::optional<DialogChoices> choices = fotra::parseChoices(*parsed, setup, problem);
    if (!choices) {
        return fotra::usageProblem(problem);
    }
    const std::optional<int> format = fotra::outputFormat(*output, problem);
    if (!format) {
        return fotra::usageProblem(problem);
    }

    const std::string& input = parsed->inputs.front();
    COvImage2 image;
    if (!fotra::loadPhoto(image, input, problem)) {
        return fotra::fail(problem);
    }
    const PreviewRect region{(*corners)[0], (*corners)[1], (*corners)[2], (*corners)[3]};
    if (!rectangleInsidePhoto(region, image)) {
        return fotra::usageProblem("the region " + *regionText + " does not lie inside the " +
                                   std::to_string(image.width) + " x " + std::to_string(image.height) +
                                   " photo '" + input + "'");
    }
    try {
        runPreDialogStep(image, *mode);
        runPreviewPipeline(image, *mode, valuesAfterOk(setup, *choices), region, true);
    } catch (const std::bad_alloc&) {
        return fotra::fail("not enough memory to process the photo '" + input + "'");
    }
    if (!fotra::saveResult(image, *output, *format, problem)) {
        return fotra::fail(problem);
    }
    return fotra::kExitSuccess;
}

const fotra::CommandRegistration registerPreview{{"preview", kUsage, runPreview}};

} // namespace
