// The loader and the record's DIB import. Folders assembled from links to
// the real modules show that a missing module fails its functions quietly;
// a fake file module that returns a file's bytes as the DIB lets the tests
// hand the record DIBs of any layout, including ones it must refuse.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "image/ImageTestSupport.h"
#include "support/TestImages.h"

namespace {

namespace fs = std::filesystem;
using imagetest::TempFolder;

void linkModule(const TempFolder& folder, const std::string& name, const fs::path& target)
{
    fs::create_symlink(target, folder.path() / name);
}

fs::path realModule(const std::string& name)
{
    return fs::path(ik5::programDirectory()) / name;
}

// A packed DIB as the library hands it out.
std::vector<std::uint8_t> makeDib(int width, int height, int bitCount, std::uint32_t compression,
                                  const std::vector<std::uint8_t>& table, const std::vector<std::uint8_t>& pixels)
{
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<std::uint16_t>(bitCount);
    header.biCompression = compression;
    std::vector<std::uint8_t> dib(sizeof header + table.size() + pixels.size());
    std::memcpy(dib.data(), &header, sizeof header);
    const auto tableStart = dib.begin() + static_cast<std::ptrdiff_t>(sizeof header);
    std::copy(table.begin(), table.end(), tableStart);
    std::copy(pixels.begin(), pixels.end(), tableStart + static_cast<std::ptrdiff_t>(table.size()));
    return dib;
}

std::vector<std::uint8_t> randomBytes(std::size_t count, std::mt19937& rng)
{
    std::vector<std::uint8_t> bytes(count);
    testsupport::fillRandom(bytes, rng);
    return bytes;
}

TEST(Ik5Loader, ModulesAreLoadedInTheirFixedOrder)
{
    const std::vector<std::string> names(std::begin(ik5::kModuleNames), std::end(ik5::kModuleNames));
    EXPECT_EQ(names, (std::vector<std::string>{"libIK5COM.so", "libIK5FILE.so", "libIK5SCAN.so",
                                               "libIK5PRINT.so", "libIK5EFFECT.so"}));
}

TEST(Ik5Loader, WithoutModulesEveryFunctionFails)
{
    TempFolder empty;
    ik5::ScopedLibraries libraries(empty.path().string());
    EXPECT_EQ(ik5::fileLoad(imagetest::fixturePath("rgb3.png")), nullptr);
    EXPECT_EQ(ik5::createImage(4, 4), nullptr);
    EXPECT_FALSE(ik5::jpegFileSave(empty.file("a.jpg"), nullptr));
    EXPECT_FALSE(ik5::pngFileSave(empty.file("a.png"), nullptr));
    EXPECT_FALSE(ik5::tiffFileSave(empty.file("a.tif"), nullptr));
    ik5::freeMemory(nullptr);

    COvImage2 image;
    EXPECT_FALSE(image.loadFromFile(imagetest::fixturePath("rgb3.png")));
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.current.empty());
    static_cast<ImagePlanes&>(image) = testsupport::randomImage(3, 2, 1);
    EXPECT_FALSE(image.saveToFile(empty.file("a.png"), SaveFormatPng));
    EXPECT_TRUE(empty.entries().empty());
}

TEST(Ik5Loader, AMissingEffectModuleStopsOnlySaving)
{
    TempFolder folder;
    linkModule(folder, "libIK5COM.so", realModule("libIK5COM.so"));
    linkModule(folder, "libIK5FILE.so", realModule("libIK5FILE.so"));
    ik5::ScopedLibraries libraries(folder.path().string());
    COvImage2 image;
    ASSERT_TRUE(image.loadFromFile(imagetest::fixturePath("rgb3.png")));
    EXPECT_FALSE(image.saveToFile(folder.file("out.png"), SaveFormatPng));
    EXPECT_FALSE(fs::exists(folder.file("out.png")));
}

TEST(Ik5Loader, ReleasingUnresolvesAndLoadingAgainRestores)
{
    ik5::loadLibraries();
    ik5::releaseLibraries();
    EXPECT_EQ(ik5::createImage(2, 2), nullptr);
    ik5::loadLibraries();
    {
        // Freed while IK5COM is still loaded.
        const ik5::UniqueDib dib(ik5::createImage(2, 2));
        EXPECT_NE(dib, nullptr);
    }
    ik5::releaseLibraries();
}

TEST(Ik5Library, CreateImageGivesAWhite24BitDib)
{
    ik5::ScopedLibraries libraries;
    for (int width = 1; width <= 5; ++width) {
        const ik5::UniqueDib dib(ik5::createImage(width, 3));
        ASSERT_TRUE(dib);
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib.get(), sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, width);
        EXPECT_EQ(header.biHeight, 3);
        EXPECT_EQ(header.biBitCount, 24);
        EXPECT_EQ(header.biPlanes, 1);
        const auto* pixels = static_cast<const std::uint8_t*>(dib.get()) + 40;
        for (int y = 0; y < 3; ++y) {
            for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(width); ++i) {
                EXPECT_EQ(pixels[y * rowStride(width) + i], 255);
            }
        }
    }
}

