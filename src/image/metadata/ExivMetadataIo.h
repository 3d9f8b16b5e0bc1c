// The metadata layer over Exiv2: reads a photo file's EXIF, IPTC and XMP
// metadata and ICC colour profile, and writes them into a newly saved JPEG,
// PNG or TIFF adjusted to describe it (orientation normal where the loader
// turned the pixels upright, the new pixel size, no embedded thumbnail or
// preview, this program as the software), in memory, so that the saved file
// is written once.
#pragma once

#include <string>

#include "image/PhotoMetadata.h"

namespace metadata {

// The name written into Exif.Image.Software.
inline constexpr const char* kSoftwareName = "Pekarun4Free";

class ExivMetadataIo final : public IMetadataIo {
public:
    // Routes Exiv2's messages away from the console; its warnings while
    // reading mark the result as damaged instead.
    ExivMetadataIo();

    MetadataReadResult read(const std::string& path) override;
    bool embed(std::vector<std::uint8_t>& encoded, const PhotoMetadata* metadata, int width, int height,
               std::span<const std::uint8_t> pixelProfile) override;
};

// What `fotra info` lists: every text is printable (see printableText).
struct MetadataSummary {
    std::string camera;              // make and model; empty when not stated
    std::string date;                // when taken (or last changed), as the file states it
    int orientation = 0;             // the EXIF orientation 1..8; 0 when not stated
    bool orientationApplied = false; // the loader turned the pixels upright for it
    bool hasProfile = false;
    std::string profileName;         // the profile's description; may be empty
};

// The summary of metadata an ExivMetadataIo read; empty for null or foreign metadata.
MetadataSummary summarize(const PhotoMetadata* metadata);

// A few words for an orientation 1..8 ("normal", "rotate 90 clockwise", ...).
std::string orientationName(int orientation);

} // namespace metadata
