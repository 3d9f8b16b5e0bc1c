// fotra apply: runs an effect mode over whole photos exactly as an accepted
// effect dialog with the given slider positions and sampled colour would,
// the dialog's start values standing for every value not given, and writes
// each result by its output name's extension with the photo's metadata.
#include "cli/Commands.h"
#include "cli/EffectArguments.h"
#include "document/EffectPipelines.h"

namespace {

constexpr std::string_view kUsage =
    "apply --mode M [--strength S] [--effect E] [--precision P] [--target R,G,B] [--light R,G,B] "
    "(IN -o OUT | IN... --out-dir DIR)";
constexpr std::string_view kOptions[] = {"mode", "strength", "effect", "precision", "target",
                                         "light", "o", "out-dir"};

int runApply(std::span<const std::string> arguments)
{
    std::string problem;
    const std::optional<fotra::ParsedArguments> parsed = fotra::parseArguments(arguments, kOptions, problem);
    if (!parsed) {
        return fotra::usageProblem(problem);
    }
    const std::string* modeText = parsed->option("mode");
    if (modeText == nullptr) {
        return fotra::usageError(kUsage);
    }
    const std::optional<int> mode = fotra::parseMode(*modeText);
    if (!mode) {
        return fotra::usageProblem("unknown mode '" + *modeText + "' (fotra modes lists them)");
    }
    const ModeSetup& setup = *findModeSetup(*mode);
    const std::optional<DialogChoices> choices = fotra::parseChoices(*parsed, setup, problem);
    if (!choices) {
        return fotra::usageProblem(problem);
    }
    const std::optional<fotra::PhotoJobs> plan = fotra::planPhotoJobs(*parsed, problem);
    if (!plan) {
        return fotra::usageProblem(problem);
    }

    const EffectValues values = valuesAfterOk(setup, *choices);
    return fotra::runPhotoJobs(*plan, [&](COvImage2& image) {
        // Mode 27 takes the photo's mean colour before its dialog opens.
        runPreDialogStep(image, *mode);
        runEffectPipeline(image, *mode, values);
    });
}

const fotra::CommandRegistration registerApply{{"apply", kUsage, runApply}};

} // namespace
