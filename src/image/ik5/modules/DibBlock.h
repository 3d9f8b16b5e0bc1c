// DIB blocks as the modules create and read them: one malloc'd block holding
// the header, for 8 bits a 256-entry colour table, and the bottom-up rows.
// Every size is checked before allocation, so no block exceeds kMaxPixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/ik5/Ik5Api.h"

namespace ik5module {

// Largest picture a module accepts: about 268 megapixels. Above that the
// program's four working planes alone would need more than 3 GB.
inline constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

// Bytes per DIB row of `width` pixels at `bitCount` bits, padded to 4.
constexpr std::size_t dibStride(std::int64_t width, int bitCount)
{
    return static_cast<std::size_t>(((width * bitCount + 31) >> 3) & ~std::int64_t{3});
}

// True for 1 <= width, height and width x height <= kMaxPixels.
bool acceptableSize(std::int64_t width, std::int64_t height);

// A zero-filled DIB (header set) of 8 or 24 bits; null when the size or bit
// count is not acceptable or memory runs out. Released with std::free.
Ik5Dib allocateDib(int width, int height, int bitCount);

// The parts of a DIB the modules write into or read from.
struct DibView {
    BITMAPINFOHEADER header;
    RGBQUAD* colourTable; // null unless 8-bit
    std::uint8_t* pixels;
    std::size_t stride;
};

// The view of a DIB made by allocateDib (or laid out the same way); nothing
// for a null block or a header the modules would not have written.
std::optional<DibView> viewDib(Ik5Dib dib);

} // namespace ik5module
