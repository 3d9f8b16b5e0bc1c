// Helpers of the metadata tests: photos written through the image-file
// library, metadata put into them and read back with Exiv2, ICC profiles
// built byte by byte, and a status line that records what it was told.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include "document/DocumentUi.h"
#include "engine/ImagePlanes.h"
#include "image/COvImage2.h"
#include "image/metadata/PngColourProfile.h"

namespace metadatatest {

namespace fs = std::filesystem;

class FakeStatusLine : public IStatusLine {
public:
    std::vector<std::string> lines;
    void showStatus(const std::string& text) override { lines.push_back(text); }
};

inline std::vector<std::uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void putBig32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

inline void appendBig32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    bytes.resize(bytes.size() + 4);
    putBig32(bytes, bytes.size() - 4, value);
}

inline void appendText(std::vector<std::uint8_t>& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// A 128-byte ICC header and a tag table of one 'desc' tag holding `element`.
inline std::vector<std::uint8_t> iccProfileWithDescElement(std::uint32_t version, std::vector<std::uint8_t> element)
{
    std::vector<std::uint8_t> profile(128, 0);
    putBig32(profile, 8, version);
    profile[12] = 'm', profile[13] = 'n', profile[14] = 't', profile[15] = 'r';
    profile[16] = 'R', profile[17] = 'G', profile[18] = 'B', profile[19] = ' ';
    profile[20] = 'X', profile[21] = 'Y', profile[22] = 'Z', profile[23] = ' ';
    profile[36] = 'a', profile[37] = 'c', profile[38] = 's', profile[39] = 'p';
    putBig32(profile, 68, 0x0000F6D6); // the D50 illuminant
    putBig32(profile, 72, 0x00010000);
    putBig32(profile, 76, 0x0000D32D);
    appendBig32(profile, 1);
    appendText(profile, "desc");
    appendBig32(profile, 144);
    appendBig32(profile, static_cast<std::uint32_t>(element.size()));
    while (element.size() % 4 != 0) {
        element.push_back(0);
    }
    profile.insert(profile.end(), element.begin(), element.end());
    putBig32(profile, 0, static_cast<std::uint32_t>(profile.size()));
    return profile;
}

// A version 2 profile whose textDescriptionType names it `description`.
inline std::vector<std::uint8_t> iccProfileV2(const std::string& description)
{
    std::vector<std::uint8_t> element;
    appendText(element, "desc");
    appendBig32(element, 0);
    appendBig32(element, static_cast<std::uint32_t>(description.size() + 1));
    appendText(element, description);
    element.push_back(0);
    element.resize(element.size() + 4 + 2 + 1 + 67, 0); // empty Unicode and ScriptCode parts
    return iccProfileWithDescElement(0x02100000, std::move(element));
}

// A version 4 profile with 'mluc' records {language+country, UTF-16 units}.
inline std::vector<std::uint8_t> iccProfileV4(const std::vector<std::pair<std::string, std::u16string>>& records)
{
    std::vector<std::uint8_t> element;
    appendText(element, "mluc");
    appendBig32(element, 0);
    appendBig32(element, static_cast<std::uint32_t>(records.size()));
    appendBig32(element, 12);
    std::uint32_t offset = static_cast<std::uint32_t>(16 + 12 * records.size());
    for (const auto& [locale, text] : records) {
        appendText(element, locale);
        appendBig32(element, static_cast<std::uint32_t>(2 * text.size()));
        appendBig32(element, offset);
        offset += static_cast<std::uint32_t>(2 * text.size());
    }
    for (const auto& record : records) {
        for (const char16_t unit : record.second) {
            element.push_back(static_cast<std::uint8_t>(unit >> 8));
            element.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        }
    }
    return iccProfileWithDescElement(0x04300000, std::move(element));
}

// Left half red, right half blue: which way up a photo is shows even after JPEG.
inline ImagePlanes twoColourPlanes(int width, int height)
{
    ImagePlanes planes;
    planes.allocatePlanes(width, height);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = planes.current.data() + row * planes.stride() + 3 * x;
            const bool left = x < width / 2;
            pixel[0] = left ? 20 : 230; // blue
            pixel[1] = 20;
            pixel[2] = left ? 230 : 20; // red
        }
    }
    return planes;
}

// Writes `planes` as a photo file through the image-file library.
inline void writePhoto(const fs::path& path, const ImagePlanes& planes, int format)
{
    COvImage2 image;
    static_cast<ImagePlanes&>(image) = planes;
    ASSERT_TRUE(image.saveToFile(path.string(), format)) << path;
}

// 'r' for a red pixel, 'b' for a blue one, '?' otherwise, at column x and
// picture row y counted from the top.
inline char colourAt(const ImagePlanes& planes, int x, int y)
{
    const std::uint8_t* pixel = planes.current.data() + (planes.height - 1 - y) * planes.stride() + 3 * x;
    if (pixel[2] > 150 && pixel[0] < 100) {
        return 'r';
    }
    if (pixel[0] > 150 && pixel[2] < 100) {
        return 'b';
    }
    return '?';
}

