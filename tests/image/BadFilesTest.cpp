// Files that must not load: empty, cut off at any byte, random bytes under a
// photo's name, headers claiming absurd sizes, formats other than the four.
// Each load returns false, leaves the record empty and crashes nothing (the
// sanitizer build runs these too).
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "image/ImageTestSupport.h"
#include "support/TestImages.h"

namespace {

using imagetest::fixturePath;
using imagetest::readBytes;
using imagetest::writeBytes;

class BadFile : public imagetest::WithImageLibrary {
protected:
    // Loads the bytes saved under `name`; expects failure and an empty record.
    void expectRefused(const std::vector<std::uint8_t>& bytes, const std::string& name)
    {
        const std::string path = folder_.file(name);
        writeBytes(path, bytes);
        COvImage2 image;
        EXPECT_FALSE(image.loadFromFile(path)) << name << " of " << bytes.size() << " bytes";
        EXPECT_EQ(image.width, 0);
        EXPECT_TRUE(image.current.empty());
    }

    imagetest::TempFolder folder_;
};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void putBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
    }
}

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

TEST_F(BadFile, EmptyFilesAreRefused)
{
    for (const char* name : {"empty.jpg", "empty.png", "empty.tif", "empty.bmp"}) {
        expectRefused({}, name);
    }
}

TEST_F(BadFile, AMissingFileIsRefused)
{
    COvImage2 image;
    EXPECT_FALSE(image.loadFromFile(folder_.file("no-such-photo.jpg")));
}

// A JPEG that lacks only (part of) its two-byte end marker still holds all
// of its picture and opens with a note; every shorter cut is refused.
TEST_F(BadFile, FilesCutOffAtAnyByteAreRefused)
{
    for (const char* name : {"rgb5.jpg", "rgb5.png", "rgb5.tif", "rgb5.bmp", "palette5.bmp", "grey.jpg"}) {
        const std::vector<std::uint8_t> whole = readBytes(fixturePath(name));
        ASSERT_GT(whole.size(), 16u) << name;
        const std::size_t endMarker = std::string(name).ends_with(".jpg") ? 2 : 0;
        for (std::size_t length = 0; length < whole.size() - endMarker; ++length) {
            expectRefused(std::vector<std::uint8_t>(whole.begin(), whole.begin() + length), name);
        }
    }
}

TEST_F(BadFile, RandomBytesUnderAPhotoNameAreRefused)
{
    std::mt19937 rng(2024);
    for (const char* name : {"noise.jpg", "noise.png", "noise.tif", "noise.bmp"}) {
        for (std::size_t size : {1u, 7u, 64u, 5000u}) {
            std::vector<std::uint8_t> bytes(size);
            testsupport::fillRandom(bytes, rng);
            expectRefused(bytes, name);
        }
    }
}

TEST_F(BadFile, ASignatureFollowedByNoiseIsRefused)
{
    const std::vector<std::vector<std::uint8_t>> signatures = {
        {0xFF, 0xD8, 0xFF, 0xE0}, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, {'I', 'I', 42, 0}, {'M', 'M', 0, 42},
        {'B', 'M'}};
    std::mt19937 rng(77);
    for (const auto& signature : signatures) {
        for (int round = 0; round < 8; ++round) {
            std::vector<std::uint8_t> bytes(600);
            testsupport::fillRandom(bytes, rng);
            std::copy(signature.begin(), signature.end(), bytes.begin());
            expectRefused(bytes, "noise-after-signature.jpg");
        }
    }
}

TEST_F(BadFile, APngHeaderClaimingHugeDimensionsIsRefused)
{
    std::vector<std::uint8_t> bytes = readBytes(fixturePath("rgb5.png"));
    // IHDR follows the 8-byte signature: length, "IHDR", width, height, ..., CRC.
    ASSERT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
    for (std::uint32_t side : {100000u, 60000u, 2000000000u}) {
        putBigEndian(bytes, 16, side, 4);
        putBigEndian(bytes, 20, side, 4);
        putBigEndian(bytes, 29, crc32(bytes.data() + 12, 17), 4);
        expectRefused(bytes, "huge.png");
    }
}

TEST_F(BadFile, AJpegFrameClaimingHugeDimensionsIsRefused)
{
    std::vector<std::uint8_t> bytes = readBytes(fixturePath("rgb5.jpg"));
    std::size_t frame = 0;
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            frame = i;
            break;
        }
    }
    ASSERT_NE(frame, 0u);
    // Height at frame + 5, width at frame + 7: 65000 x 65000 is 4.2 gigapixels.
    putBigEndian(bytes, frame + 5, 65000, 2);
    putBigEndian(bytes, frame + 7, 65000, 2);
    expectRefused(bytes, "huge.jpg");
}

TEST_F(BadFile, ABmpHeaderClaimingHugeDimensionsIsRefused)
{
    std::vector<std::uint8_t> bytes = readBytes(fixturePath("rgb5.bmp"));
    putLittleEndian(bytes, 18, 100000);
    putLittleEndian(bytes, 22, 100000);
    expectRefused(bytes, "huge.bmp");
}

TEST_F(BadFile, AFormatOtherThanTheFourIsRefused)
{
    // A complete 1 x 1 GIF: Qt could read it, the library does not.
    const std::vector<std::uint8_t> gif = {'G',  'I',  'F',  '8',  '9',  'a',  1,    0,    1,    0,    0x80, 0,
                                           0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0x2C, 0,    0,    0,    0,
                                           1,    0,    1,    0,    0,    0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    expectRefused(gif, "picture.png");
}

} // namespace
