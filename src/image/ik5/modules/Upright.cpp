// Standing a stored picture upright by its orientation, a pixel at a time.
#include "Upright.h"

#include <algorithm>
#include <cstring>

namespace ik5module {
namespace {

// Where upright pixel (x', y') lies in the stored picture, as byte steps:
// stored = origin + x' * across + y' * down. The EXIF orientation says how
// the stored rows must be turned to stand upright; 5 to 8 swap the sides.
struct OrientedWalk {
    std::ptrdiff_t origin;
    std::ptrdiff_t across;
    std::ptrdiff_t down;
};

OrientedWalk walkOf(int orientation, int storedWidth, int storedHeight, int pixelBytes)
{
    const std::ptrdiff_t pixel = pixelBytes;
    const std::ptrdiff_t row = pixel * storedWidth;
    const std::ptrdiff_t lastColumn = pixel * (storedWidth - 1);
    const std::ptrdiff_t lastRow = row * (storedHeight - 1);
    switch (orientation) {
    case 2: // mirrored
        return {lastColumn, -pixel, row};
    case 3: // half turn
        return {lastRow + lastColumn, -pixel, -row};
    case 4: // flipped top to bottom
        return {lastRow, pixel, -row};
    case 5: // transposed
        return {0, row, pixel};
    case 6: // stored a quarter turn anticlockwise: turn clockwise
        return {lastRow, -row, pixel};
    case 7: // transversed
        return {lastRow + lastColumn, -row, -pixel};
    case 8: // stored a quarter turn clockwise: turn anticlockwise
        return {lastColumn, row, -pixel};
    default:
        return {0, pixel, row};
    }
}

} // namespace

// Square tiles keep the quarter turns' reads within the cache.
void copyUpright(const std::uint8_t* stored, int storedWidth, int storedHeight, int pixelBytes, int orientation,
                 std::uint8_t* target, std::ptrdiff_t pitch)
{
    const bool turned = orientation >= 5;
    const int width = turned ? storedHeight : storedWidth;
    const int height = turned ? storedWidth : storedHeight;
    const OrientedWalk walk = walkOf(orientation, storedWidth, storedHeight, pixelBytes);
    constexpr int kTile = 64;
    for (int top = 0; top < height; top += kTile) {
        for (int left = 0; left < width; left += kTile) {
            for (int y = top; y < std::min(top + kTile, height); ++y) {
                std::uint8_t* out = target + y * pitch + std::ptrdiff_t{left} * pixelBytes;
                const std::uint8_t* in = stored + walk.origin + y * walk.down + left * walk.across;
                for (int x = left; x < std::min(left + kTile, width); ++x, in += walk.across, out += pixelBytes) {
                    std::memcpy(out, in, static_cast<std::size_t>(pixelBytes));
                }
            }
        }
    }
}

} // namespace ik5module
