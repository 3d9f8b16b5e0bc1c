// The EXIF and XMP blocks of a HEIF or AVIF file's primary picture, as
// libheif finds them. Exiv2 0.27 misses the EXIF of some HEIC files (those
// libheif itself writes, among them); these blocks stand in for it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace metadata {

struct HeifBlocks {
    std::vector<std::uint8_t> exif; // a TIFF structure ("II*\0" or "MM\0*" first); empty: none
    std::string xmp;                // an XMP packet; empty: none
};

// The blocks of `file` (its whole content); empty for a file libheif cannot
// read. The first block of each kind is taken.
HeifBlocks heifBlocks(std::span<const std::uint8_t> file);

} // namespace metadata
