// fotra modes, apply, filter and preview run as from the shell: the photos
// they write read back equal to the document's pipelines run in this process
// with the values an accepted dialog hands on.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"
#include "dialog/PreviewPipelines.h"
#include "document/EffectCatalogue.h"
#include "document/EffectPipelines.h"
#include "image/COvImage2.h"
#include "image/ik5/Ik5Loader.h"
#include "support/TestImages.h"

namespace {

using clitest::runFotra;
namespace fs = std::filesystem;

std::uint8_t photoByte(int x, int row, int channel)
{
    // Gradients with a bright block, so that every effect changes something.
    const bool block = x >= 4 && x < 8 && row >= 3 && row < 6;
    return static_cast<std::uint8_t>(block ? 230 - channel * 20 : x * 17 + row * 29 + channel * 61);
}

// The pixel bytes of two planes equal; a file read back has zero padding,
// while `result` keeps whatever its operations left there.
::testing::AssertionResult pixelsEqual(const ImagePlanes& expected, const std::vector<std::uint8_t>& expectedPlane,
                                       const std::vector<std::uint8_t>& actualPlane)
{
    std::vector<std::uint8_t> padded = expectedPlane;
    const std::size_t stride = expected.stride();
    for (int row = 0; row < expected.height; ++row) {
        std::fill(padded.begin() + static_cast<std::ptrdiff_t>(row * stride + 3 * expected.width),
                  padded.begin() + static_cast<std::ptrdiff_t>((row + 1) * stride), 0);
    }
    return testsupport::planesEqual(padded, actualPlane, expected.width);
}

int lineCount(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class FotraEffects : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(folder_.file("second"));
        clitest::writeBytes(photo_, clitest::bmpFile(13, 9, 24, photoByte));
        clitest::writeBytes(secondPhoto_, clitest::bmpFile(6, 11, 24, [](int x, int row, int c) {
                                return static_cast<std::uint8_t>(x * 40 + row * 7 + c * 90);
                            }));
    }

    COvImage2 load(const std::string& path)
    {
        COvImage2 image;
        EXPECT_TRUE(image.loadFromFile(path)) << path;
        return image;
    }

    // The photo the accepted dialog would leave: mode's pre-dialog step,
    // then its pipeline with `values`, then `result` committed.
    COvImage2 accepted(const std::string& path, int mode, const EffectValues& values)
    {
        COvImage2 image = load(path);
        runPreDialogStep(image, mode);
        runEffectPipeline(image, mode, values);
        copyPlane(image.current, image.result);
        return image;
    }

    ik5::ScopedLibraries libraries_;
    clitest::TempFolder folder_;
    const std::string photo_ = folder_.file("photo.bmp");
    const std::string secondPhoto_ = folder_.file("second/photo2.bmp");
    const std::string output_ = folder_.file("out.png");
};

EffectValues valuesOf(int s, int e, int p, RgbColour target = {255, 255, 255}, RgbColour light = {128, 128, 128})
{
    return {s, e, p, target, light};
}

