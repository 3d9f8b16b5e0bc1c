// The document keeps a photo's metadata from open to save: every field the
// saved format holds survives an effect, orientation and size describe the
// saved pixels, no old thumbnail goes out, damaged metadata never stops an
// open, a metadata failure never costs the saved pixels, and a save is one
// atomic write of the pixels with their metadata.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "document/EffectCatalogue.h"
#include "document/DocumentFakes.h"
#include "document/SessionFiles.h"
#include "document/SessionTestSupport.h"
#include "image/ik5/Ik5Loader.h"
#include "image/metadata/ExivMetadataIo.h"
#include "metadata/MetadataTestSupport.h"
#include "support/TestImages.h"

namespace {

using namespace metadatatest;

class DocumentMetadata : public ::testing::Test {
protected:
    DocumentMetadata()
    {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        DocumentUi ui{&fixture_.fileDialogs, &fixture_.messageBox, &fixture_.waitCursor, &fixture_.effectDialogs,
                      &fixture_.view};
        ui.statusLine = &status_;
        fixture_.doc.setUi(ui);
        fixture_.doc.setMetadataIo(std::make_shared<metadata::ExivMetadataIo>());
    }
    ~DocumentMetadata() override { fs::remove_all(folder_); }

    fs::path file(const std::string& name) const { return folder_ / name; }

    // A JPEG camera photo of `planes` with full metadata.
    fs::path cameraJpeg(const std::string& name, const ImagePlanes& planes, int orientation,
                        const fs::path& thumbnail = {})
    {
        const fs::path path = file(name);
        writePhoto(path, planes, SaveFormatJpeg);
        addCameraMetadata(path, orientation, thumbnail);
        return path;
    }

    const ik5::ScopedLibraries libraries_;
    const fs::path folder_ = fs::temp_directory_path() / ("fotra-metadata-doc-" + std::to_string(getpid()));
    documenttest::DocumentFixture fixture_{true};
    FakeStatusLine status_;
    CFotraDoc& doc_ = fixture_.doc;
};

struct SavedFormat {
    const char* extension;
    int format;
};

class EveryFormat : public DocumentMetadata, public ::testing::WithParamInterface<SavedFormat> {};

TEST_P(EveryFormat, AFullCameraPhotoKeepsEveryFieldThroughAnEffectAndASave)
{
    const fs::path source = cameraJpeg("camera.jpg", testsupport::photoLikeImage(37, 23, 5), 1);
    fixture_.open(source.string());
    ASSERT_TRUE(doc_.hasPhoto());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    ASSERT_TRUE(doc_.isModified());
    const fs::path saved = file(std::string("saved.") + GetParam().extension);
    fixture_.save(saved.string());
    EXPECT_FALSE(doc_.isModified());
    EXPECT_TRUE(fixture_.messageBox.messages.empty());
    EXPECT_TRUE(status_.lines.empty());

    const StoredMetadata stored = readStored(saved);
    EXPECT_EQ(stored.exifText("Exif.Image.Make"), "Canon");
    EXPECT_EQ(stored.exifText("Exif.Image.Model"), "Canon EOS 5D");
    EXPECT_EQ(stored.exifText("Exif.Image.Artist"), "A. Photographer");
    EXPECT_EQ(stored.exifText("Exif.Photo.DateTimeOriginal"), "2024:05:01 10:11:12");
    EXPECT_EQ(stored.exifText("Exif.Photo.ExposureTime"), "1/250");
    EXPECT_EQ(stored.exifText("Exif.GPSInfo.GPSLatitude"), "35/1 40/1 0/1");
    EXPECT_EQ(stored.exifText("Exif.Image.Orientation"), "1");
    // Told the truth: the saved pixels' size and this program.
    EXPECT_EQ(stored.exifText("Exif.Photo.PixelXDimension"), "37");
    EXPECT_EQ(stored.exifText("Exif.Photo.PixelYDimension"), "23");
    EXPECT_EQ(stored.exifText("Exif.Image.ImageWidth"), "37");
    EXPECT_EQ(stored.exifText("Exif.Image.ImageLength"), "23");
    EXPECT_EQ(stored.exifText("Exif.Image.Software"), "Pekarun4Free");
    EXPECT_EQ(stored.iptcTexts("Iptc.Application2.Caption"), std::vector<std::string>{"Harbour at dawn"});
    EXPECT_EQ(stored.iptcTexts("Iptc.Application2.City"), std::vector<std::string>{"Yokohama"});
    EXPECT_EQ(stored.iptcTexts("Iptc.Application2.Keywords"), (std::vector<std::string>{"harbour", "dawn"}));
    EXPECT_NE(stored.xmpText("Xmp.dc.title").find("Harbour"), std::string::npos) << stored.xmpText("Xmp.dc.title");
    EXPECT_EQ(stored.xmpText("Xmp.dc.creator"), "A. Photographer");
    EXPECT_EQ(stored.xmpText("Xmp.exif.PixelXDimension"), "37");
    EXPECT_EQ(stored.icc, cameraProfile());
    EXPECT_FALSE(stored.hasThumbnail());

    // The pixels are the document's, and the folder holds no leftovers.
    COvImage2 reread;
    ASSERT_TRUE(reread.loadFromFile(saved.string()));
    EXPECT_EQ(reread.width, 37);
    EXPECT_EQ(reread.height, 23);
    if (GetParam().format != SaveFormatJpeg) {
        EXPECT_EQ(reread.current, doc_.photo()->current);
    }
    EXPECT_EQ(folderEntries(folder_), (std::vector<std::string>{"camera.jpg", saved.filename().string()}));
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat,
                         ::testing::Values(SavedFormat{"jpg", SaveFormatJpeg}, SavedFormat{"png", SaveFormatPng},
                                           SavedFormat{"tif", SaveFormatTiff}),
                         [](const auto& info) { return std::string(info.param.extension); });

TEST_F(DocumentMetadata, ASavedPngNamesItsColourProfileAsPngRequires)
{
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(9, 7, 2), 1).string());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    const fs::path saved = file("saved.png");
    fixture_.save(saved.string());
    // The iCCP chunk: a 1..79-byte name before its NUL.
    const std::vector<std::uint8_t> png = readBytes(saved);
    const std::string text(png.begin(), png.end());
    const std::size_t chunk = text.find("iCCP");
    ASSERT_NE(chunk, std::string::npos);
    EXPECT_EQ(text.substr(chunk + 4, 12), std::string("ICC profile") + '\0');
}

