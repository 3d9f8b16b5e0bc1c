#include <atomic>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "engine/PlaneOps.h"
#include "support/TestImages.h"

namespace {

TEST(ByteRule, ClampsAndTruncates)
{
    EXPECT_EQ(storeByte(-0.5), 0);
    EXPECT_EQ(storeByte(255.0), 255);
    EXPECT_EQ(storeByte(255.2), 255);
    EXPECT_EQ(storeByte(254.999), 254);
    EXPECT_EQ(storeByte(17.99), 17);
    EXPECT_EQ(storeByte(0.0 / 0.0 * 0.0), 0);
}

TEST(RowStride, PadsToFourBytes)
{
    const std::size_t expected[] = {0, 4, 8, 12, 12, 16};
    for (int w = 0; w <= 5; ++w) {
        EXPECT_EQ(rowStride(w), expected[w]) << "width " << w;
    }
    EXPECT_EQ(rowStride(100000), 300000u);
}

TEST(ParallelRows, VisitsEveryRowOnceWithAnyThreadCount)
{
    for (int threads : testsupport::kThreadCounts) {
        testsupport::ScopedThreadCount scope(threads);
        std::vector<int> visits(37, 0);
        parallelRows(3, 33, [&](std::int32_t row) { visits[row] += 1; });
        for (int row = 0; row < 37; ++row) {
            EXPECT_EQ(visits[row], (row >= 3 && row <= 33) ? 1 : 0) << "row " << row;
        }
    }
}

TEST(ParallelRows, EmptyRangeDoesNothing)
{
    std::atomic<int> calls = 0;
    parallelRows(5, 4, [&](std::int32_t) { ++calls; });
    EXPECT_EQ(calls.load(), 0);
}

TEST(PlaneOps, CopyAndFillCoverPadding)
{
    std::mt19937 rng(7);
    std::vector<std::uint8_t> source(rowStride(5) * 3);
    testsupport::fillRandom(source, rng);
    std::vector<std::uint8_t> destination(source.size(), 0);
    copyPlane(destination, source);
    EXPECT_EQ(destination, source);
    fillPlane(destination, 255);
    EXPECT_EQ(destination, std::vector<std::uint8_t>(source.size(), 255));
}

} // namespace
