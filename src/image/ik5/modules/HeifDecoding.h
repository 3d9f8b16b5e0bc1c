// HEIF (HEIC) and AVIF photos through libheif: the primary picture, turned
// upright by the file's own rotation and mirroring, with 8 bits a channel,
// and the colour profile of its pixels (its ICC profile, or one made with
// Little CMS from the colour description phones write instead).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QImage>

#include "image/FileProblem.h"

namespace ik5module {

struct HeifPicture {
    FileProblem problem;               // set when the picture could not be read
    QImage image;                      // RGB888, or RGBA8888 when the file has alpha
    std::vector<std::uint8_t> profile; // ICC profile of the pixels; empty: sRGB
    int pictures = 0;                  // pictures the file shows at its top level
    bool deep = false;                 // more than 8 bits a channel were reduced
    bool profileIgnored = false;       // a colour description that could not be used: sRGB assumed
};

// Decodes the HEIF or AVIF file `file` (its whole content).
HeifPicture decodeHeif(std::span<const std::uint8_t> file);

} // namespace ik5module