TEST_F(DocumentMetadata, AProfileLargerThanOneJpegSegmentGoesOutWhole)
{
    // Printer and camera profiles can exceed the 64 KB of one JPEG segment.
    std::vector<std::uint8_t> element = {'d', 'e', 's', 'c', 0, 0, 0, 0, 0, 0, 0, 6, 'L', 'a', 'r', 'g', 'e', 0};
    element.resize(150000, 0x5A);
    const std::vector<std::uint8_t> large = iccProfileWithDescElement(0x02100000, element);
    const fs::path source = file("large.jpg");
    writePhoto(source, testsupport::photoLikeImage(12, 8, 4), SaveFormatJpeg);
    {
        const std::unique_ptr<Exiv2::Image> image = openExiv(source);
        putIccProfile(*image, large);
        image->writeMetadata();
    }
    fixture_.open(source.string());
    EXPECT_EQ(metadata::summarize(doc_.photoMetadata()).profileName, "Large");
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    EXPECT_EQ(readStored(file("saved.jpg")).icc, large);
    COvImage2 reread;
    EXPECT_TRUE(reread.loadFromFile(file("saved.jpg").string()));
}

TEST_F(DocumentMetadata, ATiffsStorageTagsStayBehindWhenItIsSavedInAnotherFormat)
{
    const fs::path source = file("camera.tif");
    writePhoto(source, testsupport::photoLikeImage(21, 13, 3), SaveFormatTiff);
    addCameraMetadata(source, 1);
    ASSERT_FALSE(readStored(source).exifText("Exif.Image.StripOffsets").empty());
    fixture_.open(source.string());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    EXPECT_TRUE(status_.lines.empty());

    const StoredMetadata stored = readStored(file("saved.jpg"));
    EXPECT_EQ(stored.exifText("Exif.Image.Model"), "Canon EOS 5D");
    EXPECT_EQ(stored.icc, cameraProfile());
    EXPECT_EQ(stored.iptcTexts("Iptc.Application2.City"), std::vector<std::string>{"Yokohama"});
    for (const char* key : {"Exif.Image.StripOffsets", "Exif.Image.StripByteCounts", "Exif.Image.RowsPerStrip",
                            "Exif.Image.BitsPerSample", "Exif.Image.Compression", "Exif.Image.InterColorProfile",
                            "Exif.Image.XMLPacket", "Exif.Image.IPTCNAA"}) {
        EXPECT_EQ(stored.exifText(key), "") << key;
    }
    COvImage2 reread;
    ASSERT_TRUE(reread.loadFromFile(file("saved.jpg").string()));
    EXPECT_EQ(reread.width, 21);
}

