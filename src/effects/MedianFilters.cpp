// The separable weighted median and the outlier replacement. The window of a
// pixel along its line is a multiset of positions (runs nested around the
// centre, clipped to the line). Where every byte of a row shares the same
// window shape - every row of the column pass, the interior columns of the
// row pass - the lower middle is selected for all bytes of the row at once by
// a sorting network on byte lanes; the border pixels of the row pass, and
// windows too large for a network, gather their clipped samples and select
// with std::nth_element.
#include "effects/MedianFilters.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "effects/EffectLoops.h"
#include "engine/VectorClones.h"

namespace {

// The offsets from the centre of every sample of an unclipped window, with
// multiplicity: runs -r + k x b to r - k x b for k x b < r. A radius below 1
// leaves the pixel alone as its window; a step below 1 counts as 1 (it would
// otherwise never end the runs).
std::vector<int> windowOffsets(int radius, int step)
{
    if (radius < 1) {
        return {0};
    }
    const int runStep = std::max(step, 1);
    std::vector<int> offsets;
    for (int reach = radius; reach > 0; reach -= runStep) {
        for (int d = -reach; d <= reach; ++d) {
            offsets.push_back(d);
        }
    }
    return offsets;
}

// The sample positions of the window of position p on a line of `length`.
void clippedPositions(const std::vector<int>& offsets, int p, int length, std::vector<int>& positions)
{
    positions.clear();
    for (int d : offsets) {
        const int q = p + d;
        if (q >= 0 && q < length) {
            positions.push_back(q);
        }
    }
}

// The lower middle of n samples.
std::size_t medianRank(std::size_t n)
{
    return (n - 1) / 2;
}

struct Comparator {
    std::uint16_t low;
    std::uint16_t high;
};

// A network that leaves at index `rank` the element of that rank of `size`
// inputs: Batcher's odd-even merge sort over the next power of two, without
// the comparators that touch the padding (it would hold the largest values
// and never move), and without those the output at `rank` does not depend on.
std::vector<Comparator> selectionNetwork(std::size_t size, std::size_t rank)
{
    std::size_t padded = 1;
    while (padded < size) {
        padded <<= 1;
    }
    std::vector<Comparator> network;
    for (std::size_t p = 1; p < padded; p <<= 1) {
        for (std::size_t k = p; k >= 1; k >>= 1) {
            for (std::size_t j = k % p; j + k < padded; j += 2 * k) {
                for (std::size_t i = 0; i < k && i + j + k < padded; ++i) {
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p) && i + j + k < size) {
                        network.push_back({static_cast<std::uint16_t>(i + j), static_cast<std::uint16_t>(i + j + k)});
                    }
                }
            }
        }
    }
    // Walk backwards keeping only comparators that feed the selected output.
    std::vector<bool> needed(size, false);
    needed[rank] = true;
    std::vector<Comparator> pruned;
    for (auto it = network.rbegin(); it != network.rend(); ++it) {
        if (needed[it->low] || needed[it->high]) {
            needed[it->low] = true;
            needed[it->high] = true;
            pruned.push_back(*it);
        }
    }
    std::reverse(pruned.begin(), pruned.end());
    return pruned;
}

constexpr std::size_t kLanes = 64;

// Windows of more samples than this select by gathering (a network's size
// grows faster than the window's).
constexpr std::size_t kLargestNetwork = 128;

// One comparator over kLanes byte lanes of two distinct rows of the block.
[[gnu::always_inline]] inline void compareLanes(std::uint8_t* __restrict a, std::uint8_t* __restrict b)
{
    for (std::size_t l = 0; l < kLanes; ++l) {
        const std::uint8_t x = a[l];
        const std::uint8_t y = b[l];
        a[l] = x < y ? x : y;
        b[l] = x < y ? y : x;
    }
}

// For each byte lane l in [0, lanes): out[l] = the element of the network's
// rank among sources[0][l] .. sources[n - 1][l]. `block` holds n x kLanes bytes.
FOTRA_VECTOR_CLONES void selectLanes(const std::vector<const std::uint8_t*>& sources, const std::vector<Comparator>& network,
                 std::size_t rank, std::size_t lanes, std::uint8_t* out, std::vector<std::uint8_t>& block)
{
    const std::size_t n = sources.size();
    for (std::size_t start = 0; start < lanes; start += kLanes) {
        const std::size_t count = std::min(kLanes, lanes - start);
        for (std::size_t s = 0; s < n; ++s) {
            std::copy_n(sources[s] + start, count, block.data() + s * kLanes);
        }
        for (const Comparator& c : network) {
            compareLanes(block.data() + c.low * kLanes, block.data() + c.high * kLanes);
        }
        std::copy_n(block.data() + rank * kLanes, count, out + start);
    }
}

// Networks for every window size up to the unclipped one, built before the
// loops; none when the window is too large for networks.
std::vector<std::vector<Comparator>> networksBySize(std::size_t maxSize)
{
    if (maxSize > kLargestNetwork) {
        return {};
    }
    std::vector<std::vector<Comparator>> networks(maxSize + 1);
    for (std::size_t n = 1; n <= maxSize; ++n) {
        networks[n] = selectionNetwork(n, medianRank(n));
    }
    return networks;
}

