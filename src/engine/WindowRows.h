// The column split of one output row of a square-window operation: the
// columns whose window leaves the image go to the clipped kernel, the rest go
// to the interior kernel in runs of channel bytes. Both kernels compute the
// same pixel rule, so the split never changes a byte.
#pragma once

#include <algorithm>
#include <cstdint>

namespace engine {

struct WindowColumns {
    std::int32_t first = 0;         // first output column of the area
    std::int32_t last = -1;         // last output column of the area
    std::int32_t interiorFirst = 0; // columns whose windows fit between the image's sides;
    std::int32_t interiorLast = -1; // the range may be empty
};

inline WindowColumns windowColumns(std::int32_t firstColumn, std::int32_t lastColumn, std::int32_t radius,
                                   std::int32_t width)
{
    return {firstColumn, lastColumn, std::max(firstColumn, radius), std::min(lastColumn, width - 1 - radius)};
}

// Calls clipped(fromColumn, toColumn) for the border columns of `row` (all of
// them when the row's window leaves the image vertically) and
// interiorRun(firstByte, byteCount) for runs of at most runBytes channel
// bytes, counted from the start of the row, covering the interior columns.
template <typename Clipped, typename InteriorRun>
void forWindowRow(std::int32_t row, std::int32_t radius, std::int32_t height, const WindowColumns& columns,
                  std::int32_t runBytes, Clipped&& clipped, InteriorRun&& interiorRun)
{
    const bool rowInterior = row >= radius && row <= height - 1 - radius;
    if (!rowInterior || columns.interiorFirst > columns.interiorLast) {
        clipped(columns.first, columns.last);
        return;
    }
    clipped(columns.first, columns.interiorFirst - 1);
    const std::int32_t lastByte = 3 * columns.interiorLast + 2;
    for (std::int32_t start = 3 * columns.interiorFirst; start <= lastByte; start += runBytes) {
        interiorRun(start, std::min(runBytes, lastByte - start + 1));
    }
    clipped(columns.interiorLast + 1, columns.last);
}

} // namespace engine
