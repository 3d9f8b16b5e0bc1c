// The metadata warnings of fotra's commands, in the one-line style of its errors.
#include "cli/KeptMetadata.h"

#include <cstdint>
#include <vector>

#include "cli/Commands.h"
#include "image/metadata/ExivMetadataIo.h"

namespace fotra {

IMetadataIo& metadataIo()
{
    static metadata::ExivMetadataIo io;
    return io;
}

MetadataReadResult readKeptMetadata(const std::string& path, const std::string& name)
{
    MetadataReadResult kept = metadataIo().read(path);
    if (kept.damaged) {
        warn("part of the metadata of " + name + " is damaged and was left out");
    }
    return kept;
}

bool saveWithKeptMetadata(const COvImage2& image, const std::string& path, int format, int quality,
                          const std::string& name, const MetadataReadResult& kept)
{
    std::vector<std::uint8_t> encoded;
    if (!image.encode(format, encoded, quality)) {
        return false;
    }
    if (!metadataIo().embed(encoded, kept.metadata.get(), image.width, image.height, image.colourProfile)) {
        warn(name + " was written without its metadata and colour profile, which could not be written");
    }
    return image.writeEncoded(path, encoded);
}

} // namespace fotra
