// libFuzzer target: every input is a photo file whose metadata is read
// (ExivMetadataIo::read, with its fallback walk over a JPEG's segments when
// Exiv2 gives up on the EXIF block), summarised as `fotra info` would, and
// put into a small photo of our own as a save would. The same bytes also go
// straight to the ICC description parser and the PNG profile-chunk walk.
// Reading never fails an open; a failed embed leaves the file as it was.
#include <QBuffer>
#include <QImage>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "image/metadata/ExivMetadataIo.h"
#include "image/metadata/IccProfile.h"
#include "image/metadata/PngColourProfile.h"

#include "ScratchFolder.h"

namespace {

struct Harness : ScratchFolder {
    metadata::ExivMetadataIo io;
    // A 3 x 2 photo as each save format encodes it: what embed() writes into.
    std::array<std::vector<std::uint8_t>, 3> savedPhotos;

    Harness()
    {
        QImage picture(3, 2, QImage::Format_RGB888);
        picture.fill(qRgb(200, 30, 90));
        const std::array<const char*, 3> formats = {"jpeg", "png", "tiff"};
        for (std::size_t i = 0; i < formats.size(); ++i) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!picture.save(&buffer, formats[i])) {
                std::abort();
            }
            savedPhotos[i].assign(bytes.begin(), bytes.end());
        }
    }
};

Harness* harness = nullptr;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

bool isPrintable(const std::string& text)
{
    return metadata::printableText(text, text.size() + 1) == text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> input(data, size);
    const std::string description = metadata::iccProfileDescription(input);
    require(description.size() <= metadata::kMaxDescriptionBytes && isPrintable(description), "printable description");
    std::vector<std::uint8_t> png(input.begin(), input.end());
    metadata::nameUnnamedPngProfile(png);
    require(png.size() >= size, "a named profile chunk never shrinks the file");

    {
        std::ofstream file(harness->inputPath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file) {
            std::abort();
        }
    }
    const MetadataReadResult read = harness->io.read(harness->inputPath);
    const metadata::MetadataSummary summary = metadata::summarize(read.metadata.get());
    require(isPrintable(summary.camera) && isPrintable(summary.date) && isPrintable(summary.profileName),
            "printable summary");
    if (!read.metadata) {
        return 0;
    }
    std::vector<std::uint8_t> saved = harness->savedPhotos[size % harness->savedPhotos.size()];
    const std::vector<std::uint8_t> before = saved;
    if (!harness->io.embed(saved, read.metadata.get(), 3, 2, {})) {
        require(saved == before, "a failed embed changed the file");
    }
    return 0;
}