TEST_F(DocumentMetadata, ASaveThroughASymbolicLinkWritesTheMetadataIntoItsTarget)
{
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(12, 8, 4), 1).string());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fs::create_directory(file("real"));
    writeBytes(file("real/photo.jpg"), {});
    fs::create_symlink(file("real/photo.jpg"), file("link.jpg"));
    fixture_.save(file("link.jpg").string());
    EXPECT_TRUE(fs::is_symlink(file("link.jpg")));
    EXPECT_EQ(readStored(file("real/photo.jpg")).exifText("Exif.Image.Software"), "Pekarun4Free");
    EXPECT_EQ(folderEntries(file("real")), std::vector<std::string>{"photo.jpg"});
}

TEST_F(DocumentMetadata, ARestoredSessionTakesTheMetadataFromItsPhotoFile)
{
    const fs::path photo = cameraJpeg("camera.jpg", testsupport::photoLikeImage(12, 8, 4), 1);
    documenttest::TempFolder sessions;
    {
        const std::unique_ptr<session::SessionFiles> files = session::SessionFiles::create(sessions.path());
        ASSERT_NE(files, nullptr);
        session::Journal journal{photo.string(), std::nullopt, 12, 8, true, 1, {}};
        const std::vector<std::uint8_t> plane(journal.planeBytes(), 7);
        for (const std::uint32_t slot : {0u, 1u}) {
            ASSERT_TRUE(files->writeSlot(slot, plane));
            journal.snapshots.push_back({slot, session::checksum(plane)});
        }
        std::ofstream(files->journalPath(), std::ios::binary) << session::formatJournal(journal);
    }
    documenttest::FakeQuestionBox question;
    question.answer = RecoveryAnswer::Restore;
    DocumentUi ui{&fixture_.fileDialogs, &fixture_.messageBox, &fixture_.waitCursor, &fixture_.effectDialogs,
                  &fixture_.view};
    ui.questionBox = &question;
    doc_.setUi(ui);
    doc_.setSessionFolder(sessions.path());
    ASSERT_TRUE(doc_.offerSessionRecovery());
    EXPECT_EQ(metadata::summarize(doc_.photoMetadata()).camera, "Canon EOS 5D");
    fixture_.save(file("saved.jpg").string());
    EXPECT_EQ(readStored(file("saved.jpg")).exifText("Exif.Image.Artist"), "A. Photographer");
    doc_.setSessionFolder({});
}

TEST_F(DocumentMetadata, OrientationSixOpensUprightAndSavesAsNormalWithoutTheOldThumbnail)
{
    // Stored 40 x 20 sideways: red on the left, which is the top once upright.
    const fs::path thumbnail = file("thumbnail.jpg");
    writePhoto(thumbnail, twoColourPlanes(8, 4), SaveFormatJpeg);
    const fs::path source = cameraJpeg("sideways.jpg", twoColourPlanes(40, 20), 6, thumbnail);
    ASSERT_TRUE(readStored(source).hasThumbnail());

    fixture_.open(source.string());
    ASSERT_TRUE(doc_.hasPhoto());
    const COvImage2& photo = *doc_.photo();
    ASSERT_EQ(photo.width, 20);
    ASSERT_EQ(photo.height, 40);
    EXPECT_EQ(colourAt(photo, 10, 5), 'r');
    EXPECT_EQ(colourAt(photo, 10, 34), 'b');
    const metadata::MetadataSummary summary = metadata::summarize(doc_.photoMetadata());
    EXPECT_EQ(summary.orientation, 6);
    EXPECT_TRUE(summary.orientationApplied);

    for (const char* name : {"upright.jpg", "upright.tif"}) {
        doc_.onCommand(CommandId::TriangleSharpenFilter);
        fixture_.save(file(name).string());
        const StoredMetadata stored = readStored(file(name));
        EXPECT_EQ(stored.exifText("Exif.Image.Orientation"), "1") << name;
        EXPECT_EQ(stored.xmpText("Xmp.tiff.Orientation"), "1") << name;
        EXPECT_EQ(stored.exifText("Exif.Photo.PixelXDimension"), "20") << name;
        EXPECT_EQ(stored.exifText("Exif.Photo.PixelYDimension"), "40") << name;
        EXPECT_FALSE(stored.hasThumbnail()) << name;

        // Read again, the saved photo stands as the user saw it.
        COvImage2 reread;
        ASSERT_TRUE(reread.loadFromFile(file(name).string())) << name;
        ASSERT_EQ(reread.width, 20) << name;
        EXPECT_EQ(colourAt(reread, 10, 5), 'r') << name;
        EXPECT_EQ(colourAt(reread, 10, 34), 'b') << name;
    }
}

