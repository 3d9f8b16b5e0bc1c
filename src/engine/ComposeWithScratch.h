// The consuming stage that mixes `current` with the operand in `scratch`:
// result = current x (s + 1) - scratch x s in doubles, stored by the byte
// rule, then `scratch` cleared. s > 0 pushes away from the operand, -1 < s < 0
// blends toward it. The bytes do not depend on the thread count.
#pragma once

#include "engine/ImagePlanes.h"

// Writes every pixel of `result` from `current` and `scratch` with strength s
// (the effects pass -1 to 5), then fills the whole `scratch` plane with 0.
void composeWithScratch(ImagePlanes& image, double strength);

// The same on the rectangle only: `result` outside it is left alone; the
// whole `scratch` plane is still filled with 0.
void composeWithScratchPreview(ImagePlanes& image, PreviewRect rect, double strength);
