// CMYK TIFF files read with libtiff's own sample reader, so that their inks
// reach Little CMS with the file's profile. Qt's reader turns them into RGB
// with the plain formula and drops the profile.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ik5module {

struct CmykTiff {
    int width = 0; // upright, after the file's orientation
    int height = 0;
    std::vector<std::uint8_t> inks;    // top-down packed cyan, magenta, yellow, black; 255 is full ink
    std::vector<std::uint8_t> profile; // the embedded ICC profile; empty: none
    bool deep = false;                 // 16-bit samples were reduced to 8
};

// The first picture of `file` (a whole TIFF file) when it is 8- or 16-bit
// CMYK without extra channels, stored in strips with its samples together;
// nothing for any other TIFF, which Qt reads. Refuses (Refusal) a picture
// over the pixel limit or whose data is damaged.
std::optional<CmykTiff> readCmykTiff(std::span<const std::uint8_t> file);

} // namespace ik5module
