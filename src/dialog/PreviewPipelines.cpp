// The preview pipelines of the 32 effect modes. Each calls the preview twins
// of the operations the accepted run calls, with the same arguments derived
// the same way, so a preview over the whole photo gives the accepted bytes.
// The one exception is mode 12, whose preview marks the colours its
// tolerance box selects instead of showing the effect.
#include "dialog/PreviewPipelines.h"

#include <cstdint>

#include "dialog/ModeSetup.h"
#include "dialog/PaneGeometry.h"
#include "document/EffectPipelines.h"
#include "effects/LuminanceRankFilter.h"
#include "effects/OperandPlanes.h"
#include "effects/WeightedCompose.h"
#include "engine/BrightDarkSharpen.h"
#include "engine/ComposeWithScratch.h"
#include "engine/GaussianBlur.h"
#include "engine/TriangleBlur.h"
#include "engine/UnsharpMask.h"

namespace {

// A slider position as a real fraction: the integer is converted, then
// divided by 100.0. Callers negate the integer first where the strength is
// negative, and multiply a factor afterwards, in that order.
double hundredths(int position) { return static_cast<double>(position) / 100.0; }

// 255 - component in 8 bits: the operand that tints toward the colour.
void fillComplement(ImagePlanes& image, RgbColour colour, const PreviewRect& region)
{
    fillScratchPreview(image, static_cast<std::uint8_t>(255 - colour.red),
                       static_cast<std::uint8_t>(255 - colour.green),
                       static_cast<std::uint8_t>(255 - colour.blue), region);
}

void colourRange(ImagePlanes& image, double strength, int precision, RgbColour target,
                 const PreviewRect& region)
{
    colourRangeComposePreview(image, strength, static_cast<double>(precision), static_cast<double>(target.red),
                              static_cast<double>(target.green), static_cast<double>(target.blue), region);
}

} // namespace

PreviewShows runPreviewPipeline(ImagePlanes& image, int mode, const EffectValues& sliders, PreviewRect region,
                                bool previewChecked)
{
    const ModeSetup* setup = findModeSetup(mode);
    if (setup == nullptr || !rectangleInsidePhoto(region, image)) {
        return PreviewShows::resultRegion;
    }
    if (isPreviewGated(*setup) && !previewChecked) {
        return PreviewShows::currentRegion;
    }

    const int s = sliders.strengthValue;
    const int e = sliders.effectValue;
    const int p = sliders.precisionValue;
    const RgbColour target = sliders.targetColour;
    const RgbColour light = lightColourAtPaint(mode, target, sliders.lightColour);
    const double sigma = static_cast<double>(s);
    const int radius = radiusFromStrength(s);

    switch (mode) {
    case 1:
        gaussianBlurPreview(image, region, sigma);
        composeWithScratchPreview(image, region, hundredths(e) * 3.0);
        break;
    case 2:
        triangleBlurPreview(image, region, radius, radius);
        composeWithScratchPreview(image, region, hundredths(e) * 3.0);
        break;
    case 3:
        greyToScratchPreview(image, region);
        composeWithScratchPreview(image, region, hundredths(e) * 3.0);
        break;
    case 4:
        gaussianBlurPreview(image, region, sigma);
        composeWithScratchPreview(image, region, hundredths(-e) * 0.9);
        break;
    case 5:
        luminanceRankFilterPreview(image, s, region);
        composeWithScratchPreview(image, region, hundredths(e) * 5.0);
        break;
    case 6:
        invertToScratchPreview(image, region);
        composeWithScratchPreview(image, region, hundredths(e));
        break;
    case 7:
        gaussianBlurPreview(image, region, sigma);
        composeWithScratchPreview(image, region, hundredths(e) * 3.0);
        greyResultPreview(image, region);
        break;
    case 8:
        triangleBlurPreview(image, region, radius, 1);
        unsharpMaskPreview(image, region, radius, hundredths(e) * 5.0);
        break;
    case 9:
        luminanceRankFilterPreview(image, s, region);
        composeWithScratchPreview(image, region, hundredths(-e));
        break;
    case 10:
        luminanceRankFilterPreview(image, s, region);
        colourRange(image, hundredths(-e), p, target, region);
        break;
    case 11:
        // The accepted run's strength, factor 0.9 included, so that the
        // preview shows what OK will apply.
        gaussianBlurPreview(image, region, sigma);
        colourRange(image, hundredths(-e) * 0.9, p, target, region);
        break;
    case 12:
        // Tolerance box around the target: sliders 1000, 1001, 1004 give
        // the red, green and blue tolerances.
        colourMatchMaskPreview(image, static_cast<double>(s), static_cast<double>(e), static_cast<double>(p),
                               static_cast<double>(target.red), static_cast<double>(target.green),
                               static_cast<double>(target.blue), region);
        break;
    case 13:
        greyToScratchPreview(image, region);
        colourRange(image, hundredths(e), p, target, region);
        break;
    case 14:
        gaussianBlurPreview(image, region, sigma);
        colourRange(image, hundredths(e) * 3.0, p, target, region);
        break;
    case 15:
    case 16:
    case 17:
    case 19:
    case 26:
        fillComplement(image, light, region);
        composeWithScratchPreview(image, region, hundredths(e));
        break;
    case 18:
    case 20:
        fillComplement(image, light, region);
        brightWeightedComposePreview(image, hundredths(e), region);
        break;
    case 21:
        fillComplement(image, light, region);
        darkWeightedComposePreview(image, hundredths(e), region);
        break;
    case 22:
        invertToScratchPreview(image, region);
        brightWeightedComposePreview(image, hundredths(e), region);
        break;
    case 23:
        invertToScratchPreview(image, region);
        darkWeightedComposePreview(image, hundredths(e), region);
        break;
    case 24:
        greyToScratchPreview(image, region);
        brightWeightedComposePreview(image, hundredths(e) * 3.0, region);
        break;
    case 25:
        greyToScratchPreview(image, region);
        darkWeightedComposePreview(image, hundredths(e) * 3.0, region);
        break;
    case 27:
        // The means lie in 0..255; truncated toward zero, they fit a byte.
        fillScratchPreview(image, static_cast<std::uint8_t>(static_cast<int>(image.meanRed)),
                           static_cast<std::uint8_t>(static_cast<int>(image.meanGreen)),
                           static_cast<std::uint8_t>(static_cast<int>(image.meanBlue)), region);
        composeWithScratchPreview(image, region, hundredths(e));
        break;
    case 28:
        // Strength factor 3, as in the accepted run.
        brightSharpenPreview(image, region, radius, radius);
        composeWithScratchPreview(image, region, hundredths(e) * 3.0);
        break;
    case 29:
        darkSharpenPreview(image, region, radius, radius);
        composeWithScratchPreview(image, region, hundredths(e) * 3.0);
        break;
    case 30:
        fillComplement(image, light, region);
        colourRange(image, hundredths(e), p, target, region);
        break;
    case 31:
        gaussianBlurPreview(image, region, sigma);
        lightenDarkenScratchPreview(image, true, region);
        composeWithScratchPreview(image, region, hundredths(e) * 5.0);
        break;
    case 32:
        // Strength factor 5, as in the accepted run.
        gaussianBlurPreview(image, region, sigma);
        lightenDarkenScratchPreview(image, false, region);
        composeWithScratchPreview(image, region, hundredths(e) * 5.0);
        break;
    default:
        break;
    }
    return PreviewShows::resultRegion;
}
