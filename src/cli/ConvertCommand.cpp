// fotra convert IN OUT: reads IN as the program does and writes it to OUT in
// the format named by OUT's extension, compared exactly: jpg (quality 90),
// png or tif, with IN's metadata and colour profile. An existing OUT is
// replaced only by a complete new file.
#include <filesystem>
#include <iostream>

#include "cli/Commands.h"
#include "cli/KeptMetadata.h"
#include "image/COvImage2.h"

namespace {

// The save format of an extension, or 0 for one that is not saved.
int saveFormatOf(const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".jpg") {
        return SaveFormatJpeg;
    }
    if (extension == ".png") {
        return SaveFormatPng;
    }
    if (extension == ".tif") {
        return SaveFormatTiff;
    }
    return 0;
}

int runConvert(std::span<const std::string> arguments)
{
    if (arguments.size() != 2) {
        return fotra::usageError("convert IN OUT");
    }
    const std::string& input = arguments[0];
    const std::string& output = arguments[1];
    const int format = saveFormatOf(output);
    if (format == 0) {
        std::cerr << "fotra: cannot save as '" << output << "': the name must end in .jpg, .png or .tif\n";
        return fotra::kExitUsage;
    }
    COvImage2 image;
    if (!image.loadFromFile(input)) {
        return fotra::fail("cannot read the photo '" + input + "'");
    }
    const MetadataReadResult kept = fotra::readKeptMetadata(input);
    if (!image.saveToFile(output, format)) {
        return fotra::fail("cannot write the photo '" + output + "'");
    }
    fotra::writeKeptMetadata(output, kept, image);
    return fotra::kExitSuccess;
}

const fotra::CommandRegistration registerConvert{{"convert", "convert IN OUT", runConvert}};

} // namespace
