// Exiv2 reads the metadata blocks of the opened file and, on save, puts the
// adjusted blocks into the encoded file in memory (Exiv2's memory I/O), so
// the file is written once, by the caller. Exiv2 throws on damaged input:
// every call is wrapped.
#include "image/metadata/ExivMetadataIo.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <exiv2/exiv2.hpp>

#include "image/HugePages.h"
#include "image/metadata/HeifBlocks.h"
#include "image/metadata/IccProfile.h"
#include "image/metadata/PngColourProfile.h"

namespace metadata {
namespace {

namespace fs = std::filesystem;

// What a read kept. `orientationApplied`: the file's format is one whose
// loader honours Exif.Image.Orientation (JPEG, TIFF and HEIF; Qt's PNG reader
// leaves the pixels as stored), and the tag was there.
class ExivPhotoMetadata final : public PhotoMetadata {
public:
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::vector<std::uint8_t> iccProfile;
    bool orientationApplied = false;

    bool empty() const { return exif.empty() && iptc.empty() && xmp.empty() && iccProfile.empty(); }
};

// Exiv2 reports damage it skips as warnings through one global handler; the
// read in progress on this thread counts them.
thread_local int* problemCounter = nullptr;

void countProblem(int level, const char*)
{
    if (problemCounter != nullptr && level >= Exiv2::LogMsg::warn) {
        ++*problemCounter;
    }
}

class ProblemCount {
public:
    ProblemCount() { problemCounter = &count_; }
    ~ProblemCount() { problemCounter = nullptr; }
    ProblemCount(const ProblemCount&) = delete;
    ProblemCount& operator=(const ProblemCount&) = delete;
    int count() const { return count_; }

private:
    int count_ = 0;
};

using ImagePointer = std::unique_ptr<Exiv2::Image>;

// Exiv2 0.28 made the image type an enum class, the buffer's members
// functions, the profile a const reference taken by move, and sizes size_t;
// these helpers hide the difference from 0.27.
#if EXIV2_TEST_VERSION(0, 28, 0)
using ImageTypeCode = Exiv2::ImageType;

std::span<const std::uint8_t> bytesOf(const Exiv2::DataBuf& buffer)
{
    return {buffer.c_data(), buffer.size()};
}

std::span<const std::uint8_t> iccProfileOf(const Exiv2::Image& image)
{
    return bytesOf(image.iccProfile());
}

void setIccProfile(Exiv2::Image& image, std::span<const std::uint8_t> profile)
{
    image.setIccProfile(Exiv2::DataBuf(profile.data(), profile.size()), false);
}

std::int64_t integerOf(const Exiv2::Exifdatum& datum)
{
    return datum.toInt64();
}
#else
using ImageTypeCode = int;

std::span<const std::uint8_t> bytesOf(const Exiv2::DataBuf& buffer)
{
    return {buffer.pData_, static_cast<std::size_t>(buffer.size_)};
}

std::span<const std::uint8_t> iccProfileOf(Exiv2::Image& image)
{
    return bytesOf(*image.iccProfile());
}

void setIccProfile(Exiv2::Image& image, std::span<const std::uint8_t> profile)
{
    Exiv2::DataBuf buffer(profile.data(), static_cast<long>(profile.size()));
    image.setIccProfile(buffer, false);
}

std::int64_t integerOf(const Exiv2::Exifdatum& datum)
{
    return datum.toLong();
}
#endif

bool isWritableType(ImageTypeCode type)
{
    return type == Exiv2::ImageType::jpeg || type == Exiv2::ImageType::png || type == Exiv2::ImageType::tiff;
}

// Tags of IFD0 that describe how a TIFF stored its pixels, or carry blocks
// that are written apart (profile, XMP, IPTC, Photoshop resources with their
// thumbnail): none of them is true of another file.
bool isStorageTag(const Exiv2::Exifdatum& datum)
{
    static constexpr std::array<std::string_view, 24> kNames = {
        "NewSubfileType", "SubfileType", "BitsPerSample", "Compression", "PhotometricInterpretation",
        "FillOrder", "StripOffsets", "SamplesPerPixel", "RowsPerStrip", "StripByteCounts",
        "PlanarConfiguration", "Predictor", "TileWidth", "TileLength", "TileOffsets", "TileByteCounts",
        "ExtraSamples", "SampleFormat", "SubIFDs", "JPEGInterchangeFormat", "JPEGInterchangeFormatLength",
        "InterColorProfile", "XMLPacket", "IPTCNAA"};
    if (datum.groupName() != "Image") {
        return false;
    }
    const std::string name = datum.tagName();
    return name == "ImageResources" || std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

// The thumbnail (IFD1), further images of the old file and the previews
// that maker notes embed: pictures of the old pixels.
bool isOldPicture(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    const std::string name = datum.tagName();
    return group == "Thumbnail" || group.starts_with("SubImage") || group.starts_with("SubThumb")
           || (group.starts_with("Image") && group != "Image") || group.find("Preview") != std::string::npos
           || name.find("Preview") != std::string::npos || name.find("Thumbnail") != std::string::npos;
}

template <typename Data, typename Key>
bool has(const Data& data, const char* key)
{
    return data.findKey(Key(key)) != data.end();
}

Exiv2::ExifData adjustedExif(const ExivPhotoMetadata& carried, int width, int height)
{
    Exiv2::ExifData exif = carried.exif;
    for (auto it = exif.begin(); it != exif.end();) {
        it = isStorageTag(*it) || isOldPicture(*it) ? exif.erase(it) : std::next(it);
    }
    if (exif.empty()) {
        return exif;
    }
    if (carried.orientationApplied) {
        exif["Exif.Image.Orientation"] = std::uint16_t{1};
    }
    for (const char* key : {"Exif.Image.ImageWidth", "Exif.Image.ImageLength"}) {
        if (has<Exiv2::ExifData, Exiv2::ExifKey>(exif, key)) {
            exif[key] = static_cast<std::uint32_t>(std::string_view(key).ends_with("Width") ? width : height);
        }
    }
    exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
    exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
    exif["Exif.Image.Software"] = kSoftwareName;
    return exif;
}

Exiv2::XmpData adjustedXmp(const ExivPhotoMetadata& carried, int width, int height)
{
    Exiv2::XmpData xmp = carried.xmp;
    for (auto it = xmp.begin(); it != xmp.end();) {
        it = it->key().starts_with("Xmp.xmp.Thumbnails") ? xmp.erase(it) : std::next(it);
    }
    if (carried.orientationApplied && has<Exiv2::XmpData, Exiv2::XmpKey>(xmp, "Xmp.tiff.Orientation")) {
        xmp["Xmp.tiff.Orientation"] = "1";
    }
    const std::pair<const char*, int> sizes[] = {{"Xmp.exif.PixelXDimension", width},
                                                 {"Xmp.exif.PixelYDimension", height},
                                                 {"Xmp.tiff.ImageWidth", width},
                                                 {"Xmp.tiff.ImageLength", height}};
    for (const auto& [key, value] : sizes) {
        if (has<Exiv2::XmpData, Exiv2::XmpKey>(xmp, key)) {
            xmp[key] = std::to_string(value);
        }
    }
    return xmp;
}

Exiv2::IptcData adjustedIptc(const ExivPhotoMetadata& carried)
{
    Exiv2::IptcData iptc = carried.iptc;
    for (auto it = iptc.begin(); it != iptc.end();) {
        it = it->key().starts_with("Iptc.Application2.Preview") ? iptc.erase(it) : std::next(it);
    }
    return iptc;
}

// The JPEG file `jpeg` without its EXIF segments (APP1 "Exif\0\0"), or
// nothing when its segments up to the first scan cannot be followed.
std::optional<std::vector<std::uint8_t>> withoutExifSegments(std::span<const std::uint8_t> jpeg)
{
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
        return std::nullopt;
    }
    static constexpr std::array<std::uint8_t, 6> kExifHeader = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<std::uint8_t> kept(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xDA) {
            kept.insert(kept.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
            return kept;
        }
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        if (length < 2 || length > jpeg.size() - at - 2) {
            return std::nullopt;
        }
        const std::span<const std::uint8_t> segment = jpeg.subspan(at, 2 + length);
        const bool exif = marker == 0xE1 && length >= 2 + kExifHeader.size()
                          && std::equal(kExifHeader.begin(), kExifHeader.end(), segment.begin() + 4);
        if (!exif) {
            kept.insert(kept.end(), segment.begin(), segment.end());
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the saved file");
    }
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        throw std::runtime_error("cannot read the saved file");
    }
    return bytes;
}

std::vector<std::uint8_t> contentsOf(Exiv2::BasicIo& io)
{
    if (io.open() != 0) {
        throw std::runtime_error("cannot read the rewritten file");
    }
    // Copied straight from the rewritten file in memory, not into zeros
    // first: a photo's bytes are tens of megabytes.
    std::vector<std::uint8_t> bytes = hugepages::copyOnHugePages(io.mmap(), io.size());
    io.munmap();
    io.close();
    return bytes;
}

// Exiv2 0.27 reads no EXIF from some HEIC files (those libheif writes among
// them): the blocks libheif finds in the file at `path` stand in for it.
void fillFromHeifBlocks(Exiv2::Image& image, const fs::path& path)
{
    if (image.imageType() != Exiv2::ImageType::bmff || !image.exifData().empty()) {
        return;
    }
    const HeifBlocks blocks = heifBlocks(readWholeFile(path));
    if (!blocks.exif.empty()) {
        Exiv2::ExifParser::decode(image.exifData(), blocks.exif.data(), static_cast<std::uint32_t>(blocks.exif.size()));
    }
    if (image.xmpData().empty() && !blocks.xmp.empty()) {
        Exiv2::XmpParser::decode(image.xmpData(), blocks.xmp);
    }
}

// What `image` holds after readMetadata(); null when it holds nothing.
std::shared_ptr<ExivPhotoMetadata> keptFrom(Exiv2::Image& image)
{
    auto carried = std::make_shared<ExivPhotoMetadata>();
    carried->exif = image.exifData();
    carried->iptc = image.iptcData();
    carried->xmp = image.xmpData();
    if (image.iccProfileDefined()) {
        const std::span<const std::uint8_t> profile = iccProfileOf(image);
        carried->iccProfile.assign(profile.begin(), profile.end());
    }
    const ImageTypeCode type = image.imageType();
    // libheif turns HEIF pictures upright by the file's own rotation, which
    // the orientation tag of a HEIF file repeats.
    carried->orientationApplied = (type == Exiv2::ImageType::jpeg || type == Exiv2::ImageType::tiff
                                   || type == Exiv2::ImageType::bmff)
                                  && has<Exiv2::ExifData, Exiv2::ExifKey>(carried->exif, "Exif.Image.Orientation");
    return carried->empty() ? nullptr : carried;
}

} // namespace

ExivMetadataIo::ExivMetadataIo()
{
#ifdef EXV_ENABLE_BMFF
    // HEIF and AVIF photos: Exiv2 reads them only when asked to.
    Exiv2::enableBMFF(true);
#endif
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    Exiv2::LogMsg::setHandler(countProblem);
}

MetadataReadResult ExivMetadataIo::read(const std::string& path)
{
    const ProblemCount problems;
    try {
        if (Exiv2::ImageFactory::getType(path) == Exiv2::ImageType::none) {
            return {};
        }
        const ImagePointer image(Exiv2::ImageFactory::open(path, false).release());
        image->readMetadata();
        fillFromHeifBlocks(*image, path);
        return {keptFrom(*image), problems.count() > 0};
    } catch (...) {
    }
    // Exiv2 gives up on a whole file whose EXIF block it cannot parse; the
    // other blocks of a JPEG are still read without it.
    try {
        const std::optional<std::vector<std::uint8_t>> rest = withoutExifSegments(readWholeFile(path));
        if (!rest) {
            return {nullptr, true};
        }
        const ImagePointer image(Exiv2::ImageFactory::open(rest->data(), rest->size()).release());
        image->readMetadata();
        return {keptFrom(*image), true};
    } catch (...) {
        return {nullptr, true};
    }
}

bool ExivMetadataIo::embed(std::vector<std::uint8_t>& encoded, const PhotoMetadata* metadata, int width, int height,
                           std::span<const std::uint8_t> pixelProfile)
{
    static const ExivPhotoMetadata kNothing;
    const auto* carried = dynamic_cast<const ExivPhotoMetadata*>(metadata);
    const ExivPhotoMetadata& kept = carried != nullptr ? *carried : kNothing;
    // The profile must describe the saved pixels: the loader's when it named
    // one; otherwise the file's own only when it was an RGB profile (one
    // the loader could not read), never a grey or CMYK one on RGB pixels.
    const std::span<const std::uint8_t> profile =
        !pixelProfile.empty() ? pixelProfile
                              : (iccDescribesRgb(kept.iccProfile) ? std::span<const std::uint8_t>(kept.iccProfile)
                                                                  : std::span<const std::uint8_t>());
    if (kept.empty() && profile.empty()) {
        return true;
    }
    try {
        const ImageTypeCode type = Exiv2::ImageFactory::getType(encoded.data(), encoded.size());
        if (!isWritableType(type)) {
            return true;
        }
        const ImagePointer image(Exiv2::ImageFactory::open(encoded.data(), encoded.size()).release());
        image->readMetadata();
        image->setExifData(adjustedExif(kept, width, height));
        image->setIptcData(adjustedIptc(kept));
        image->setXmpData(adjustedXmp(kept, width, height));
        if (profile.empty()) {
            image->clearIccProfile();
        } else {
            setIccProfile(*image, profile);
        }
        image->writeMetadata();
        std::vector<std::uint8_t> rewritten = contentsOf(image->io());
        if (type == Exiv2::ImageType::png) {
            nameUnnamedPngProfile(rewritten);
        }
        encoded = std::move(rewritten);
        return true;
    } catch (...) {
        return false;
    }
}

std::string orientationName(int orientation)
{
    static constexpr std::array<const char*, 8> kNames = {
        "normal",
        "mirror left to right",
        "rotate 180",
        "mirror top to bottom",
        "mirror left to right and rotate 270 clockwise",
        "rotate 90 clockwise",
        "mirror left to right and rotate 90 clockwise",
        "rotate 270 clockwise"};
    return orientation >= 1 && orientation <= 8 ? kNames[orientation - 1] : "unknown";
}

MetadataSummary summarize(const PhotoMetadata* metadata)
{
    MetadataSummary summary;
    const auto* carried = dynamic_cast<const ExivPhotoMetadata*>(metadata);
    if (carried == nullptr) {
        return summary;
    }
    const auto exifText = [&](const char* key) {
        const auto found = carried->exif.findKey(Exiv2::ExifKey(key));
        return found == carried->exif.end() ? std::string() : found->toString();
    };
    const auto xmpText = [&](const char* key) {
        const auto found = carried->xmp.findKey(Exiv2::XmpKey(key));
        return found == carried->xmp.end() ? std::string() : found->toString();
    };
    const auto firstOf = [](std::initializer_list<std::string> texts) {
        for (const std::string& text : texts) {
            if (!text.empty()) {
                return text;
            }
        }
        return std::string();
    };

    // A model name usually repeats the make ("Canon" / "Canon EOS 5D").
    const std::string make = firstOf({exifText("Exif.Image.Make"), xmpText("Xmp.tiff.Make")});
    const std::string model = firstOf({exifText("Exif.Image.Model"), xmpText("Xmp.tiff.Model")});
    const std::string camera = make.empty() || model.starts_with(make) ? model
                               : model.empty()                         ? make
                                                                       : make + " " + model;
    summary.camera = printableText(camera);
    summary.date = printableText(firstOf({exifText("Exif.Photo.DateTimeOriginal"), exifText("Exif.Image.DateTime"),
                                          xmpText("Xmp.exif.DateTimeOriginal"), xmpText("Xmp.xmp.CreateDate")}));

    if (const auto found = carried->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        found != carried->exif.end() && found->count() > 0) {
        summary.orientation = static_cast<int>(integerOf(*found));
    }
    summary.orientationApplied = carried->orientationApplied;
    summary.hasProfile = !carried->iccProfile.empty();
    summary.profileName = iccProfileDescription(carried->iccProfile);
    return summary;
}

} // namespace metadata
