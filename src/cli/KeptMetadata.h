// fotra's photos keep their metadata as the desktop program's do: read when
// a photo is read, put into the file that replaces or copies it, which is
// written once. A
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

// Saves `image` to `path` as `format` (JPEG at `quality`) with `kept` put
// into the encoded file in memory, and writes the file once, atomically;
// warns when the metadata could not be put in (the pixels still go out).
// False when the file could not be written. Throws std::bad_alloc.
bool saveWithKeptMetadata(const COvImage2& image, const std::string& path, int format, int quality,
                          const std::string& name, const MetadataReadResult& kept);

} // namespace fotra
