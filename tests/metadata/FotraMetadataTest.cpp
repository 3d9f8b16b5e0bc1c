// fotra keeps metadata as the desktop program does: info lists what a photo
// states (printable whatever the file holds), convert and apply write it
// into their output told the truth, and damaged metadata is a warning only.
#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"
#include "image/ik5/Ik5Loader.h"
#include "metadata/MetadataTestSupport.h"
#include "support/TestImages.h"

namespace {

using namespace metadatatest;
using clitest::runFotra;

class FotraMetadata : public ::testing::Test {
protected:
    fs::path cameraJpeg(const std::string& name, int orientation)
    {
        const fs::path path = folder_.file(name);
        writePhoto(path, twoColourPlanes(40, 20), SaveFormatJpeg);
        addCameraMetadata(path, orientation);
        return path;
    }

    const ik5::ScopedLibraries libraries_;
    clitest::TempFolder folder_;
};

TEST_F(FotraMetadata, InfoListsCameraDateOrientationAndProfile)
{
    const fs::path photo = cameraJpeg("camera.jpg", 6);
    const auto run = runFotra({"info", photo.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "file: " + photo.string() +
                           "\nwidth: 20\nheight: 40\nbit depth: 24\nstride: 60\nformat: JPEG\n"
                           "camera: Canon EOS 5D\n"
                           "date: 2024:05:01 10:11:12\n"
                           "orientation: 6 (rotate 90 clockwise, turned upright when read)\n"
                           "colour profile: Test Wide Gamut RGB\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(FotraMetadata, InfoPrintsHostileTextHarmlessly)
{
    const fs::path photo = folder_.file("hostile.jpg");
    writePhoto(photo, twoColourPlanes(4, 4), SaveFormatJpeg);
    {
        const std::unique_ptr<Exiv2::Image> image = openExiv(photo);
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Evil\x1B]0;owned\x07";
        exif["Exif.Image.Model"] = "Cam\r\nfile: fake";
        image->setExifData(exif);
        image->writeMetadata();
    }
    const auto run = runFotra({"info", photo.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("camera: Evil?]0;owned? Cam??file: fake\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1B'), std::string::npos);
}

TEST_F(FotraMetadata, InfoOfAPhotoWithoutMetadataListsOnlyThePixels)
{
    const fs::path photo = folder_.file("plain.png");
    writePhoto(photo, twoColourPlanes(6, 2), SaveFormatPng);
    const auto run = runFotra({"info", photo.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "file: " + photo.string() + "\nwidth: 6\nheight: 2\nbit depth: 24\nstride: 20\nformat: PNG\n");
}

TEST_F(FotraMetadata, ConvertAndApplyKeepTheMetadataToldTheTruth)
{
    const fs::path photo = cameraJpeg("camera.jpg", 6);
    const fs::path converted = folder_.file("converted.tif");
    const fs::path applied = folder_.file("applied.png");
    ASSERT_EQ(runFotra({"convert", photo.string(), converted.string()}).status, 0);
    const auto run = runFotra({"apply", "--mode", "8", photo.string(), "-o", applied.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const fs::path& output : {converted, applied}) {
        const StoredMetadata stored = readStored(output);
        EXPECT_EQ(stored.exifText("Exif.Image.Model"), "Canon EOS 5D") << output;
        EXPECT_EQ(stored.exifText("Exif.Image.Orientation"), "1") << output;
        EXPECT_EQ(stored.exifText("Exif.Photo.PixelXDimension"), "20") << output;
        EXPECT_EQ(stored.exifText("Exif.Photo.PixelYDimension"), "40") << output;
        EXPECT_EQ(stored.exifText("Exif.Image.Software"), "Pekarun4Free") << output;
        EXPECT_EQ(stored.iptcTexts("Iptc.Application2.City"), std::vector<std::string>{"Yokohama"}) << output;
        EXPECT_EQ(stored.xmpText("Xmp.dc.creator"), "A. Photographer") << output;
        EXPECT_EQ(stored.icc, cameraProfile()) << output;
    }
}

TEST_F(FotraMetadata, DamagedMetadataIsAWarningAndThePhotoStillConverts)
{
    const fs::path clean = folder_.file("clean.jpg");
    writePhoto(clean, twoColourPlanes(8, 8), SaveFormatJpeg);
    std::vector<std::uint8_t> bytes = readBytes(clean);
    const std::vector<std::uint8_t> badExif = {0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f', 0, 0,
                                               'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0x7F};
    bytes.insert(bytes.begin() + 2, badExif.begin(), badExif.end());
    const fs::path damaged = folder_.file("damaged.jpg");
    writeBytes(damaged, bytes);

    const auto info = runFotra({"info", damaged.string()});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.err.find("fotra: warning: part of the metadata"), std::string::npos) << info.err;
    const auto convert = runFotra({"convert", damaged.string(), folder_.file("out.png")});
    EXPECT_EQ(convert.status, 0);
    COvImage2 expected;
    COvImage2 written;
    ASSERT_TRUE(expected.loadFromFile(clean.string()));
    ASSERT_TRUE(written.loadFromFile(folder_.file("out.png")));
    EXPECT_EQ(written.current, expected.current);
}

} // namespace
