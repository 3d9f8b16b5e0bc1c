// The shared whole-plane copy and fill skip the pieces that already hold the
// right bytes: they must still leave exactly what copyPlane and fillPlane
// leave, whatever the plane's size, wherever the differing bytes lie (piece
// edges and a short last piece included) and for any thread count.
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ParallelPlanes.h"
#include "engine/PlaneOps.h"
#include "support/TestImages.h"

namespace {

std::vector<std::uint8_t> randomBytes(std::size_t size, std::mt19937& rng)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(rng());
    }
    return bytes;
}

// A copy of `source` that differs in a few single bytes: at piece edges, in
// the middle of a piece, and at the very end.
std::vector<std::uint8_t> nearlyEqual(const std::vector<std::uint8_t>& source)
{
    std::vector<std::uint8_t> bytes = source;
    const std::size_t piece = engine::detail::kPieceBytes;
    for (const std::size_t at : {std::size_t{0}, piece - 1, piece, 2 * piece + 7, bytes.size() - 1}) {
        if (at < bytes.size()) {
            bytes[at] = static_cast<std::uint8_t>(bytes[at] + 1);
        }
    }
    return bytes;
}

const std::size_t kSizes[] = {1, 3, 4095, 4096, 4097, 3 * 4096 + 17, 64 * 4096 + 5};

} // namespace

TEST(ParallelPlanes, CopyLeavesTheSourceBytesEverywhere)
{
    std::mt19937 rng(3);
    for (const std::size_t size : kSizes) {
        const std::vector<std::uint8_t> source = randomBytes(size, rng);
        for (const int threads : testsupport::kThreadCounts) {
            testsupport::ScopedThreadCount scope(threads);
            for (std::vector<std::uint8_t> target : {randomBytes(size, rng), nearlyEqual(source), source}) {
                engine::copyPlaneShared(target, source);
                EXPECT_EQ(target, source) << size << " bytes, " << threads << " threads";
            }
        }
    }
}

TEST(ParallelPlanes, FillLeavesTheValueEverywhere)
{
    std::mt19937 rng(4);
    for (const std::size_t size : kSizes) {
        for (const std::uint8_t value : {std::uint8_t{0}, std::uint8_t{255}, std::uint8_t{77}}) {
            std::vector<std::uint8_t> expected(size);
            fillPlane(expected, value);
            for (const int threads : testsupport::kThreadCounts) {
                testsupport::ScopedThreadCount scope(threads);
                for (std::vector<std::uint8_t> plane : {randomBytes(size, rng), nearlyEqual(expected), expected}) {
                    engine::fillPlaneShared(plane, value);
                    EXPECT_EQ(plane, expected) << size << " bytes, value " << int{value} << ", " << threads
                                               << " threads";
                }
            }
        }
    }
}
