// The one executor of the catalogue's stages. Each real factor is formed
// left to right from the integer slider value, e.g. E/100 x 3 is
// double(E) / 100.0 * 3.0 and -E/100 x 0.9 negates the integer first, so that
// the bytes match the accepted run exactly. Over the whole photo a stage runs
// the full operation; over a region, its preview twin with the same
// arguments, so that a preview over the whole photo gives the accepted bytes.
#include "document/EffectPipelines.h"

#include <cstdint>

#include "effects/LuminanceRankFilter.h"
#include "effects/MedianFilters.h"
#include "effects/OperandPlanes.h"
#include "effects/WeightedCompose.h"
#include "engine/BrightDarkSharpen.h"
#include "engine/ComposeWithScratch.h"
#include "engine/GaussianBlur.h"
#include "engine/TriangleBlur.h"
#include "engine/UnsharpMask.h"

namespace {

double amountOf(const StageAmount& amount, int effectValue)
{
    if (amount.fixed) {
        return amount.factor;
    }
    const int signedValue = amount.negated ? -effectValue : effectValue;
    return static_cast<double>(signedValue) / 100.0 * amount.factor;
}

// 255 - component in 8 bits: the operand that tints toward the colour.
std::uint8_t complementByte(int component)
{
    return static_cast<std::uint8_t>(255 - static_cast<std::uint8_t>(component));
}

// A mean component (in 0..255) truncated toward zero and taken as a byte.
std::uint8_t meanByte(double mean) { return static_cast<std::uint8_t>(static_cast<int>(mean)); }

// One stage over the whole photo (region null) or over *region. The fixed
// filters' medians have no twin and the colour match mask has no full form;
// no stage list asks for them there.
void runStage(ImagePlanes& image, const Stage& stage, const EffectValues& values, const PreviewRect* region)
{
    const int s = values.strengthValue;
    const int e = values.effectValue;
    const int p = values.precisionValue;
    const double sigma = static_cast<double>(s);
    const int radius = stage.radius != 0 ? stage.radius : radiusFromStrength(s);
    const int divisor = stage.divisor != 0 ? stage.divisor : radius;
    const double amount = amountOf(stage.amount, e);
    const RgbColour& target = values.targetColour;
    const RgbColour& light = values.lightColour;
    const RealRgb targetRgb{static_cast<double>(target.red), static_cast<double>(target.green),
                            static_cast<double>(target.blue)};

    switch (stage.op) {
    case StageOp::gaussianBlur:
        if (region != nullptr) {
            gaussianBlurPreview(image, *region, sigma);
        } else {
            gaussianBlurRows(image, sigma);
            gaussianBlurColumns(image, sigma);
        }
        break;
    case StageOp::triangleBlur:
        if (region != nullptr) {
            triangleBlurPreview(image, *region, radius, divisor);
        } else {
            triangleBlurRows(image, radius, divisor);
            triangleBlurColumns(image, radius, divisor);
        }
        break;
    case StageOp::rankFilter:
        region != nullptr ? luminanceRankFilterPreview(image, *region, s) : luminanceRankFilter(image, s);
        break;
    case StageOp::greyToScratch:
        region != nullptr ? greyToScratchPreview(image, *region) : greyToScratch(image);
        break;
    case StageOp::invertToScratch:
        region != nullptr ? invertToScratchPreview(image, *region) : invertToScratch(image);
        break;
    case StageOp::fillLightComplement:
    case StageOp::fillMeanColour: {
        const bool mean = stage.op == StageOp::fillMeanColour;
        const std::uint8_t red = mean ? meanByte(image.meanRed) : complementByte(light.red);
        const std::uint8_t green = mean ? meanByte(image.meanGreen) : complementByte(light.green);
        const std::uint8_t blue = mean ? meanByte(image.meanBlue) : complementByte(light.blue);
        region != nullptr ? fillScratchPreview(image, *region, red, green, blue) : fillScratch(image, red, green, blue);
        break;
    }
    case StageOp::compose:
        region != nullptr ? composeWithScratchPreview(image, *region, amount) : composeWithScratch(image, amount);
        break;
    case StageOp::brightCompose:
        region != nullptr ? brightWeightedComposePreview(image, *region, amount) : brightWeightedCompose(image, amount);
        break;
    case StageOp::darkCompose:
        region != nullptr ? darkWeightedComposePreview(image, *region, amount) : darkWeightedCompose(image, amount);
        break;
    case StageOp::colourRange:
    case StageOp::scratchColourRange: {
        // The scratch form measures the blurred pixel and takes the precision in tenths.
        const bool scratch = stage.op == StageOp::scratchColourRange;
        const double precision = scratch ? static_cast<double>(p) / 10.0 : static_cast<double>(p);
        if (region != nullptr) {
            (scratch ? scratchColourRangeComposePreview : colourRangeComposePreview)(image, *region, amount,
                                                                                    precision, targetRgb);
        } else {
            (scratch ? scratchColourRangeCompose : colourRangeCompose)(image, amount, precision, targetRgb);
        }
        break;
    }
    case StageOp::unsharpMask:
        region != nullptr ? unsharpMaskPreview(image, *region, radius, amount) : unsharpMask(image, radius, amount);
        break;
    case StageOp::greyResult:
        region != nullptr ? greyResultPreview(image, *region) : greyResult(image);
        break;
    case StageOp::lightenScratch:
    case StageOp::darkenScratch: {
        const bool lighten = stage.op == StageOp::lightenScratch;
        region != nullptr ? lightenDarkenScratchPreview(image, *region, lighten) : lightenDarkenScratch(image, lighten);
        break;
    }
    case StageOp::brightSharpen:
        region != nullptr ? brightSharpenPreview(image, *region, radius, divisor) : brightSharpen(image, radius, divisor);
        break;
    case StageOp::darkSharpen:
        region != nullptr ? darkSharpenPreview(image, *region, radius, divisor) : darkSharpen(image, radius, divisor);
        break;
    case StageOp::colourMatchMask:
        if (region != nullptr) {
            colourMatchMaskPreview(image, *region, {sigma, static_cast<double>(e), static_cast<double>(p)},
                                   targetRgb);
        }
        break;
    case StageOp::weightedMedian:
        if (region == nullptr) {
            weightedMedianRows(image, radius, divisor);
            weightedMedianColumns(image, radius, divisor);
        }
        break;
    case StageOp::replaceOutliers:
        if (region == nullptr) {
            replaceOutlierPixels(image);
        }
        break;
    }
}

void runStages(ImagePlanes& image, std::span<const Stage> stages, const EffectValues& values,
               const PreviewRect* region)
{
    for (const Stage& stage : stages) {
        runStage(image, stage, values, region);
    }
}

} // namespace

bool hasPreDialogStep(int mode)
{
    const EffectCommand* entry = findEffectMode(mode);
    return entry != nullptr && entry->meanBeforeDialog;
}

void runPreDialogStep(ImagePlanes& image, int mode)
{
    if (hasPreDialogStep(mode)) {
        meanColour(image);
    }
}

void runEffectPipeline(ImagePlanes& image, int mode, const EffectValues& values)
{
    if (const EffectCommand* entry = findEffectMode(mode); entry != nullptr) {
        runStages(image, entry->run.list(), values, nullptr);
    }
}

void runFixedFilter(ImagePlanes& image, int commandId)
{
    if (const FixedFilterCommand* entry = findFixedFilter(commandId); entry != nullptr) {
        runStages(image, entry->run.list(), EffectValues{}, nullptr);
    }
}

void runStagesOnRegion(ImagePlanes& image, std::span<const Stage> stages, const EffectValues& values,
                       const PreviewRect& region)
{
    runStages(image, stages, values, &region);
}
