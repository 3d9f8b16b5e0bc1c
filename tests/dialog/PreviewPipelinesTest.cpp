// The preview region against the accepted run on a photo-sized and a small
// photo with the sliders at their range ends; what the previews leave in
// scratch; the preview switch of the slow modes and mode 12's mask.
#include "dialog/PreviewPipelines.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog/ModeSetup.h"
#include "document/EffectPipelines.h"
#include "effects/OperandPlanes.h"
#include "support/TestImages.h"

namespace {

using testsupport::imagesEqual;

// The slider positions a test runs a mode with: each configured slider at
// one end of its range (all low, all high and two mixed corners), an
// unconfigured one at its position 0.
std::vector<EffectValues> rangeEndValues(const ModeSetup& setup, std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    const auto end = [](const SliderSetup& slider, bool high) {
        return slider.configured ? (high ? slider.maximum : slider.minimum) : slider.position;
    };
    std::vector<EffectValues> all;
    for (const int corner : {0, 7, 3, 4}) {
        EffectValues values = startValues(setup);
        values.strengthValue = end(setup.strength, (corner & 1) != 0);
        values.effectValue = end(setup.effect, (corner & 2) != 0);
        values.precisionValue = end(setup.precision, (corner & 4) != 0);
        values.targetColour = {byte(rng), byte(rng), byte(rng)};
        values.lightColour = {byte(rng), byte(rng), byte(rng)};
        all.push_back(values);
    }
    return all;
}

PreviewRect randomRegion(const ImagePlanes& image, std::mt19937& rng)
{
    std::uniform_int_distribution<int> wDist(1, image.width);
    std::uniform_int_distribution<int> hDist(1, image.height);
    const int w = wDist(rng);
    const int h = hDist(rng);
    const int x0 = std::uniform_int_distribution<int>(0, image.width - w)(rng);
    const int y0 = std::uniform_int_distribution<int>(0, image.height - h)(rng);
    return {x0, y0, w, h};
}

// A photo as the dialog sees it: random pixels, scratch zero, result and
// the backup holding earlier output; mode 27's means already taken.
ImagePlanes dialogPhoto(int width, int height, std::uint32_t seed)
{
    ImagePlanes image = testsupport::noisyImage(width, height, seed);
    fillPlane(image.scratch, 0);
    meanColour(image);
    return image;
}

std::string describe(int mode, const EffectValues& v, const PreviewRect& r)
{
    return "mode " + std::to_string(mode) + " s " + std::to_string(v.strengthValue) + " e " +
           std::to_string(v.effectValue) + " p " + std::to_string(v.precisionValue) + " region " +
           std::to_string(r.x0) + "," + std::to_string(r.y0) + " " + std::to_string(r.w) + "x" +
           std::to_string(r.h);
}

TEST(PreviewPipelines, CompositingModesLeaveScratchZero)
{
    const ImagePlanes photo = dialogPhoto(19, 13, 77);
    for (const EffectCommand& entry : kEffectCommands) {
        const ModeSetup& setup = entry.setup;
        if (setup.mode == 12) {
            continue; // the colour mask neither reads nor clears scratch
        }
        ImagePlanes image = photo;
        runPreviewPipeline(image, setup.mode, startValues(setup), {2, 3, 10, 6}, true);
        EXPECT_EQ(image.scratch, std::vector<std::uint8_t>(image.planeBytes(), 0)) << setup.mode;
    }
}

// Regions the dialog can ask for on a photo: a pane-sized one inside, one in
// the bottom-left and one in the top-right corner (between them touching
// every edge), a 1-pixel-high one at the left edge and a 1-pixel-wide one
// at the top. A small photo adds the whole photo and random regions; on a
// photo-sized one those would cost as much as all the rest and find
// nothing the edges and corners do not.
std::vector<PreviewRect> regionsToCompare(const ImagePlanes& photo, std::mt19937& rng)
{
    const int w = photo.width;
    const int h = photo.height;
    const int paneW = std::min(w, 360);
    const int paneH = std::min(h, 331);
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    std::vector<PreviewRect> regions{
        {(w - paneW) / 2, (h - paneH) / 2, paneW, paneH},
        {0, 0, paneW, paneH},
        {w - paneW, h - paneH, paneW, paneH},
        {0, pick(0, h - 1), paneW, 1},
        {pick(0, w - 1), h - paneH, 1, paneH},
    };
    if (w <= 100) {
        regions.push_back({0, 0, w, h});
        for (int i = 0; i < 3; ++i) {
            regions.push_back(randomRegion(photo, rng));
        }
    }
    return regions;
}

// What OK applies is what the preview showed: for every mode but 12 (whose
// preview marks colours instead), the region's bytes of `result` after the
// preview are those the accepted run writes there, wherever the region lies,
// and the preview leaves scratch zero. The slowest sliders and a random set.
TEST(PreviewPipelines, TheRegionShowsTheAcceptedBytes)
{
    std::mt19937 rng(99);
    const struct {
        int width;
        int height;
    } sizes[] = {{1024, 683}, {37, 23}};
    for (const auto size : sizes) {
        const ImagePlanes photo = dialogPhoto(size.width, size.height, rng());
        // Planes reused from run to run: assigning into them allocates nothing.
        ImagePlanes full = photo;
        ImagePlanes previewed = photo;
        for (const EffectCommand& entry : kEffectCommands) {
            const ModeSetup& setup = entry.setup;
            if (setup.mode == 12) {
                continue;
            }
            std::vector<EffectValues> valueSets = rangeEndValues(setup, rng);
            valueSets.erase(valueSets.begin(), valueSets.begin() + 1); // the high corner and two mixed ones
            valueSets.resize(size.width > 100 ? 1 : valueSets.size());
            for (const EffectValues& sliders : valueSets) {
                // The values OK hands on: mode 18's light colour is the target.
                EffectValues accepted = sliders;
                accepted.lightColour = lightColourAtPaint(setup.mode, sliders.targetColour, sliders.lightColour);
                full = photo;
                runEffectPipeline(full, setup.mode, accepted);
                for (const PreviewRect& region : regionsToCompare(photo, rng)) {
                    SCOPED_TRACE(describe(setup.mode, sliders, region));
                    // A preview writes only `result` and `scratch` (the reference
                    // comparison above checks all four planes).
                    previewed.result = photo.result;
                    previewed.scratch = photo.scratch;
                    runPreviewPipeline(previewed, setup.mode, sliders, region, true);
                    for (int y = region.y0; y < region.y0 + region.h; ++y) {
                        const std::size_t first = y * photo.stride() + 3 * static_cast<std::size_t>(region.x0);
                        const std::size_t end = first + 3 * static_cast<std::size_t>(region.w);
                        ASSERT_TRUE(std::equal(full.result.begin() + first, full.result.begin() + end,
                                               previewed.result.begin() + first))
                            << "plane row " << y;
                    }
                    ASSERT_EQ(std::count(previewed.scratch.begin(), previewed.scratch.end(), 0),
                              static_cast<std::ptrdiff_t>(previewed.scratch.size()));
                }
            }
        }
    }
}

TEST(PreviewPipelines, SlowModesPreviewOnlyWhileTheBoxIsChecked)
{
    const ImagePlanes photo = dialogPhoto(16, 12, 5);
    const PreviewRect region{3, 2, 8, 7};
    for (const int mode : {5, 9, 10}) {
        ImagePlanes image = photo;
        EXPECT_EQ(runPreviewPipeline(image, mode, startValues(*findModeSetup(mode)), region, false),
                  PreviewShows::currentRegion);
        EXPECT_TRUE(imagesEqual(photo, image)) << mode;
        EXPECT_EQ(runPreviewPipeline(image, mode, startValues(*findModeSetup(mode)), region, true),
                  PreviewShows::resultRegion);
        EXPECT_NE(image.result, photo.result) << mode;
    }
    // Every other mode always previews; its box is checked and disabled.
    for (const int mode : {1, 8, 11, 30}) {
        ImagePlanes image = photo;
        EXPECT_EQ(runPreviewPipeline(image, mode, startValues(*findModeSetup(mode)), region, false),
                  PreviewShows::resultRegion);
        EXPECT_NE(image.result, photo.result) << mode;
    }
}

TEST(PreviewPipelines, Mode12MarksTheColoursInsideTheToleranceBox)
{
    ImagePlanes image = dialogPhoto(6, 4, 8);
    const std::size_t stride = image.stride();
    // Pixel (1, 1) is (R 100, G 50, B 20); the target (90, 60, 10).
    image.current[stride + 3] = 20;
    image.current[stride + 4] = 50;
    image.current[stride + 5] = 100;
    EffectValues values = startValues(*findModeSetup(12));
    values.targetColour = {90, 60, 10};
    values.strengthValue = 10;
    values.effectValue = 10;
    values.precisionValue = 10;
    runPreviewPipeline(image, 12, values, {0, 0, 6, 4}, true);
    EXPECT_EQ(image.result[stride + 3], 255);
    EXPECT_EQ(image.result[stride + 5], 255);
    values.precisionValue = 9; // blue 20 is 10 away from 10
    runPreviewPipeline(image, 12, values, {0, 0, 6, 4}, true);
    EXPECT_EQ(image.result[stride + 3], 20);
    EXPECT_EQ(image.result[stride + 5], 100);
}

TEST(PreviewPipelines, UnknownModeOrARegionOutsideThePhotoChangesNothing)
{
    const ImagePlanes photo = dialogPhoto(5, 5, 1);
    ImagePlanes image = photo;
    runPreviewPipeline(image, 33, EffectValues{}, {0, 0, 5, 5}, true);
    runPreviewPipeline(image, 0, EffectValues{}, {0, 0, 5, 5}, true);
    for (const PreviewRect outside : {PreviewRect{1, 0, 5, 5}, PreviewRect{0, -1, 2, 2}, PreviewRect{0, 0, 0, 3},
                                      PreviewRect{4, 4, 2, 1}}) {
        runPreviewPipeline(image, 1, startValues(*findModeSetup(1)), outside, true);
    }
    EXPECT_TRUE(imagesEqual(photo, image));
}

} // namespace
