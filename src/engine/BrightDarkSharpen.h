// One-sided neighbourhood means, builder stages for the bright and dark
// sharpen effects: each channel becomes the mean of the bytes of nested
// squares (half-sizes radius, radius - ringStep, ... while at least 1) that
// are not brighter (bright) or not darker (dark) than the pixel itself.
// They write `scratch` only; the bytes do not depend on the thread count.
#pragma once

#include "engine/ImagePlanes.h"

// Every pixel of `scratch` from `current`; radius and ringStep 1 to 11 (the
// effects pass both equal, giving one square). `result` is not touched. A
// radius below 1 copies the pixel; a ring step below 1 counts as 1.
void brightSharpen(ImagePlanes& image, int radius, int ringStep);
void darkSharpen(ImagePlanes& image, int radius, int ringStep);

// The same for the pixels of the rectangle only; the squares read `current`
// beyond it and `scratch` outside the rectangle is not written.
void brightSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep);
void darkSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep);
