// Separable blur with integer Gaussian weights, built into `scratch` in two
// builder passes (rows, then columns) or by the preview twin on a rectangle.
// Edges are renormalised (taps outside the image are left out, the divisor is
// the sum of the weights used); the bytes do not depend on the thread count.
#pragma once

#include "engine/ImagePlanes.h"

// Row pass: blurs every row of `current` into `scratch` (pixel bytes only).
// sigma is the standard deviation in pixels (the effects pass 1 to 100); the
// window reaches trunc(3 x sigma) pixels to each side. A sigma that is not
// positive (no effect passes one) keeps only the centre tap: a copy.
void gaussianBlurRows(ImagePlanes& image, double sigma);

// Column pass: blurs every column of `scratch` into `result`, then copies the
// whole `result` plane (padding included) into `scratch` and fills `result`
// with 0. Call it after gaussianBlurRows with the same sigma.
void gaussianBlurColumns(ImagePlanes& image, double sigma);

// Preview twin: writes into `scratch`, inside the rectangle only, the bytes
// the two passes above leave there. The row pass reads `current` around the
// rectangle as far as the window reaches (only the image's edges clip), so
// the rectangle's edge rows match the full blur. Every other byte of every
// plane keeps its value; `result` is not touched. sigma 0 changes nothing.
void gaussianBlurPreview(ImagePlanes& image, PreviewRect rect, double sigma);
