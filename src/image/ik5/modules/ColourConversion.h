// Turns a decoded picture (grey, RGB or CMYK, 8 bits a channel) into the
// 24-bit DIB the record takes, with the ICC profile that describes the DIB's
// pixels. Grey and CMYK pixels are converted to sRGB through their embedded
// profile with Little CMS; RGB pixels are copied unchanged and keep theirs.
// A profile Little CMS rejects, or one of another colour space than the
// pixels, never stops the load: the standard profile of the layout is used
// and `standardProfileUsed` says so. The same input gives the same bytes.
//
// Standard profiles, used when the file has none (or an unusable one):
//   grey: sRGB's tone curve, so each grey g becomes (g, g, g) exactly, as
//         every viewer shows an untagged grey picture;
//   RGB:  sRGB (the pixels are copied; the result carries no profile);
//   CMYK: no standard CMYK profile ships with Debian, so the common uncalibrated
//         rule red = (255 - C)(255 - K) / 255 (rounded; green and blue
//         likewise) is used, which is what browsers show for untagged CMYK.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/ik5/Ik5Api.h"

namespace ik5module {

enum class DecodedLayout {
    Grey8, // one byte a pixel
    Rgb8,  // red, green, blue
    Cmyk8, // cyan, magenta, yellow, black; 255 is full ink
};

// A decoded picture, rows top-down as decoders give them.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    DecodedLayout layout = DecodedLayout::Rgb8;
    // CMYK only: the values are stored inverted (0 is full ink), as in JPEG
    // files written by Adobe programs (those with an Adobe APP14 marker).
    bool adobeInverted = false;
    std::span<const std::uint8_t> pixels; // height rows of `stride` bytes
    std::size_t stride = 0;               // 0: rows packed (width x channels)
    std::span<const std::uint8_t> profile; // the embedded ICC profile; empty: none
};

struct ConvertedPicture {
    // A 24-bit DIB (rows bottom-up, blue-green-red) owned by the caller and
    // released with IK5FreeMemory; null when the size is not acceptable
    // (acceptableSize), the pixels are too few for it, or memory ran out.
    Ik5Dib dib = nullptr;
    // The ICC profile of the DIB's pixels: after a conversion Little CMS's
    // sRGB profile, for RGB the input's own; empty means sRGB.
    std::vector<std::uint8_t> profile;
    bool convertedToSrgb = false;     // grey or CMYK values were converted
    bool standardProfileUsed = false; // the embedded profile was unusable and ignored
};

// The picture as the record's DIB; see the file comment for the profiles.
// Throws std::bad_alloc only when Little CMS's own sRGB profile cannot be made.
ConvertedPicture convertToDib(const DecodedPicture& picture);

// Little CMS's sRGB profile as ICC bytes, the same bytes on every call and run.
const std::vector<std::uint8_t>& srgbProfileBytes();

} // namespace ik5module
