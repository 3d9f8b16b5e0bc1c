// Operand builders that need no neighbourhood (flat colour, negative, grey,
// per-channel lighter or darker of a blur and the photo), the in-place grey of
// `result`, and the mean colour of the photo. Every pixel depends only on the
// same pixel of its inputs, so the bytes never depend on the thread count.
#pragma once

#include <cstdint>

#include "engine/ImagePlanes.h"
#include "engine/PlaneOps.h"

// Brightness of a pixel: (0.3 x R + 0.59 x G) + 0.11 x B in double precision,
// red and green terms added first. Lies in [0, 255]; a neutral (v, v, v)
// lands a hair below v for 67 of the 256 levels.
inline double luminance(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return (0.3 * red + 0.59 * green) + 0.11 * blue;
}

// Builder: every pixel of `scratch` becomes (red, green, blue). Row padding is
// left alone. The twin writes only the pixels of `region`.
void fillScratch(ImagePlanes& image, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
void fillScratchPreview(ImagePlanes& image, const PreviewRect& region, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue);

// Builder: each `scratch` channel becomes 255 minus the `current` channel.
// The twin writes only the pixels of `region`.
void invertToScratch(ImagePlanes& image);
void invertToScratchPreview(ImagePlanes& image, const PreviewRect& region);

// Builder: all three `scratch` channels become the luminance of the `current`
// pixel, stored by the byte rule. The twin writes only the pixels of `region`.
void greyToScratch(ImagePlanes& image);
void greyToScratchPreview(ImagePlanes& image, const PreviewRect& region);

// In place on `result`: each pixel becomes the grey of its own luminance.
// Reads and writes `result` only. The twin converts only the pixels of `region`.
void greyResult(ImagePlanes& image);
void greyResultPreview(ImagePlanes& image, const PreviewRect& region);

// Builder on a blurred `scratch`: with lighten set each `scratch` byte becomes
// the larger of itself and the `current` byte, with lighten clear the smaller.
// The twin changes only the pixels of `region`.
void lightenDarkenScratch(ImagePlanes& image, bool lighten);
void lightenDarkenScratchPreview(ImagePlanes& image, const PreviewRect& region, bool lighten);

// Sets meanRed, meanGreen and meanBlue to the mean of each channel of
// `current` (double division of exact sums; the same for any thread count).
// Writes no plane. An empty image gives 0.0 for all three.
void meanColour(ImagePlanes& image);
