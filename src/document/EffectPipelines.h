// Runs the catalogue's stage lists: the full-image pipelines of the 32
// effect modes and of the three fixed filters, and the same stages over a
// preview region. Over the whole photo each pipeline reads `current`, writes
// every pixel of `result` and leaves `scratch` zero. Parameters are derived
// from the dialog's values exactly as the accepted run defines them; the
// bytes do not depend on the thread count.
#pragma once

#include <span>

#include "document/EffectCatalogue.h"
#include "document/EffectValues.h"
#include "engine/ImagePlanes.h"

// r = S div 10 + 1: the blur and sharpen radius of a strength position (S >= 0).
constexpr int radiusFromStrength(int strengthValue) { return strengthValue / 10 + 1; }

// True for the one mode (27) that runs an operation before its dialog opens.
bool hasPreDialogStep(int mode);

// Mode 27: computes the mean colour of `current` into meanRed/Green/Blue,
// which the dialog's preview and the accepted run then share. Other modes:
// nothing.
void runPreDialogStep(ImagePlanes& image, int mode);

// Runs mode (1..32) over the whole photo with the values saved at OK.
// An unknown mode does nothing. May throw std::bad_alloc.
void runEffectPipeline(ImagePlanes& image, int mode, const EffectValues& values);

// Runs one of the fixed filters 32776, 32788, 32790 over the whole photo,
// leaving its output in `result` and `scratch` zero. Other ids do nothing.
void runFixedFilter(ImagePlanes& image, int commandId);

// Runs `stages` with each operation's preview twin over `region`, which
// lies inside the photo: `result` is written inside the region only.
void runStagesOnRegion(ImagePlanes& image, std::span<const Stage> stages, const EffectValues& values,
                       const PreviewRect& region);