TEST(Ik5Library, CreateImageRefusesImpossibleSizes)
{
    ik5::ScopedLibraries libraries;
    EXPECT_EQ(ik5::createImage(0, 5), nullptr);
    EXPECT_EQ(ik5::createImage(5, -1), nullptr);
    EXPECT_EQ(ik5::createImage(1 << 15, 1 << 15), nullptr);
}

// The record's import of hand-made DIBs through the fake file module.
class RawDib : public ::testing::Test {
protected:
    void SetUp() override
    {
        linkModule(modules_, "libIK5COM.so", realModule("libIK5COM.so"));
        linkModule(modules_, "libIK5FILE.so", fs::path(FOTRA_FAKE_IK5_DIR) / "libIK5FILE.so");
        ik5::loadLibraries(modules_.path().string());
    }
    void TearDown() override { ik5::releaseLibraries(); }

    bool load(COvImage2& image, const std::vector<std::uint8_t>& dib)
    {
        const std::string path = files_.file("picture.dib");
        imagetest::writeBytes(path, dib);
        return image.loadFromFile(path);
    }

    TempFolder modules_;
    TempFolder files_;
};

TEST_F(RawDib, TwentyFourBitRowsAreCopiedWithTheirPadding)
{
    std::mt19937 rng(24);
    for (int width = 1; width <= 5; ++width) {
        const std::vector<std::uint8_t> pixels = randomBytes(rowStride(width) * 4, rng);
        COvImage2 image;
        ASSERT_TRUE(load(image, makeDib(width, 4, 24, 0, {}, pixels))) << "width " << width;
        EXPECT_EQ(image.current, pixels) << "width " << width;
        EXPECT_EQ(image.result, std::vector<std::uint8_t>(pixels.size(), 255));
        EXPECT_EQ(image.scratch, std::vector<std::uint8_t>(pixels.size(), 0));
        EXPECT_EQ(image.resultBackup, std::vector<std::uint8_t>(pixels.size(), 0));
    }
}

TEST_F(RawDib, EightBitIndicesAreExpandedThroughTheTable)
{
    std::mt19937 rng(8);
    for (int width = 1; width <= 5; ++width) {
        const int height = 3;
        const std::size_t indexStride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
        const std::vector<std::uint8_t> table = randomBytes(1024, rng);
        // Random padding after the indices must not leak into the plane.
        const std::vector<std::uint8_t> indices = randomBytes(indexStride * height, rng);
        COvImage2 image;
        ASSERT_TRUE(load(image, makeDib(width, height, 8, 0, table, indices))) << "width " << width;
        ImagePlanes expected;
        expected.allocatePlanes(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t index = indices[y * indexStride + x];
                for (int c = 0; c < 3; ++c) {
                    expected.current[y * expected.stride() + 3 * x + c] = table[4 * index + c];
                }
            }
        }
        EXPECT_TRUE(testsupport::imagesEqual(expected, image)) << "width " << width;
    }
}

TEST_F(RawDib, OtherBitCountsAreRefused)
{
    for (int bitCount : {1, 4, 16, 32}) {
        const std::vector<std::uint8_t> pixels(4 * 4 * 4, 0x5A);
        COvImage2 image;
        EXPECT_FALSE(load(image, makeDib(4, 4, bitCount, 0, std::vector<std::uint8_t>(1024, 0), pixels)))
            << bitCount << " bits";
        EXPECT_EQ(image.width, 0);
        EXPECT_TRUE(image.current.empty());
    }
}

TEST_F(RawDib, HeadersTheLibraryNeverWritesAreRefused)
{
    const std::vector<std::uint8_t> pixels(rowStride(4) * 4, 0);
    COvImage2 zeroWidth;
    EXPECT_FALSE(load(zeroWidth, makeDib(0, 4, 24, 0, {}, pixels)));
    COvImage2 topDown;
    EXPECT_FALSE(load(topDown, makeDib(4, -4, 24, 0, {}, pixels)));
    COvImage2 compressed;
    EXPECT_FALSE(load(compressed, makeDib(4, 4, 24, 1, {}, pixels)));
}

TEST_F(RawDib, PlanesTooLargeForMemoryEndTheLoadWithFalse)
{
    // Four planes of 2^31 - 1 square pixels exceed what memory can hold;
    // the load must fail before it reads any pixel.
    COvImage2 image;
    EXPECT_FALSE(load(image, makeDib(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, {}, std::vector<std::uint8_t>(64, 0))));
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_TRUE(image.current.empty());
    EXPECT_TRUE(image.result.empty());
}

TEST_F(RawDib, NothingReadMeansNoPhoto)
{
    COvImage2 image;
    EXPECT_FALSE(load(image, {}));
    EXPECT_FALSE(image.loadFromFile(files_.file("missing.dib")));
}

} // namespace
