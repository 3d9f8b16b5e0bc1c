// The four same-sized 24-bit pixel planes of the open photo, as the engine
// sees them. Rows are bottom-up, pixels blue-green-red, each row padded to a
// multiple of 4 bytes; every plane is height x stride bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/PlaneOps.h"

// `COvImage2` (image/) derives from this, so every engine operation takes the
// record as its first argument while the engine itself stays below it.
struct ImagePlanes {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> current;      // the committed photo; never written by the engine
    std::vector<std::uint8_t> result;       // output of the effect; 255 in every byte when idle
    std::vector<std::uint8_t> scratch;      // intermediate operand; 0 in every byte between operations
    std::vector<std::uint8_t> resultBackup; // copy of result while an effect dialog is open
    double meanRed = 0.0;
    double meanGreen = 0.0;
    double meanBlue = 0.0;

    std::size_t stride() const { return rowStride(width); }
    std::size_t planeBytes() const { return static_cast<std::size_t>(height) * stride(); }

    // Allocates the four planes for a width x height photo: current and
    // scratch and resultBackup zero, result 255. Throws std::bad_alloc.
    void allocatePlanes(std::int32_t newWidth, std::int32_t newHeight)
    {
        width = newWidth;
        height = newHeight;
        const std::size_t bytes = planeBytes();
        current.assign(bytes, 0);
        allocateEffectPlanes();
        resultBackup.assign(bytes, 0);
    }

    // Allocates result (255) and scratch (0) beside `current`: what running
    // an effect without its dialog needs. Throws std::bad_alloc.
    void allocateEffectPlanes()
    {
        scratch.assign(planeBytes(), 0);
        result.assign(planeBytes(), 255);
    }
};
