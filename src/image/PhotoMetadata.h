// The camera metadata and colour profile that travel with a photo from open
// to save, behind a toolkit-free interface: the document keeps what read()
// returns with the open photo and puts it into the encoded file with embed()
// before that file is written, once. NullMetadataIo, the default, keeps nothing, so that a document
// without a metadata library moves pixels only.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// What a photo file carried besides its pixels (EXIF, IPTC, XMP, colour
// profile); only the IMetadataIo that made it knows the content.
class PhotoMetadata {
public:
    virtual ~PhotoMetadata() = default;
};

struct MetadataReadResult {
    std::shared_ptr<const PhotoMetadata> metadata; // null: the file carried none that could be read
    bool damaged = false; // a block could not be read and was left out
};

class IMetadataIo {
public:
    virtual ~IMetadataIo() = default;
    // Reads the metadata of the photo file at `path`. Never throws and never
    // fails an open: what cannot be read is left out and `damaged` set.
    virtual MetadataReadResult read(const std::string& path) = 0;
    // Puts `metadata` (null: nothing to put) into the photo file `encoded`,
    // in memory, whose upright pixels are width x height, adjusted to
    // describe that file. `pixelProfile` is the ICC profile of the encoded
    // pixels as the loader gave it (COvImage2::colourProfile): written in
    // place of the one the file carried; when empty, the file's own is kept
    // only if it describes RGB pixels. True when done, or when there was
    // nothing the file's format can hold; false when it failed, in which
    // case `encoded` is exactly as it was.
    virtual bool embed(std::vector<std::uint8_t>& encoded, const PhotoMetadata* metadata, int width, int height,
                       std::span<const std::uint8_t> pixelProfile) = 0;
};

// Keeps no metadata and writes none.
class NullMetadataIo final : public IMetadataIo {
public:
    MetadataReadResult read(const std::string&) override { return {}; }
    bool embed(std::vector<std::uint8_t>&, const PhotoMetadata*, int, int, std::span<const std::uint8_t>) override
    {
        return true;
    }
};
