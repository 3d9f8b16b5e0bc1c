// The separable weighted median (along rows, then down columns) and the
// outlier replacement behind the filters without a dialog. The window of a
// pixel is the union with multiplicity of the runs p - r + k x b to
// p + r - k x b (k x b < r), clipped to the line; the pixel takes the lower
// middle sample of each channel. Same bytes for any thread count.
#pragma once

#include "engine/ImagePlanes.h"

// Builder: median of each pixel's row window of `current`, into `scratch`.
// radius >= 1, step >= 1 (the commands pass radius = step = 5 or 10); a
// smaller radius takes the pixel alone, a smaller step counts as 1.
void weightedMedianRows(ImagePlanes& image, int radius, int step);

// Median of each pixel's column window of `scratch`, into `result`; then the
// whole `result` plane is copied into `scratch` and `result` is cleared to 0.
void weightedMedianColumns(ImagePlanes& image, int radius, int step);

// Consuming: a `result` pixel becomes the `scratch` pixel (the median) where
// |R - R'| + |G - G'| + |B - B'| > 30, else the `current` pixel; then the
// whole `scratch` plane is cleared to 0.
void replaceOutlierPixels(ImagePlanes& image);
