// An ICanvas for tests: records every draw call with a copy of its pixels
// and the address it was given, so a test can check what was painted and
// whether the record handed over its own plane or a copy.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/Canvas.h"

namespace testsupport {

struct CanvasDraw {
    std::vector<std::uint8_t> pixels;
    const std::uint8_t* source = nullptr;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    int stretchWidth = 0;
    int stretchHeight = 0;
};

class RecordingCanvas : public ICanvas {
public:
    std::vector<CanvasDraw> draws;

    void drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height, int x, int y,
                         int stretchWidth, int stretchHeight) override
    {
        draws.push_back({std::vector<std::uint8_t>(pixels.begin(), pixels.end()), pixels.data(), width, height, x,
                         y, stretchWidth, stretchHeight});
    }
};

} // namespace testsupport
