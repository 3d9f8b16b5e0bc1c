// Saving `current` through the library: PNG and TIFF round trips are exact,
// JPEG at quality 90 comes back close; unknown format codes write nothing,
// a save that fails leaves an existing file byte for byte and no temporary
// file behind, and a save to anything but a regular file is refused.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/COvImage2.h"
#include "image/ImageTestSupport.h"
#include "support/TestImages.h"

namespace {

using imagetest::readBytes;
using imagetest::writeBytes;

COvImage2 recordOf(const ImagePlanes& planes)
{
    COvImage2 image;
    static_cast<ImagePlanes&>(image) = planes;
    return image;
}

// The planes as a file gives them back: row padding is not stored, so it reads 0.
ImagePlanes withClearPadding(ImagePlanes planes)
{
    for (int y = 0; y < planes.height; ++y) {
        for (std::size_t i = 3 * static_cast<std::size_t>(planes.width); i < planes.stride(); ++i) {
            planes.current[y * planes.stride() + i] = 0;
        }
    }
    return planes;
}

class SavePhoto : public imagetest::WithImageLibrary {
protected:
    imagetest::TempFolder folder_;
};

TEST_F(SavePhoto, PngAndTiffRoundTripsAreLossless)
{
    for (const auto& [width, height] : {std::pair{37, 23}, std::pair{1, 1}, std::pair{4, 9}, std::pair{5, 2}}) {
        const COvImage2 source = recordOf(testsupport::randomImage(width, height, width * 100 + height));
        for (const auto& [format, name] : {std::pair{SaveFormatPng, "out.png"}, std::pair{SaveFormatTiff, "out.tif"}}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(width) + " x " + std::to_string(height));
            ASSERT_TRUE(source.saveToFile(folder_.file(name), format));
            COvImage2 loaded;
            ASSERT_TRUE(loaded.loadFromFile(folder_.file(name)));
            const ImagePlanes expected = withClearPadding(testsupport::randomImage(width, height, width * 100 + height));
            EXPECT_TRUE(testsupport::imagesEqual(expected, loaded));
        }
    }
}

TEST_F(SavePhoto, JpegAtQuality90ComesBackClose)
{
    const COvImage2 source = recordOf(testsupport::photoLikeImage(64, 48, 5));
    ASSERT_TRUE(source.saveToFile(folder_.file("photo.jpg"), SaveFormatJpeg));
    COvImage2 loaded;
    ASSERT_TRUE(loaded.loadFromFile(folder_.file("photo.jpg")));
    ASSERT_EQ(loaded.width, 64);
    ASSERT_EQ(loaded.height, 48);
    double totalError = 0.0;
    int count = 0;
    for (int y = 0; y < 48; ++y) {
        for (int i = 0; i < 3 * 64; ++i) {
            const std::size_t at = y * source.stride() + i;
            totalError += std::abs(source.current[at] - loaded.current[at]);
            ++count;
        }
    }
    // The picture carries noise of 6 levels, which JPEG smooths away in part.
    EXPECT_LT(totalError / count, 6.0);

    // The encoder scales the standard luminance table (DC entry 16) by
    // 200 - 2 x quality percent: 3 at quality 90, 8 at the usual 75.
    const std::vector<std::uint8_t> file = readBytes(folder_.file("photo.jpg"));
    std::size_t table = 0;
    for (std::size_t i = 0; i + 5 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xDB) {
            table = i;
            break;
        }
    }
    ASSERT_NE(table, 0u);
    EXPECT_EQ(file[table + 4], 0); // 8-bit luminance table 0
    EXPECT_EQ(file[table + 5], 3);
}

TEST_F(SavePhoto, UnknownFormatCodesWriteNothing)
{
    const COvImage2 source = recordOf(testsupport::randomImage(3, 3, 1));
    for (int code : {0, 4, -1, 255}) {
        EXPECT_FALSE(source.saveToFile(folder_.file("out.jpg"), code)) << code;
    }
    EXPECT_TRUE(folder_.entries().empty());
}

TEST_F(SavePhoto, ARecordWithoutPhotoSavesNothing)
{
    const COvImage2 empty;
    EXPECT_FALSE(empty.saveToFile(folder_.file("out.png"), SaveFormatPng));
    EXPECT_TRUE(folder_.entries().empty());
}

