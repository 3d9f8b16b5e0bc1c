// Photos stored turned or mirrored, with an EXIF or TIFF orientation (1 to
// 8) that says how to stand them upright: shared by the JPEG and TIFF readers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ik5module {

// Copies the stored top-down packed picture (`pixelBytes` a pixel) upright
// into rows that start at `target` and follow each other `pitch` bytes apart
// (negative: a DIB, whose first row in memory is the bottom one).
// Orientations 5 to 8 swap the sides.
void copyUpright(const std::uint8_t* stored, int storedWidth, int storedHeight, int pixelBytes, int orientation,
                 std::uint8_t* target, std::ptrdiff_t pitch);

} // namespace ik5module
