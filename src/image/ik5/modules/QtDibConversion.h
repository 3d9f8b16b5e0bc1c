// Conversion between Qt images and DIB blocks. Palette and grey pictures
// become 8-bit DIBs with a 256-entry table; everything else 24-bit. Alpha is
// flattened onto white and 16-bit channels are reduced to 8 bits.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QImage>

#include "image/ik5/Ik5Api.h"

namespace ik5module {

// A new DIB of the picture (null when it is empty, too large, or memory runs out).
Ik5Dib dibFromImage(QImage image);

// `height` rows of `width` blue-green-red pixels, bottom-up, `stride` bytes
// apart (a 24-bit DIB's pixels), as an RGB888 image; null when no memory.
QImage imageFromRows(const std::uint8_t* pixels, int width, int height, std::size_t stride);

} // namespace ik5module
