// fotra info PHOTO: reads the photo as the program does and prints its size,
// the bit depth the image-file library delivered and the planes' row stride,
// then what its metadata states: camera, date, orientation and colour
// profile, each line only when the photo states it.
#include <cstring>
#include <iostream>
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/KeptMetadata.h"
#include "cli/PhotoJobs.h"
#include "cli/PhotoReport.h"
#include "image/COvImage2.h"
#include "image/ik5/Ik5Loader.h"
#include "image/metadata/ExivMetadataIo.h"

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

int runInfo(const std::string& photo)
{
    std::string problem;
    std::optional<fotra::TemporaryFile> copy;
    const std::optional<std::string> readPath = fotra::readablePath(photo, copy, problem);
    if (!readPath) {
        return fotra::fail(problem);
    }
    const std::string& path = *readPath;
    COvImage2 image;
    if (!image.loadFromFile(path)) {
        return fotra::fail(fotra::readFailure(fotra::photoName(photo), image));
    }
    fotra::warnLoadNotes(fotra::photoName(photo), image);
    const int bitCount = libraryBitCount(path);
    std::cout << "file: " << photo << '\n'
              << "width: " << image.width << '\n'
              << "height: " << image.height << '\n'
              << "bit depth: " << bitCount << (bitCount == 8 ? " (colour table)" : "") << '\n'
              << "stride: " << image.stride() << '\n';

    const MetadataReadResult kept = fotra::readKeptMetadata(path, fotra::photoName(photo));
    const metadata::MetadataSummary summary = metadata::summarize(kept.metadata.get());
    if (!summary.camera.empty()) {
        std::cout << "camera: " << summary.camera << '\n';
    }
    if (!summary.date.empty()) {
        std::cout << "date: " << summary.date << '\n';
    }
    if (summary.orientation != 0) {
        std::cout << "orientation: " << summary.orientation << " (" << metadata::orientationName(summary.orientation)
                  << (summary.orientationApplied && summary.orientation != 1 ? ", turned upright when read" : "")
                  << ")\n";
    }
    if (summary.hasProfile) {
        std::cout << "colour profile: " << (summary.profileName.empty() ? "(unnamed)" : summary.profileName) << '\n';
    }
    return fotra::kExitSuccess;
}

fotra::CommandRun defineInfo(CLI::App& command)
{
    const auto path = std::make_shared<std::string>();
    command.add_option("PHOTO", *path, "The photo to read; - reads standard input")->type_name("")->required();
    return [path] { return runInfo(*path); };
}

const fotra::CommandRegistration registerInfo{
    {"info", "Print a photo's size, bit depth and what its metadata states", defineInfo}};

} // namespace
