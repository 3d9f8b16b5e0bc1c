// The luminance rank filter: each channel of the (2r + 1)^2 window around a
// pixel, clipped to the image, is ranked separately, and the pixel takes the
// element whose rank is proportional to its own luminance. Same bytes for any
// thread count and any image size.
#pragma once

#include "engine/ImagePlanes.h"
#include "engine/PlaneOps.h"

// Builder: reads `current`, writes every pixel of `scratch`. For a window of n
// samples the pixel takes rank trunc(Y x (n - 1) / 255) of each channel, Y its
// luminance. radius >= 1 (the modes pass 1 to 10; a smaller one copies
// `current`). Clears nothing.
void luminanceRankFilter(ImagePlanes& image, int radius);

// The same value for each pixel of `region` only; windows are clipped to the
// whole image, so pixels at the region's edges see pixels outside it.
void luminanceRankFilterPreview(ImagePlanes& image, const PreviewRect& region, int radius);