TEST_F(DocumentMetadata, APngsOrientationThatTheLoaderDoesNotApplyStaysAsStated)
{
    // The PNG reader leaves the pixels as stored, so the tag still tells how to show them.
    const fs::path source = file("sideways.png");
    writePhoto(source, twoColourPlanes(40, 20), SaveFormatPng);
    addCameraMetadata(source, 6);
    fixture_.open(source.string());
    ASSERT_EQ(doc_.photo()->width, 40);
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    EXPECT_EQ(readStored(file("saved.jpg")).exifText("Exif.Image.Orientation"), "6");
}

// A JPEG whose EXIF block claims an IFD far beyond its end, with a good XMP block.
fs::path corruptExifJpeg(const fs::path& clean, const fs::path& corrupt)
{
    std::vector<std::uint8_t> bytes = readBytes(clean);
    std::vector<std::uint8_t> segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0,
                                         0xF0, 0xFF, 0xFF, 0x7F};
    for (int i = 0; i < 40; ++i) {
        segment.push_back(static_cast<std::uint8_t>(0xA5 ^ i));
    }
    segment[2] = static_cast<std::uint8_t>((segment.size() - 2) >> 8);
    segment[3] = static_cast<std::uint8_t>((segment.size() - 2) & 0xFF);
    bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
    writeBytes(corrupt, bytes);
    return corrupt;
}

TEST_F(DocumentMetadata, AJpegWithACorruptExifBlockOpensWithItsPixelsIntact)
{
    const fs::path clean = file("clean.jpg");
    writePhoto(clean, testsupport::photoLikeImage(31, 17, 9), SaveFormatJpeg);
    {
        const std::unique_ptr<Exiv2::Image> image = openExiv(clean);
        Exiv2::XmpData xmp;
        xmp["Xmp.dc.creator"] = "A. Photographer";
        image->setXmpData(xmp);
        image->writeMetadata();
    }
    const fs::path corrupt = corruptExifJpeg(clean, file("corrupt.jpg"));
    COvImage2 expected;
    ASSERT_TRUE(expected.loadFromFile(clean.string()));

    fixture_.open(corrupt.string());
    ASSERT_TRUE(doc_.hasPhoto());
    EXPECT_EQ(doc_.photo()->current, expected.current);
    EXPECT_TRUE(fixture_.messageBox.messages.empty());
    ASSERT_EQ(status_.lines.size(), 1u);
    EXPECT_NE(status_.lines[0].find("撮影情報"), std::string::npos);

    // What could be read still goes out; the broken block does not.
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    const StoredMetadata stored = readStored(file("saved.jpg"));
    EXPECT_EQ(stored.xmpText("Xmp.dc.creator"), "A. Photographer");
    EXPECT_EQ(stored.exifText("Exif.Image.Make"), "");
}

TEST_F(DocumentMetadata, ASaveIntoAFormatThatHoldsNoMetadataStillWritesThePixels)
{
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(12, 8, 4), 1).string());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    // A saver whose file is a BMP, which holds no metadata.
    const std::vector<std::uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
                                           1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0};
    doc_.setPhotoSaver([&](const COvImage2&, const std::string& path, int) {
        writeBytes(path, bmp);
        return true;
    });
    fixture_.save(file("saved.png").string());
    EXPECT_FALSE(doc_.isModified());
    EXPECT_EQ(readBytes(file("saved.png")), bmp);
    EXPECT_TRUE(status_.lines.empty());
    EXPECT_TRUE(fixture_.messageBox.messages.empty());
}

