// The metadata warnings of fotra's commands, in the one-line style of its errors.
#include "cli/KeptMetadata.h"

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

void writeKeptMetadata(const std::string& path, const std::string& name, const MetadataReadResult& kept,
                       const COvImage2& image)
{
    if (!metadataIo().write(path, kept.metadata.get(), image.width, image.height)) {
        warn(name + " was written without its metadata and colour profile, which could not be written");
    }
}

} // namespace fotra
