// fotra info PHOTO: reads the photo's headers as the program checks them,
// without decoding its pixels, and prints its size, the bit depth the
// image-file library would deliver, the planes' row stride and the format,
// then what its metadata states: camera, date, orientation and colour
// profile, each line only when the photo states it.
#include <iostream>
#include <memory>
#include <optional>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/KeptMetadata.h"
#include "cli/PhotoJobs.h"
#include "cli/PhotoReport.h"
#include "engine/PlaneOps.h"
#include "image/ik5/Ik5Loader.h"
#include "image/metadata/ExivMetadataIo.h"

namespace {

int runInfo(const std::string& photo)
{
    std::string problem;
    std::optional<fotra::TemporaryFile> copy;
    const std::optional<std::string> readPath = fotra::readablePath(photo, copy, problem);
    if (!readPath) {
        return fotra::fail(problem);
    }
    const std::string& path = *readPath;
    const std::optional<ik5::FileInfo> info = ik5::fileInfo(path);
    if (!info) {
        return fotra::fail(fotra::readFailure(fotra::photoName(photo), ik5::lastFileProblem(FileError::ReadFailed)));
    }
    fotra::warnLoadNotes(fotra::photoName(photo), info->notes);
    std::cout << "file: " << photo << '\n'
              << "width: " << info->width << '\n'
              << "height: " << info->height << '\n'
              << "bit depth: " << info->bitCount << (info->bitCount == 8 ? " (colour table)" : "") << '\n'
              << "stride: " << rowStride(info->width) << '\n'
              << "format: " << info->format << '\n';

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
