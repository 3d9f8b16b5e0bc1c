// Naive reference of the tone and colour effects, written straight from the
// pixel rules: one sequential loop per operation, windows gathered and fully
// sorted, sums in doubles in scan order. Shares no code with the production
// operations; the differential tests compare the two byte for byte.
#pragma once

#include <cstdint>

#include "engine/ImagePlanes.h"

namespace reference {

// A rectangle of columns x0..x0 + w - 1 and plane rows y0..y0 + h - 1.
struct Rect {
    int x0 = 0;
    int y0 = 0;
    int w = 0;
    int h = 0;
};

Rect whole(const ImagePlanes& image);

double luminance(int red, int green, int blue);
std::uint8_t byteRule(double value);

// The operand builders, over `rect` (the full form passes whole()).
void fillScratch(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue, Rect rect);
void invertToScratch(ImagePlanes& image, Rect rect);
void greyToScratch(ImagePlanes& image, Rect rect);
void greyResult(ImagePlanes& image, Rect rect);
void lightenDarkenScratch(ImagePlanes& image, bool lighten, Rect rect);
void meanColour(ImagePlanes& image);

// Weighted composes over `rect`, then all of `scratch` cleared.
void brightWeightedCompose(ImagePlanes& image, double strength, Rect rect);
void darkWeightedCompose(ImagePlanes& image, double strength, Rect rect);
void colourRangeCompose(ImagePlanes& image, double strength, double precision, double tR, double tG, double tB,
                        Rect rect);
void scratchColourRangeCompose(ImagePlanes& image, double strength, double precision, double tR, double tG,
                               double tB, Rect rect);
void colourMatchMask(ImagePlanes& image, double toR, double toG, double toB, double tR, double tG, double tB,
                     Rect rect);

// The rank filter over `rect`, windows clipped to the whole image.
void luminanceRankFilter(ImagePlanes& image, int radius, Rect rect);

// The weighted medians and the outlier replacement, whole image.
void weightedMedianRows(ImagePlanes& image, int radius, int step);
void weightedMedianColumns(ImagePlanes& image, int radius, int step);
void replaceOutlierPixels(ImagePlanes& image);

std::uint32_t sampleAverageColour(const ImagePlanes& image, int x0, int y0, int w, int h);

} // namespace reference