TEST_F(SavePhoto, AFailedSaveKeepsTheExistingFileByteForByte)
{
    const std::vector<std::uint8_t> previous = readBytes(imagetest::fixturePath("rgb4.jpg"));
    const std::string target = folder_.file("photo.jpg");
    writeBytes(target, previous);
    // JPEG cannot hold a row wider than 65500 pixels: the encoder fails
    // after the file was opened.
    const COvImage2 tooWide = recordOf(testsupport::randomImage(70000, 1, 3));
    EXPECT_FALSE(tooWide.saveToFile(target, SaveFormatJpeg));
    EXPECT_EQ(readBytes(target), previous);
    EXPECT_EQ(folder_.entries(), std::vector<std::string>{"photo.jpg"});
}

TEST_F(SavePhoto, ASuccessfulSaveReplacesTheExistingFile)
{
    const std::string target = folder_.file("photo.png");
    writeBytes(target, {'o', 'l', 'd'});
    const COvImage2 source = recordOf(testsupport::randomImage(6, 4, 9));
    ASSERT_TRUE(source.saveToFile(target, SaveFormatPng));
    COvImage2 loaded;
    ASSERT_TRUE(loaded.loadFromFile(target));
    EXPECT_TRUE(testsupport::planesEqual(withClearPadding(source).current, loaded.current, 6));
    EXPECT_EQ(folder_.entries(), std::vector<std::string>{"photo.png"});
}

// Where a save lands, by what the name is: a regular file or a new name is
// written (through symbolic links, which stay links); anything else is
// refused with its reason, and the folder is left exactly as it was.
TEST_F(SavePhoto, TheTargetsKindDecidesWhereASaveLands)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make; // prepares the folder
        const char* target;                        // saved to, inside the folder
        FileError error;
        const char* lands = ""; // the regular file the photo is written to
    };
    const auto link = [](const char* to, const char* name) {
        return [=](const fs::path& folder) { fs::create_symlink(to, folder / name); };
    };
    const Case cases[] = {
        {"missing folder", [](const fs::path&) {}, "no-such-folder/out.png", FileError::NoSuchFolder},
        {"folder", [](const fs::path& f) { fs::create_directory(f / "out.png"); }, "out.png", FileError::IsFolder},
        {"FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo((f / "pipe.png").c_str(), 0600), 0); }, "pipe.png",
         FileError::NotRegularFile},
        {"link to a device", link("/dev/null", "null.png"), "null.png", FileError::NotRegularFile},
        {"link loop", link("loop.png", "loop.png"), "loop.png", FileError::WriteFailed},
        {"relative link from another folder",
         [](const fs::path& f) {
             writeBytes((f / "photo.png").string(), {'o', 'l', 'd'});
             fs::create_directory(f / "sub");
             fs::create_symlink("../photo.png", f / "sub/link.png");
         },
         "sub/link.png", FileError::None, "photo.png"},
        {"chain of links to a new name",
         [](const fs::path& f) {
             fs::create_symlink("second.png", f / "first.png");
             fs::create_symlink("new.png", f / "second.png");
         },
         "first.png", FileError::None, "new.png"},
    };
    const COvImage2 source = recordOf(testsupport::randomImage(6, 4, 9));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const imagetest::TempFolder folder;
        c.make(folder.path());
        const auto listing = [&] {
            std::vector<std::pair<std::string, fs::file_type>> entries;
            for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
                entries.emplace_back(entry.path().string(), entry.symlink_status().type());
            }
            std::sort(entries.begin(), entries.end());
            return entries;
        };
        const auto before = listing();
        const bool newFile = c.error == FileError::None && !fs::exists(fs::symlink_status(folder.file(c.lands)));
        EXPECT_EQ(source.saveToFile(folder.file(c.target), SaveFormatPng), c.error == FileError::None);
        EXPECT_EQ(source.fileProblem.error, c.error);
        if (c.error != FileError::None) {
            EXPECT_EQ(listing(), before);
            continue;
        }
        EXPECT_TRUE(fs::is_symlink(folder.file(c.target)));
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder.file(c.lands))));
        COvImage2 loaded;
        ASSERT_TRUE(loaded.loadFromFile(folder.file(c.lands)));
        EXPECT_TRUE(testsupport::planesEqual(withClearPadding(source).current, loaded.current, 6));
        // No temporary file stays beside it.
        EXPECT_EQ(listing().size(), before.size() + (newFile ? 1 : 0));
    }
}

TEST_F(SavePhoto, SavingLeavesThePlanesUnchanged)
{
    const ImagePlanes planes = testsupport::noisyImage(7, 5, 12);
    const COvImage2 source = recordOf(planes);
    ASSERT_TRUE(source.saveToFile(folder_.file("out.tif"), SaveFormatTiff));
    EXPECT_TRUE(testsupport::imagesEqual(planes, source));
}

} // namespace
