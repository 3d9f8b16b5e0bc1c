// fotra's photos keep their metadata as the desktop program's do: read when
// a photo is read, written into the file that replaces or copies it. A
// damaged block or a failed metadata write is a warning on stderr, never a
// failure: the pixels are what the command is for.
#pragma once

#include <string>

#include "image/PhotoMetadata.h"
#include "image/COvImage2.h"

namespace fotra {

// The program's metadata reader and writer (Exiv2).
IMetadataIo& metadataIo();

// The metadata of the photo file at `path`; warns, naming the photo as
// `name` ("the photo 'a.jpg'"), when a block was left out.
MetadataReadResult readKeptMetadata(const std::string& path, const std::string& name);

// Writes `kept` into the photo just saved at `path` from `image`; warns when
// it could not (the saved file stays as it was).
void writeKeptMetadata(const std::string& path, const std::string& name, const MetadataReadResult& kept,
                       const COvImage2& image);

} // namespace fotra
