// The metadata warnings of fotra's commands, in the one-line style of its errors.
#include "cli/KeptMetadata.h"

#include <iostream>

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
        std::cerr << "fotra: warning: part of the metadata of " << name << " is damaged and was left out\n";
    }
    return kept;
}

void writeKeptMetadata(const std::string& path, const std::string& name, const MetadataReadResult& kept,
                       const COvImage2& image)
{
    if (!metadataIo().write(path, kept.metadata.get(), image.width, image.height)) {
        std::cerr << "fotra: warning: " << name
                  << " was written without its metadata and colour profile, which could not be written\n";
    }
}

} // namespace fotra
