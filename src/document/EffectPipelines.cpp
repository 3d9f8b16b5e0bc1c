// The full-image pipelines of the 32 effect modes and the three fixed
// filters. Each real factor is formed left to right from the integer slider
// value, e.g. E/100 x 3 is double(E) / 100.0 * 3.0 and -E/100 x 0.9 negates
// the integer first, so that the bytes match the accepted run exactly.
#include "document/EffectPipelines.h"

#include <cstdint>

#include "document/CommandTable.h"
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

// E/100 x factor: the integer converted, divided by 100.0, then multiplied.
double percentTimes(int value, double factor) { return static_cast<double>(value) / 100.0 * factor; }
double percent(int value) { return static_cast<double>(value) / 100.0; }

// The complement of one light-colour component in 8-bit arithmetic.
std::uint8_t complementByte(int component)
{
    return static_cast<std::uint8_t>(255 - static_cast<std::uint8_t>(component));
}

void fillScratchWithLightComplement(ImagePlanes& image, const RgbColour& light)
{
    fillScratch(image, complementByte(light.red), complementByte(light.green), complementByte(light.blue));
}

void gaussianBlur(ImagePlanes& image, int strengthValue)
{
    const double sigma = static_cast<double>(strengthValue);
    gaussianBlurRows(image, sigma);
    gaussianBlurColumns(image, sigma);
}

void triangleBlur(ImagePlanes& image, int radius, int divisor)
{
    triangleBlurRows(image, radius, divisor);
    triangleBlurColumns(image, radius, divisor);
}

void colourRangeWith(ImagePlanes& image, double strength, double precision, const RgbColour& target)
{
    colourRangeCompose(image, strength, precision, static_cast<double>(target.red),
                       static_cast<double>(target.green), static_cast<double>(target.blue));
}

// A mean component truncated toward zero and taken as a byte.
std::uint8_t meanByte(double mean) { return static_cast<std::uint8_t>(static_cast<int>(mean)); }

} // namespace

bool hasPreDialogStep(int mode) { return mode == 27; }

void runPreDialogStep(ImagePlanes& image, int mode)
{
    if (hasPreDialogStep(mode)) {
        meanColour(image);
    }
}

void runEffectPipeline(ImagePlanes& image, int mode, const EffectValues& values)
{
    const int s = values.strengthValue;
    const int e = values.effectValue;
    const int p = values.precisionValue;
    const int r = radiusFromStrength(s);
    const RgbColour& target = values.targetColour;
    const RgbColour& light = values.lightColour;

    switch (mode) {
    case 1:
        gaussianBlur(image, s);
        composeWithScratch(image, percentTimes(e, 3.0));
        break;
    case 2:
        triangleBlur(image, r, r);
        composeWithScratch(image, percentTimes(e, 3.0));
        break;
    case 3:
        greyToScratch(image);
        composeWithScratch(image, percentTimes(e, 3.0));
        break;
    case 4:
        gaussianBlur(image, s);
        composeWithScratch(image, percentTimes(-e, 0.9));
        break;
    case 5:
        luminanceRankFilter(image, s);
        composeWithScratch(image, percentTimes(e, 5.0));
        break;
    case 6:
        invertToScratch(image);
        composeWithScratch(image, percent(e));
        break;
    case 7:
        gaussianBlur(image, s);
        composeWithScratch(image, percentTimes(e, 3.0));
        greyResult(image);
        break;
    case 8:
        triangleBlur(image, r, 1);
        unsharpMask(image, r, percentTimes(e, 5.0));
        break;
    case 9:
        luminanceRankFilter(image, s);
        composeWithScratch(image, percent(-e));
        break;
    case 10:
        luminanceRankFilter(image, s);
        colourRangeWith(image, percent(-e), static_cast<double>(p), target);
        break;
    case 11:
        gaussianBlur(image, s);
        colourRangeWith(image, percentTimes(-e, 0.9), static_cast<double>(p), target);
        break;
    case 12:
        triangleBlur(image, r, r);
        scratchColourRangeCompose(image, percentTimes(e, 3.0), static_cast<double>(p) / 10.0,
                                  static_cast<double>(target.red), static_cast<double>(target.green),
                                  static_cast<double>(target.blue));
        break;
    case 13:
        greyToScratch(image);
        colourRangeWith(image, percent(e), static_cast<double>(p), target);
        break;
    case 14:
        gaussianBlur(image, s);
        colourRangeWith(image, percentTimes(e, 3.0), static_cast<double>(p), target);
        break;
    case 15:
    case 16:
    case 17:
    case 19:
    case 26:
        fillScratchWithLightComplement(image, light);
        composeWithScratch(image, percent(e));
        break;
    case 18:
    case 20:
        fillScratchWithLightComplement(image, light);
        brightWeightedCompose(image, percent(e));
        break;
    case 21:
        fillScratchWithLightComplement(image, light);
        darkWeightedCompose(image, percent(e));
        break;
    case 22:
        invertToScratch(image);
        brightWeightedCompose(image, percent(e));
        break;
    case 23:
        invertToScratch(image);
        darkWeightedCompose(image, percent(e));
        break;
    case 24:
        greyToScratch(image);
        brightWeightedCompose(image, percentTimes(e, 3.0));
        break;
    case 25:
        greyToScratch(image);
        darkWeightedCompose(image, percentTimes(e, 3.0));
        break;
    case 27:
        fillScratch(image, meanByte(image.meanRed), meanByte(image.meanGreen), meanByte(image.meanBlue));
        composeWithScratch(image, percent(e));
        break;
    case 28:
        brightSharpen(image, r, r);
        composeWithScratch(image, percentTimes(e, 3.0));
        break;
    case 29:
        darkSharpen(image, r, r);
        composeWithScratch(image, percentTimes(e, 3.0));
        break;
    case 30:
        fillScratchWithLightComplement(image, light);
        colourRangeWith(image, percent(e), static_cast<double>(p), target);
        break;
    case 31:
        gaussianBlur(image, s);
        lightenDarkenScratch(image, true);
        composeWithScratch(image, percentTimes(e, 5.0));
        break;
    case 32:
        gaussianBlur(image, s);
        lightenDarkenScratch(image, false);
        composeWithScratch(image, percentTimes(e, 5.0));
        break;
    default:
        break;
    }
}

void runFixedFilter(ImagePlanes& image, int commandId)
{
    switch (commandId) {
    case CommandId::TriangleSharpenFilter:
        triangleBlur(image, 10, 10);
        composeWithScratch(image, 1.25);
        break;
    case CommandId::OutlierFilter:
        weightedMedianRows(image, 10, 10);
        weightedMedianColumns(image, 10, 10);
        replaceOutlierPixels(image);
        break;
    case CommandId::MedianSharpenFilter:
        weightedMedianRows(image, 5, 5);
        weightedMedianColumns(image, 5, 5);
        composeWithScratch(image, 1.5);
        break;
    default:
        break;
    }
}