TEST_F(FotraEffects, ModesListsEveryModeWithItsValues)
{
    const auto run = runFotra({"modes"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lineCount(run.out), 38);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n', run.out.find('\n') + 1) + 1),
              "mode\tname\tcommand\ttitle\tvalues\n"
              "1\tflash\t32811\tフラッシュ\t--strength 1..100 (default 10); --effect 1..100 (default 10)\n");
    for (const char* line :
         {"\n3\tvivid\t32799\tビビットカラー\t--effect 1..100 (default 10)\n",
          "\n13\tcolour-strength\t32822\t指定色を強く、弱く\t--effect -100..100 (default 100); "
          "--precision 1..100 (default 100); --target R,G,B (default 255,255,255)\n",
          "\n15\tcolour-light\t32824\tカラーライト\t--effect 1..100 (default 50); "
          "--light R,G,B (default 128,128,128)\n",
          "\n16\twarm\t32825\tウォーム\t--effect 1..100 (default 10); light colour 255,87,0 (fixed)\n",
          "\n18\twhite-balance\t32827\t白色補正\t--effect 1..100 (default 10); "
          "--target R,G,B (default 255,255,255); light colour follows --target\n",
          "\n32\tstrong-light\t32842\t光を強く\t--strength 1..100 (default 10); --effect 1..100 (default 10)\n",
          "\n\nfilter\tcommand\nsharpen\t32776\ndenoise\t32788\nedges\t32790\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
    // Every name leads back to its own mode: none is taken twice.
    for (const EffectCommand& entry : kEffectCommands) {
        EXPECT_EQ(effectModeForName(entry.name), entry.mode) << entry.name;
    }
}

TEST_F(FotraEffects, ApplyRunsTheAcceptedPipelineWithTheDialogsValues)
{
    struct Case {
        std::vector<std::string> options;
        int mode;
        EffectValues values;
    };
    const Case cases[] = {
        // Start values where nothing is given; hidden sliders hand on theirs.
        {{"--mode", "1"}, 1, valuesOf(10, 10, 0)},
        {{"--mode", "3"}, 3, valuesOf(10, 10, 0)},
        {{"--mode", "くっきり", "--strength", "9", "--effect", "100"}, 8, valuesOf(9, 100, 0)},
        {{"--mode", "2", "--strength=100", "--effect=1"}, 2, valuesOf(100, 1, 0)},
        {{"--mode", "13", "--effect", "-100", "--target", "200,100,50"}, 13, valuesOf(10, -100, 100, {200, 100, 50})},
        {{"--mode", "12", "--precision", "255", "--strength", "0"}, 12, valuesOf(0, 10, 255)},
        {{"--mode", "10"}, 10, valuesOf(10, 100, 10, {250, 214, 186})},
        // The light colour: sliders in mode 15, the preset in 16, the
        // sampled colour in 18 and 30.
        {{"--mode", "15", "--light", "10,200,30", "--effect", "100"}, 15, valuesOf(0, 100, 0, {255, 255, 255}, {10, 200, 30})},
        {{"--mode", "16"}, 16, valuesOf(0, 10, 0, {255, 255, 255}, {255, 87, 0})},
        {{"--mode", "18"}, 18, valuesOf(0, 10, 0, {255, 255, 255}, {255, 255, 255})},
        {{"--mode", "18", "--target", "90,80,70"}, 18, valuesOf(0, 10, 0, {90, 80, 70}, {90, 80, 70})},
        {{"--mode", "30", "--target", "1,2,3"}, 30, valuesOf(10, 50, 50, {1, 2, 3}, {1, 2, 3})},
        // Mode 27 takes the mean colour before its dialog.
        {{"--mode", "27", "--effect", "100"}, 27, valuesOf(0, 100, 0)},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"apply"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {photo_, "-o", output_});
        SCOPED_TRACE(arguments[2]);
        fs::remove(output_);
        const auto run = runFotra(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_TRUE(run.err.empty()) << run.err;
        const COvImage2 expected = accepted(photo_, c.mode, c.values);
        const COvImage2 written = load(output_);
        EXPECT_TRUE(pixelsEqual(expected, expected.current, written.current));
    }
}

TEST_F(FotraEffects, ApplyIntoAFolderKeepsEachPhotosName)
{
    ASSERT_EQ(runFotra({"convert", photo_, folder_.file("a.png")}).status, 0);
    ASSERT_EQ(runFotra({"convert", secondPhoto_, folder_.file("second/b.tif")}).status, 0);
    const std::string folder = folder_.file("results");
    fs::create_directory(folder);
    const auto run = runFotra({"apply", "--mode", "7", "--strength", "3", folder_.file("a.png"),
                               folder_.file("second/b.tif"), "--out-dir", folder});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "fotra: 1/2 " + folder_.file("a.png") + " -> " + folder + "/a.png\nfotra: 2/2 " +
                           folder_.file("second/b.tif") + " -> " + folder + "/b.tif\n");
    const COvImage2 first = accepted(photo_, 7, valuesOf(3, 10, 0));
    const COvImage2 second = accepted(secondPhoto_, 7, valuesOf(3, 10, 0));
    EXPECT_TRUE(pixelsEqual(first, first.current, load(folder + "/a.png").current));
    EXPECT_TRUE(pixelsEqual(second, second.current, load(folder + "/b.tif").current));
}

TEST_F(FotraEffects, ApplyGoesOnPastAFailedPhotoAndReportsIt)
{
    ASSERT_EQ(runFotra({"convert", photo_, folder_.file("a.png")}).status, 0);
    const std::string broken = folder_.file("broken.png");
    clitest::writeBytes(broken, {0x89, 'P', 'N', 'G', 0x0D});
    const std::string folder = folder_.file("results");
    fs::create_directory(folder);
    const auto run = runFotra({"apply", "--mode", "1", folder_.file("missing.png"), broken, folder_.file("a.png"),
                               "--out-dir", folder});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "fotra: cannot read the photo '" + folder_.file("missing.png") +
                           "': ファイルが見つかりません。\nfotra: cannot read the photo '" + broken +
                           "': ファイルが壊れているか、途中で切れています。\nfotra: 3/3 " + folder_.file("a.png") +
                           " -> " + folder + "/a.png\n");
    EXPECT_FALSE(fs::exists(folder + "/missing.png"));
    EXPECT_FALSE(fs::exists(folder + "/broken.png"));
    EXPECT_TRUE(fs::exists(folder + "/a.png"));
}

TEST_F(FotraEffects, FilterRunsTheThreeFixedFilters)
{
    for (const int command : {32776, 32788, 32790}) {
        fs::remove(output_);
        const auto run = runFotra({"filter", "--command", std::to_string(command), photo_, "-o", output_});
        ASSERT_EQ(run.status, 0) << run.err;
        COvImage2 expected = load(photo_);
        runFixedFilter(expected, command);
        EXPECT_TRUE(pixelsEqual(expected, expected.result, load(output_).current)) << command;
    }
}

TEST_F(FotraEffects, PreviewWritesTheResultPlaneAsThePreviewLeavesIt)
{
    struct Case {
        std::vector<std::string> options;
        int mode;
        EffectValues values;
        PreviewRect region;
    };
    const Case cases[] = {
        {{"--mode", "8", "--region", "2,1,7,5"}, 8, valuesOf(10, 10, 0), {2, 1, 7, 5}},
        // A slow mode previews too: the box is checked.
        {{"--mode", "5", "--region", "0,3,13,6", "--strength", "2"}, 5, valuesOf(2, 10, 0), {0, 3, 13, 6}},
        {{"--mode", "27", "--region", "4,0,3,9"}, 27, valuesOf(0, 10, 0), {4, 0, 3, 9}},
        {{"--mode", "18", "--region", "0,0,13,9", "--target", "5,6,7"}, 18,
         valuesOf(0, 10, 0, {5, 6, 7}, {5, 6, 7}), {0, 0, 13, 9}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"preview"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {photo_, "-o", output_});
        SCOPED_TRACE(arguments[2]);
        fs::remove(output_);
        const auto run = runFotra(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        COvImage2 expected = load(photo_);
        runPreDialogStep(expected, c.mode);
        runPreviewPipeline(expected, c.mode, c.values, c.region, true);
        EXPECT_TRUE(pixelsEqual(expected, expected.result, load(output_).current));
    }
}

} // namespace
