// Conversion between Qt images and DIB blocks. Palette and grey pictures
// become 8-bit DIBs with a 256-entry table; everything else 24-bit. Alpha is
// flattened onto white and 16-bit channels are reduced to 8 bits.
#pragma once

#include <QImage>

#include "image/ik5/Ik5Api.h"

namespace ik5module {

// A new DIB of the picture (null when it is empty, too large, or memory runs out).
Ik5Dib dibFromImage(QImage image);

// The picture of a 24-bit DIB as an RGB888 image; null image for anything else.
QImage imageFromDib(Ik5Dib dib);

} // namespace ik5module