// The median of the samples at the given pixel addresses, per channel.
void gatheredMedian(const std::vector<const std::uint8_t*>& pixels, std::uint8_t* out,
                    std::vector<std::uint8_t>& samples)
{
    const std::size_t m = medianRank(pixels.size());
    for (std::size_t channel = 0; channel < 3; ++channel) {
        samples.clear();
        for (const std::uint8_t* pixel : pixels) {
            samples.push_back(pixel[channel]);
        }
        std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(m), samples.end());
        out[channel] = samples[m];
    }
}

} // namespace

void weightedMedianRows(ImagePlanes& image, int radius, int step)
{
    const std::vector<int> offsets = windowOffsets(radius, step);
    const std::vector<std::vector<Comparator>> networks = networksBySize(offsets.size());
    const std::size_t stride = image.stride();
    const std::int32_t width = image.width;
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    // Columns radius to width - radius - 1 see their whole window; they go
    // through the network when there is one.
    const std::int32_t interiorFirst = networks.empty() ? width : std::max(radius, 0);
    const std::int32_t interiorLast = width - std::max(radius, 0) - 1;

    parallelRows(0, image.height - 1, [&](std::int32_t row) {
        const std::uint8_t* source = current + static_cast<std::size_t>(row) * stride;
        std::uint8_t* destination = scratch + static_cast<std::size_t>(row) * stride;
        std::vector<const std::uint8_t*> sources;
        std::vector<std::uint8_t> samples;
        std::vector<int> positions;
        if (interiorFirst <= interiorLast) {
            std::vector<std::uint8_t> block(offsets.size() * kLanes);
            const std::uint8_t* base = source + 3 * static_cast<std::size_t>(interiorFirst);
            for (int d : offsets) {
                sources.push_back(base + 3 * d);
            }
            selectLanes(sources, networks[offsets.size()], medianRank(offsets.size()),
                        3 * static_cast<std::size_t>(interiorLast - interiorFirst + 1),
                        destination + 3 * static_cast<std::size_t>(interiorFirst), block);
        }
        for (std::int32_t x = 0; x < width; ++x) {
            if (x >= interiorFirst && x <= interiorLast) {
                continue;
            }
            clippedPositions(offsets, x, width, positions);
            sources.clear();
            for (int q : positions) {
                sources.push_back(source + 3 * static_cast<std::size_t>(q));
            }
            gatheredMedian(sources, destination + 3 * static_cast<std::size_t>(x), samples);
        }
    });
}

void weightedMedianColumns(ImagePlanes& image, int radius, int step)
{
    const std::vector<int> offsets = windowOffsets(radius, step);
    const std::vector<std::vector<Comparator>> networks = networksBySize(offsets.size());
    const std::size_t stride = image.stride();
    const std::int32_t width = image.width;
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();

    // Every byte of a row shares the row's window, clipped only at the top
    // and bottom of the picture.
    parallelRows(0, image.height - 1, [&](std::int32_t row) {
        std::vector<const std::uint8_t*> sources;
        std::vector<int> positions;
        clippedPositions(offsets, row, image.height, positions);
        for (int q : positions) {
            sources.push_back(scratch + static_cast<std::size_t>(q) * stride);
        }
        std::uint8_t* destination = result + static_cast<std::size_t>(row) * stride;
        if (!networks.empty()) {
            std::vector<std::uint8_t> block(offsets.size() * kLanes);
            selectLanes(sources, networks[sources.size()], medianRank(sources.size()), 3 * static_cast<std::size_t>(width),
                        destination, block);
            return;
        }
        std::vector<const std::uint8_t*> pixels(sources.size());
        std::vector<std::uint8_t> samples;
        for (std::int32_t x = 0; x < width; ++x) {
            for (std::size_t s = 0; s < sources.size(); ++s) {
                pixels[s] = sources[s] + 3 * static_cast<std::size_t>(x);
            }
            gatheredMedian(pixels, destination + 3 * static_cast<std::size_t>(x), samples);
        }
    });
    copyPlane(image.scratch, image.result);
    fillPlane(image.result, 0);
}

void replaceOutlierPixels(ImagePlanes& image)
{
    const std::uint8_t* current = image.current.data();
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    constexpr int kOutlierThreshold = 30;
    effects::forEachPixel(image, effects::wholeImage(image), [&](std::size_t offset) {
        const int distance = std::abs(current[offset] - scratch[offset])
            + std::abs(current[offset + 1] - scratch[offset + 1])
            + std::abs(current[offset + 2] - scratch[offset + 2]);
        const std::uint8_t* chosen = distance > kOutlierThreshold ? scratch : current;
        result[offset] = chosen[offset];
        result[offset + 1] = chosen[offset + 1];
        result[offset + 2] = chosen[offset + 2];
    });
    fillPlane(image.scratch, 0);
}
