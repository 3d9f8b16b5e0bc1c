// IK5EFFECT: creates a new DIB filled with one colour. Only 24 bits per pixel
// is offered; anything else, a size outside 1 .. kMaxPixels or a colour
// channel outside 0..255 gives null.
#include <cstdint>

#include "DibBlock.h"
#include "ModuleExport.h"

IK5_EXPORT Ik5Dib IK5CreateImage(int width, int height, int bitCount, int red, int green, int blue,
                                 int, const char*, const char*, const char*)
{
    const auto inByteRange = [](int value) { return value >= 0 && value <= 255; };
    if (bitCount != 24 || !inByteRange(red) || !inByteRange(green) || !inByteRange(blue)) {
        return nullptr;
    }
    Ik5Dib dib = ik5module::allocateDib(width, height, 24);
    const auto view = ik5module::viewDib(dib);
    if (!view) {
        return nullptr;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = view->pixels + static_cast<std::size_t>(y) * view->stride;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(blue);
            row[3 * x + 1] = static_cast<std::uint8_t>(green);
            row[3 * x + 2] = static_cast<std::uint8_t>(red);
        }
    }
    return dib;
}
