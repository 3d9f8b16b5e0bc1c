// Separable blur with integer weights w[i] = (radius + divisor - i) / divisor
// (a triangle for divisor 1, a box with a double centre for divisor radius),
// built into `scratch` in two builder passes or by the preview twin. Edges are
// renormalised; the bytes do not depend on the thread count.
#pragma once

#include "engine/ImagePlanes.h"

// Row pass: blurs every row of `current` into `scratch` (pixel bytes only).
// radius 1 to 26 taps to each side, divisor 1 to radius (the effects pass 1,
// radius or 10). A divisor below 1 counts as 1, a negative radius as 0.
void triangleBlurRows(ImagePlanes& image, int radius, int divisor);

// Column pass: blurs every column of `scratch` into `result`, then copies the
// whole `result` plane (padding included) into `scratch` and fills `result`
// with 0. Call it after triangleBlurRows with the same radius and divisor.
void triangleBlurColumns(ImagePlanes& image, int radius, int divisor);

// Preview twin, like gaussianBlurPreview: writes into `scratch`, inside the
// rectangle only, the bytes the two passes above leave there; every other
// byte of every plane keeps its value.
void triangleBlurPreview(ImagePlanes& image, PreviewRect rect, int radius, int divisor);
