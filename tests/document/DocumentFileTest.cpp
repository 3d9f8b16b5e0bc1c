// Open and save through the real image record and image-file library: the
// extension names the written format whatever its case or long form, an
// unreadable file keeps the open photo, and what is saved reads back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "DocumentFakes.h"
#include "image/ik5/Ik5Loader.h"
#include "support/TestImages.h"

using namespace documenttest;
namespace fs = std::filesystem;

namespace {

std::string leadingBytes(const fs::path& path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::vector<std::uint8_t> pixelBytes(const ImagePlanes& image)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < image.height; ++y) {
        const auto row = image.current.begin() + static_cast<std::ptrdiff_t>(y * image.stride());
        pixels.insert(pixels.end(), row, row + 3 * image.width);
    }
    return pixels;
}

class DocumentFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { libraries_ = std::make_unique<ik5::ScopedLibraries>(); }
    static void TearDownTestSuite() { libraries_.reset(); }

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "fotra-document-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        // The photo on disk, written losslessly through the record itself.
        COvImage2 record;
        static_cast<ImagePlanes&>(record) = testsupport::randomImage(10, 7, 31);
        original_ = pixelBytes(record);
        source_ = folder_ / "source.png";
        ASSERT_TRUE(record.saveToFile(source_.string(), SaveFormatPng));
    }
    void TearDown() override { fs::remove_all(folder_); }

    static inline std::unique_ptr<ik5::ScopedLibraries> libraries_;
    fs::path folder_;
    fs::path source_;
    std::vector<std::uint8_t> original_;
};

} // namespace

TEST_F(DocumentFiles, OpensAPhotoFile)
{
    DocumentFixture f(true);
    f.open(source_.string());
    ASSERT_TRUE(f.doc.hasPhoto()) << (f.messageBox.messages.empty() ? "" : f.messageBox.messages[0]);
    EXPECT_EQ(f.doc.photo()->width, 10);
    EXPECT_EQ(f.doc.photo()->height, 7);
    EXPECT_EQ(pixelBytes(*f.doc.photo()), original_);
}

TEST_F(DocumentFiles, SaveWritesTheFormatTheExtensionNames)
{
    const std::string jpeg("\xFF\xD8\xFF", 3);
    const std::string png("\x89PNG", 4);
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"a.JPG", {jpeg}},
        {"b.jpeg", {jpeg}},
        {"c.tiff", {std::string("II*\0", 4), std::string("MM\0*", 4)}},
        {"d.TIF", {std::string("II*\0", 4), std::string("MM\0*", 4)}},
        {"e.PNG", {png}},
    };
    DocumentFixture f(true);
    f.open(source_.string());
    ASSERT_TRUE(f.doc.hasPhoto());
    for (const auto& [name, magics] : cases) {
        SCOPED_TRACE(name);
        f.accept(6, EffectValues{10, 40, 0, {}, {}});
        const fs::path target = folder_ / name;
        f.save(target.string());
        EXPECT_TRUE(f.messageBox.messages.empty());
        EXPECT_FALSE(f.doc.isModified());
        ASSERT_TRUE(fs::exists(target));
        const std::string head = leadingBytes(target, magics[0].size());
        EXPECT_TRUE(std::find(magics.begin(), magics.end(), head) != magics.end());

        DocumentFixture reader(true);
        reader.open(target.string());
        ASSERT_TRUE(reader.doc.hasPhoto());
        EXPECT_EQ(reader.doc.photo()->width, 10);
        if (magics[0] != jpeg) {
            EXPECT_EQ(pixelBytes(*reader.doc.photo()), pixelBytes(*f.doc.photo()));
        }
    }
}

TEST_F(DocumentFiles, SaveToAnExtensionWithoutAFormatWritesNothing)
{
    DocumentFixture f(true);
    f.open(source_.string());
    f.accept(6, EffectValues{10, 40, 0, {}, {}});
    const fs::path target = folder_ / "a.bmp";
    f.save(target.string());
    EXPECT_FALSE(fs::exists(target));
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.messageBox.messages[0], "ファイルの保存に失敗しました。\n保存できるのは JPEG（.jpg）、PNG（.png）、TIFF（.tif）です。");
    EXPECT_TRUE(f.doc.isModified());
}

TEST_F(DocumentFiles, SaveIntoAMissingFolderFails)
{
    DocumentFixture f(true);
    f.open(source_.string());
    f.accept(6, EffectValues{10, 40, 0, {}, {}});
    f.save((folder_ / "missing" / "a.png").string());
    ASSERT_EQ(f.messageBox.messages.size(), 1u);
    EXPECT_EQ(f.messageBox.messages[0], "ファイルの保存に失敗しました。\n保存先のフォルダーが見つかりません。");
    EXPECT_TRUE(f.doc.isModified());
}

TEST_F(DocumentFiles, UnreadableFilesKeepTheOpenPhoto)
{
    const fs::path text = folder_ / "notes.jpg";
    std::ofstream(text) << "not a photo";
    DocumentFixture f(true);
    f.open(source_.string());
    f.accept(6, EffectValues{10, 40, 0, {}, {}});
    const std::vector<std::uint8_t> edited = f.doc.photo()->current;
    for (const fs::path& bad : {text, folder_ / "missing.png"}) {
        SCOPED_TRACE(bad.string());
        f.messageBox.messages.clear();
        f.open(bad.string());
        ASSERT_TRUE(f.doc.hasPhoto());
        EXPECT_EQ(f.doc.photo()->current, edited);
        EXPECT_EQ(f.doc.historyLength(), 2);
        ASSERT_EQ(f.messageBox.messages.size(), 1u);
        EXPECT_NE(f.messageBox.messages[0].find(bad.string()), std::string::npos);
    }
}