// Metadata that cannot be put into the encoded file does not cost the pixels:
// they are saved, and the status line says what is missing.
TEST_F(DocumentMetadata, MetadataThatCannotBePutInKeepsThePixelsAndSaysSoInTheStatusLine)
{
    class RefusingMetadataIo final : public IMetadataIo {
    public:
        MetadataReadResult read(const std::string& path) override { return real.read(path); }
        bool embed(std::vector<std::uint8_t>&, const PhotoMetadata*, int, int, std::span<const std::uint8_t>) override
        {
            return false;
        }
        metadata::ExivMetadataIo real;
    };
    doc_.setMetadataIo(std::make_shared<RefusingMetadataIo>());
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(12, 8, 4), 1).string());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    EXPECT_FALSE(doc_.isModified());
    EXPECT_EQ(readStored(file("saved.jpg")).exifText("Exif.Image.Make"), "");
    ASSERT_EQ(status_.lines.size(), 1u);
    EXPECT_NE(status_.lines[0].find("保存しました"), std::string::npos);
    EXPECT_TRUE(fixture_.messageBox.messages.empty());
    EXPECT_EQ(folderEntries(folder_), (std::vector<std::string>{"camera.jpg", "saved.jpg"}));
}

// A save is one write: the pixels and their metadata go out together into a
// new file that replaces the old one by rename. A save cut short (a file-size
// limit stands in for a full disk or a kill mid-write) leaves the old file
// exactly as it was and no temporary file; a whole one leaves a new file (a
// new inode) that holds the metadata. There is no moment at which the target
// holds the new pixels without their metadata.
TEST_F(DocumentMetadata, ASaveIsOneAtomicWriteOfThePixelsWithTheirMetadata)
{
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(64, 48, 4), 1).string());
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    const std::vector<std::uint8_t> old(5000, 'o');
    writeBytes(file("saved.jpg"), old);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 1000;
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    fixture_.save(file("saved.jpg").string());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(doc_.isModified());
    EXPECT_EQ(fixture_.messageBox.messages,
              std::vector<std::string>{"ファイルの保存に失敗しました。\nディスクの空き容量が足りません。"});
    EXPECT_EQ(readBytes(file("saved.jpg")), old);
    EXPECT_EQ(folderEntries(folder_), (std::vector<std::string>{"camera.jpg", "saved.jpg"}));

    const auto inodeOf = [](const fs::path& path) {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? status.st_ino : ino_t{0};
    };
    const ino_t oldInode = inodeOf(file("saved.jpg"));
    fixture_.save(file("saved.jpg").string());
    EXPECT_FALSE(doc_.isModified());
    EXPECT_NE(inodeOf(file("saved.jpg")), oldInode);
    EXPECT_EQ(readStored(file("saved.jpg")).exifText("Exif.Image.Make"), "Canon");
    EXPECT_EQ(folderEntries(folder_), (std::vector<std::string>{"camera.jpg", "saved.jpg"}));
}

TEST_F(DocumentMetadata, ANewOpenReplacesTheMetadataAndAFailedOpenKeepsIt)
{
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(12, 8, 4), 1).string());
    const PhotoMetadata* kept = doc_.photoMetadata();
    ASSERT_NE(kept, nullptr);
    fixture_.open(file("missing.jpg").string());
    EXPECT_EQ(doc_.photoMetadata(), kept);
    EXPECT_EQ(metadata::summarize(doc_.photoMetadata()).camera, "Canon EOS 5D");

    const fs::path plain = file("plain.png");
    writePhoto(plain, testsupport::photoLikeImage(5, 5, 1), SaveFormatPng);
    fixture_.open(plain.string());
    EXPECT_EQ(doc_.photoMetadata(), nullptr);
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    EXPECT_TRUE(readStored(file("saved.jpg")).exif.empty());
    EXPECT_TRUE(status_.lines.empty());
}

TEST_F(DocumentMetadata, WithoutAMetadataLibraryTheDocumentMovesPixelsOnly)
{
    doc_.setMetadataIo(nullptr);
    fixture_.open(cameraJpeg("camera.jpg", testsupport::photoLikeImage(12, 8, 4), 1).string());
    EXPECT_EQ(doc_.photoMetadata(), nullptr);
    doc_.onCommand(CommandId::TriangleSharpenFilter);
    fixture_.save(file("saved.jpg").string());
    EXPECT_TRUE(readStored(file("saved.jpg")).exif.empty());
}

} // namespace
