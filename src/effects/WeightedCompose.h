// Composes of `current` with the operand in `scratch` whose strength varies
// per pixel: by brightness (bright or dark areas) or by the closeness of a
// colour to a target. Each writes `result` and then clears the whole `scratch`
// plane; the bytes are the same for any thread count.
#pragma once

#include "effects/RealRgb.h"

#include "engine/ImagePlanes.h"
#include "engine/PlaneOps.h"

// For each channel: v = c x (W x s + 1) - (o x s) x W, stored by the byte rule,
// c from `current`, o from `scratch`, W = luminance of the `current` pixel / 255.
// strength s: any real (the modes pass -1 to 5); 0 copies `current`.
// The twin writes `result` only inside `region`; both clear all of `scratch`.
void brightWeightedCompose(ImagePlanes& image, double strength);
void brightWeightedComposePreview(ImagePlanes& image, const PreviewRect& region, double strength);

// As brightWeightedCompose with W = (255 - luminance) / 255: dark areas get
// the full strength, white none.
void darkWeightedCompose(ImagePlanes& image, double strength);
void darkWeightedComposePreview(ImagePlanes& image, const PreviewRect& region, double strength);

// As brightWeightedCompose with W = D / 151875, D = 151875 - d2 x precision and
// d2 the squared distance of the `current` pixel to the target (reals 0..255).
// Where D <= 0 the `result` pixel is a copy of the `current` pixel.
// precision: larger means a narrower range (the modes pass 0.1 to 255).
void colourRangeCompose(ImagePlanes& image, double strength, double precision, const RealRgb& target);
void colourRangeComposePreview(ImagePlanes& image, const PreviewRect& region, double strength, double precision,
                               const RealRgb& target);

// As colourRangeCompose, but the distance is that of the `scratch` pixel (the
// blurred colour); a pixel outside the range is still copied from `current`.
void scratchColourRangeCompose(ImagePlanes& image, double strength, double precision, const RealRgb& target);
void scratchColourRangeComposePreview(ImagePlanes& image, const PreviewRect& region, double strength,
                                      double precision, const RealRgb& target);

// Preview only: inside `region` a `current` pixel with |R - tR| <= toR,
// |G - tG| <= toG and |B - tB| <= toB becomes white in `result`, any other is
// copied. Tolerances and targets are reals 0..255. `scratch` is neither read
// nor cleared; nothing outside `region` changes.
void colourMatchMaskPreview(ImagePlanes& image, const PreviewRect& region, const RealRgb& tolerance,
                            const RealRgb& target);