struct StoredMetadata {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::vector<std::uint8_t> icc;

    std::string exifText(const char* key) const
    {
        const auto found = exif.findKey(Exiv2::ExifKey(key));
        return found == exif.end() ? std::string() : found->toString();
    }
    std::string xmpText(const char* key) const
    {
        const auto found = xmp.findKey(Exiv2::XmpKey(key));
        return found == xmp.end() ? std::string() : found->toString();
    }
    std::vector<std::string> iptcTexts(const char* key) const
    {
        std::vector<std::string> texts;
        for (const Exiv2::Iptcdatum& datum : iptc) {
            if (datum.key() == key) {
                texts.push_back(datum.toString());
            }
        }
        return texts;
    }
    bool hasThumbnail() const
    {
        Exiv2::ExifThumbC thumbnail(exif);
#if EXIV2_TEST_VERSION(0, 28, 0)
        return !thumbnail.copy().empty();
#else
        return thumbnail.copy().size_ > 0;
#endif
    }
};

// The members that changed between Exiv2 0.27 and 0.28.
inline std::vector<std::uint8_t> iccProfileBytes(Exiv2::Image& image)
{
#if EXIV2_TEST_VERSION(0, 28, 0)
    const Exiv2::DataBuf& profile = image.iccProfile();
    return {profile.c_data(), profile.c_data() + profile.size()};
#else
    const Exiv2::DataBuf* profile = image.iccProfile();
    return {profile->pData_, profile->pData_ + profile->size_};
#endif
}

inline void putIccProfile(Exiv2::Image& image, const std::vector<std::uint8_t>& bytes)
{
#if EXIV2_TEST_VERSION(0, 28, 0)
    image.setIccProfile(Exiv2::DataBuf(bytes.data(), bytes.size()));
#else
    Exiv2::DataBuf profile(bytes.data(), static_cast<long>(bytes.size()));
    image.setIccProfile(profile);
#endif
}

inline std::unique_ptr<Exiv2::Image> openExiv(const fs::path& path)
{
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path.string(), false).release());
    image->readMetadata();
    return image;
}

inline StoredMetadata readStored(const fs::path& path)
{
    const std::unique_ptr<Exiv2::Image> image = openExiv(path);
    StoredMetadata stored{image->exifData(), image->iptcData(), image->xmpData(), {}};
    if (image->iccProfileDefined()) {
        stored.icc = iccProfileBytes(*image);
    }
    return stored;
}

// What the round-trip tests put into a camera photo.
inline const std::vector<std::uint8_t>& cameraProfile()
{
    static const std::vector<std::uint8_t> profile = iccProfileV2("Test Wide Gamut RGB");
    return profile;
}

// Puts camera EXIF (with `orientation` and, when given, an embedded
// thumbnail from a JPEG file), IPTC, XMP and cameraProfile() into `path`.
inline void addCameraMetadata(const fs::path& path, int orientation, const fs::path& thumbnailJpeg = {})
{
    const std::unique_ptr<Exiv2::Image> image = openExiv(path);
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Canon";
    exif["Exif.Image.Model"] = "Canon EOS 5D";
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
    exif["Exif.Image.Artist"] = "A. Photographer";
    exif["Exif.Image.Software"] = "Camera firmware 1.0";
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 10:11:12";
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Image.ImageWidth"] = std::uint32_t{4000};
    exif["Exif.Image.ImageLength"] = std::uint32_t{3000};
    exif["Exif.Photo.PixelXDimension"] = std::uint32_t{4000};
    exif["Exif.Photo.PixelYDimension"] = std::uint32_t{3000};
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "35/1 40/1 0/1";
    if (!thumbnailJpeg.empty()) {
        const std::vector<std::uint8_t> thumbnail = readBytes(thumbnailJpeg);
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), thumbnail.size());
    }
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Caption"] = "Harbour at dawn";
    iptc["Iptc.Application2.City"] = "Yokohama";
    Exiv2::Iptcdatum keyword(Exiv2::IptcKey("Iptc.Application2.Keywords"));
    keyword.setValue("harbour");
    iptc.add(keyword);
    keyword.setValue("dawn");
    iptc.add(keyword);
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.title"] = "lang=x-default Harbour";
    xmp["Xmp.dc.creator"] = "A. Photographer";
    xmp["Xmp.tiff.Orientation"] = std::to_string(orientation);
    xmp["Xmp.exif.PixelXDimension"] = "4000";
    image->setExifData(exif);
    image->setIptcData(iptc);
    image->setXmpData(xmp);
    putIccProfile(*image, cameraProfile());
    image->writeMetadata();
    if (image->imageType() == Exiv2::ImageType::png) {
        // As a camera or editor would write it: a named profile.
        std::vector<std::uint8_t> png = readBytes(path);
        metadata::nameUnnamedPngProfile(png);
        writeBytes(path, png);
    }
}

// The names in `folder`, sorted.
inline std::vector<std::string> folderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace metadatatest
