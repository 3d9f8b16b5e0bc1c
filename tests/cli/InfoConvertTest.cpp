// fotra info and fotra convert run as from the shell: what info prints, and
// converted files read back as the program reads them.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"
#include "image/COvImage2.h"
#include "image/ik5/Ik5Loader.h"
#include "support/TestImages.h"

namespace {

using clitest::runFotra;
namespace fs = std::filesystem;

std::uint8_t paletteIndex(int x, int row, int)
{
    return static_cast<std::uint8_t>(x * 31 + row * 17);
}

std::uint8_t colourByte(int x, int row, int channel)
{
    return static_cast<std::uint8_t>(x * 23 + row * 41 + channel * 80);
}

class Fotra : public ::testing::Test {
protected:
    void SetUp() override
    {
        clitest::writeBytes(palettePhoto_, clitest::bmpFile(5, 3, 8, paletteIndex));
        clitest::writeBytes(colourPhoto_, clitest::bmpFile(7, 4, 24, colourByte));
    }

    clitest::TempFolder folder_;
    const std::string palettePhoto_ = folder_.file("palette.bmp");
    const std::string colourPhoto_ = folder_.file("colour.bmp");
};

TEST_F(Fotra, InfoPrintsSizeBitDepthAndStride)
{
    const auto palette = runFotra({"info", palettePhoto_});
    EXPECT_EQ(palette.status, 0) << palette.err;
    EXPECT_EQ(palette.out, "file: " + palettePhoto_ + "\nwidth: 5\nheight: 3\nbit depth: 8 (colour table)\nstride: 16\nformat: BMP\n");
    EXPECT_TRUE(palette.err.empty()) << palette.err;

    const auto colour = runFotra({"info", colourPhoto_});
    EXPECT_EQ(colour.status, 0) << colour.err;
    EXPECT_EQ(colour.out, "file: " + colourPhoto_ + "\nwidth: 7\nheight: 4\nbit depth: 24\nstride: 24\nformat: BMP\n");
}

TEST_F(Fotra, ConvertWritesTheFormatOfTheExtension)
{
    ik5::ScopedLibraries libraries;
    COvImage2 source;
    ASSERT_TRUE(source.loadFromFile(palettePhoto_));
    for (const char* name : {"out.png", "out.tif"}) {
        const auto run = runFotra({"convert", palettePhoto_, folder_.file(name)});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(run.out.empty());
        COvImage2 converted;
        ASSERT_TRUE(converted.loadFromFile(folder_.file(name))) << name;
        EXPECT_TRUE(testsupport::imagesEqual(source, converted)) << name;
    }
    const auto jpeg = runFotra({"convert", colourPhoto_, folder_.file("out.jpg")});
    ASSERT_EQ(jpeg.status, 0) << jpeg.err;
    const auto info = runFotra({"info", folder_.file("out.jpg")});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("width: 7\nheight: 4\nbit depth: 24\n"), std::string::npos) << info.out;
}

} // namespace
