// The rectangle that turns a preview twin's loop into the full operation's:
// every full operation of the engine is its twin run over the whole image.
#pragma once

#include "engine/ImagePlanes.h"

namespace engine {

inline PreviewRect wholeImage(const ImagePlanes& image)
{
    return PreviewRect{0, 0, image.width, image.height};
}

} // namespace engine
