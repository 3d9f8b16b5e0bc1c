// fotra info PHOTO: reads the photo as the program does and prints its size,
// the bit depth the image-file library delivered and the planes' row stride.
#include <cstring>
#include <iostream>

#include "cli/Commands.h"
#include "image/COvImage2.h"
#include "image/ik5/Ik5Loader.h"

namespace {

// The bit count of the library's picture, or 0 when it cannot read the file.
int libraryBitCount(const std::string& path)
{
    const ik5::UniqueDib dib(ik5::fileLoad(path));
    if (!dib) {
        return 0;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.get(), sizeof header);
    return header.biBitCount;
}

int runInfo(std::span<const std::string> arguments)
{
    if (arguments.size() != 1) {
        return fotra::usageError("info PHOTO");
    }
    const std::string& path = arguments[0];
    COvImage2 image;
    if (!image.loadFromFile(path)) {
        return fotra::fail("cannot read the photo '" + path + "'");
    }
    const int bitCount = libraryBitCount(path);
    std::cout << "file: " << path << '\n'
              << "width: " << image.width << '\n'
              << "height: " << image.height << '\n'
              << "bit depth: " << bitCount << (bitCount == 8 ? " (colour table)" : "") << '\n'
              << "stride: " << image.stride() << '\n';
    return fotra::kExitSuccess;
}

const fotra::CommandRegistration registerInfo{{"info", "info PHOTO", runInfo}};

} // namespace
