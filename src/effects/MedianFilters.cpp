// The separable weighted median and the outlier replacement. The window of a
// pixel along its line is a multiset of positions (runs nested around the
// centre, clipped to the line). Where every byte of a row shares the same
// window shape - every row of the column pass, the interior columns of the
// row pass - the lower middle is selected for all bytes of the row at once by
// a selection network on byte lanes. The plain windows of 11 and 21 samples
// that the commands use get networks unrolled at compile time, which keep the
// lanes in registers, and the column pass sorts the samples that consecutive
// rows share once for the group. Other windows apply a network built at run
// time; the border pixels of the row pass, and windows too large for a
// network, gather their clipped samples and select with std::nth_element.
#include "effects/MedianFilters.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
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
constexpr std::size_t medianRank(std::size_t n)
{
    return (n - 1) / 2;
}

// A compare-exchange of elements low < high; keepLow and keepHigh say which
// of its two outputs a later comparator or the selected ranks still read.
struct Comparator {
    std::uint16_t low;
    std::uint16_t high;
    bool keepLow;
    bool keepHigh;
};

// A network that leaves at the indices firstRank to lastRank the elements of
// those ranks of `size` inputs: Batcher's odd-even merge sort over the next
// power of two, without the comparators that touch the padding (it would hold
// the largest values and never move), and without those the selected outputs
// do not depend on.
constexpr std::vector<Comparator> selectionNetwork(std::size_t size, std::size_t firstRank, std::size_t lastRank)
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
                        network.push_back({static_cast<std::uint16_t>(i + j), static_cast<std::uint16_t>(i + j + k),
                                           true, true});
                    }
                }
            }
        }
    }
    // Walk backwards keeping only comparators that feed the selected outputs.
    std::vector<bool> needed(size, false);
    for (std::size_t rank = firstRank; rank <= lastRank && rank < size; ++rank) {
        needed[rank] = true;
    }
    std::vector<Comparator> pruned;
    for (auto it = network.rbegin(); it != network.rend(); ++it) {
        if (needed[it->low] || needed[it->high]) {
            pruned.push_back({it->low, it->high, needed[it->low], needed[it->high]});
            needed[it->low] = true;
            needed[it->high] = true;
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
        networks[n] = selectionNetwork(n, medianRank(n), medianRank(n));
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

// kLanes byte lanes held in a vector register (split into narrower registers
// by the versions compiled for narrower vector units).
using Lanes = std::uint8_t __attribute__((vector_size(kLanes)));

[[gnu::always_inline]] inline void loadLanes(Lanes& lanes, const std::uint8_t* bytes)
{
    std::memcpy(&lanes, bytes, kLanes);
}

[[gnu::always_inline]] inline void storeLanes(std::uint8_t* bytes, const Lanes& lanes)
{
    std::memcpy(bytes, &lanes, kLanes);
}

// body(std::integral_constant<std::size_t, i>{}) for i = 0 .. Count - 1,
// unrolled, so that every array index is a constant and the lanes can stay in
// registers.
template <std::size_t Count, typename Body>
[[gnu::always_inline]] inline void unrolled(Body&& body)
{
    [&]<std::size_t... I>(std::index_sequence<I...>) __attribute__((always_inline)) {
        (body(std::integral_constant<std::size_t, I>{}), ...);
    }(std::make_index_sequence<Count>{});
}

template <std::size_t Size, std::size_t FirstRank, std::size_t LastRank>
constexpr auto kSelectionNetwork = [] {
    std::array<Comparator, selectionNetwork(Size, FirstRank, LastRank).size()> network{};
    const std::vector<Comparator> built = selectionNetwork(Size, FirstRank, LastRank);
    std::copy(built.begin(), built.end(), network.begin());
    return network;
}();

// Leaves at indices FirstRank to LastRank of `lanes` the elements of those
// ranks of its Size elements, in every lane.
template <std::size_t Size, std::size_t FirstRank, std::size_t LastRank>
[[gnu::always_inline]] inline void selectRanks(Lanes* lanes)
{
    constexpr auto& network = kSelectionNetwork<Size, FirstRank, LastRank>;
    unrolled<network.size()>([&](auto i) __attribute__((always_inline)) {
        constexpr Comparator c = network[i];
        const Lanes low = lanes[c.low];
        const Lanes high = lanes[c.high];
        if constexpr (c.keepLow) {
            lanes[c.low] = low < high ? low : high;
        }
        if constexpr (c.keepHigh) {
            lanes[c.high] = low < high ? high : low;
        }
    });
}

// The medians of Group consecutive windows of Size samples along a line, for
// the kLanes byte lanes at `offset`. Input i is at inputs + i x inputPitch;
// window o covers inputs o to o + Size - 1 and its median goes to outputs +
// o x outputPitch. The Size + 1 - Group inputs that all windows share are
// sorted once, only as far as the Group ranks that can still be a median once
// the Group - 1 other inputs of a window join them; each window then merges
// those ranks with its own sorted others: with shared ranks a[0] <= .. <=
// a[Group - 1] and others e[0] <= .. <= e[Group - 2], the median is the
// largest of a[0] and min(a[i], e[Group - 1 - i]) for i >= 1.
template <std::size_t Size, std::size_t Group>
[[gnu::always_inline]] inline void medianGroupAt(const std::uint8_t* __restrict inputs, std::ptrdiff_t inputPitch,
                                                 std::uint8_t* __restrict outputs, std::ptrdiff_t outputPitch,
                                                 std::size_t offset)
{
    constexpr std::size_t others = Group - 1;
    constexpr std::size_t sharedCount = Size - others;
    constexpr std::size_t median = medianRank(Size);
    constexpr std::size_t lowestCandidate = median - others;
    const auto input = [&](std::size_t i) { return inputs + static_cast<std::ptrdiff_t>(i) * inputPitch + offset; };

    Lanes shared[sharedCount];
    unrolled<sharedCount>([&](auto i) __attribute__((always_inline)) { loadLanes(shared[i], input(others + i)); });
    selectRanks<sharedCount, lowestCandidate, median>(shared);

    unrolled<Group>([&](auto o) __attribute__((always_inline)) {
        Lanes result = shared[lowestCandidate];
        if constexpr (others > 0) {
            // Window o's others: inputs o to Group - 2 below the shared ones
            // and Size to Size + o - 1 above them.
            Lanes own[others];
            unrolled<others>([&](auto i) __attribute__((always_inline)) {
                loadLanes(own[i], input(i < others - o ? o + i : Size + i - (others - o)));
            });
            selectRanks<others, 0, others - 1>(own);
            unrolled<others>([&](auto i) __attribute__((always_inline)) {
                const Lanes& a = shared[lowestCandidate + 1 + i];
                const Lanes& e = own[others - 1 - i];
                const Lanes candidate = a < e ? a : e;
                result = result < candidate ? candidate : result;
            });
        }
        storeLanes(outputs + static_cast<std::ptrdiff_t>(o) * outputPitch + offset, result);
    });
}

// medianGroupAt over the `lanes` bytes of a line; the last partial block of
// lanes goes through a zeroed staging copy.
template <std::size_t Size, std::size_t Group>
FOTRA_WIDE_VECTOR_CLONES void medianGroupLine(const std::uint8_t* inputs, std::ptrdiff_t inputPitch,
                                              std::uint8_t* outputs, std::ptrdiff_t outputPitch, std::size_t lanes)
{
    std::size_t offset = 0;
    for (; offset + kLanes <= lanes; offset += kLanes) {
        medianGroupAt<Size, Group>(inputs, inputPitch, outputs, outputPitch, offset);
    }
    const std::size_t count = lanes - offset;
    if (count == 0) {
        return;
    }
    constexpr std::size_t inputCount = Size + Group - 1;
    std::array<std::uint8_t, inputCount * kLanes> stagedInputs{};
    std::array<std::uint8_t, Group * kLanes> stagedOutputs{};
    for (std::size_t i = 0; i < inputCount; ++i) {
        std::copy_n(inputs + static_cast<std::ptrdiff_t>(i) * inputPitch + offset, count, stagedInputs.data() + i * kLanes);
    }
    medianGroupAt<Size, Group>(stagedInputs.data(), kLanes, stagedOutputs.data(), kLanes, 0);
    for (std::size_t o = 0; o < Group; ++o) {
        std::copy_n(stagedOutputs.data() + o * kLanes, count, outputs + static_cast<std::ptrdiff_t>(o) * outputPitch + offset);
    }
}

using GroupLine = void (*)(const std::uint8_t* inputs, std::ptrdiff_t inputPitch, std::uint8_t* outputs,
                           std::ptrdiff_t outputPitch, std::size_t lanes);

// Rows of the column pass that are computed together, sharing the sort of
// their common samples.
constexpr std::int32_t kRowGroup = 4;

// The compile-time kernels for the plain windows (one run) of the commands'
// radii: one window at a time, and kRowGroup consecutive windows.
struct PlainWindowKernels {
    GroupLine single = nullptr;
    GroupLine grouped = nullptr;
};

PlainWindowKernels plainWindowKernels(int radius, int step)
{
    if (step < radius) {
        return {};
    }
    switch (radius) {
    case 5:
        return {medianGroupLine<11, 1>, medianGroupLine<11, kRowGroup>};
    case 10:
        return {medianGroupLine<21, 1>, medianGroupLine<21, kRowGroup>};
    default:
        return {};
    }
}

} // namespace

void weightedMedianRows(ImagePlanes& image, int radius, int step)
{
    const std::vector<int> offsets = windowOffsets(radius, step);
    const std::vector<std::vector<Comparator>> networks = networksBySize(offsets.size());
    const PlainWindowKernels kernels = plainWindowKernels(radius, step);
    const std::size_t stride = image.stride();
    const std::int32_t width = image.width;
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();
    // Columns radius to width - radius - 1 see their whole window; they go
    // through a network when there is one.
    const std::int32_t interiorFirst = networks.empty() ? width : std::max(radius, 0);
    const std::int32_t interiorLast = width - std::max(radius, 0) - 1;

    parallelRows(0, image.height - 1, [&](std::int32_t row) {
        const std::uint8_t* source = current + static_cast<std::size_t>(row) * stride;
        std::uint8_t* destination = scratch + static_cast<std::size_t>(row) * stride;
        std::vector<const std::uint8_t*> sources;
        std::vector<std::uint8_t> samples;
        std::vector<int> positions;
        if (interiorFirst <= interiorLast) {
            const std::uint8_t* base = source + 3 * static_cast<std::size_t>(interiorFirst);
            const std::size_t lanes = 3 * static_cast<std::size_t>(interiorLast - interiorFirst + 1);
            std::uint8_t* out = destination + 3 * static_cast<std::size_t>(interiorFirst);
            if (kernels.single != nullptr) {
                kernels.single(base - 3 * radius, 3, out, 0, lanes);
            } else {
                std::vector<std::uint8_t> block(offsets.size() * kLanes);
                for (int d : offsets) {
                    sources.push_back(base + 3 * d);
                }
                selectLanes(sources, networks[offsets.size()], medianRank(offsets.size()), lanes, out, block);
            }
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
    const PlainWindowKernels kernels = plainWindowKernels(radius, step);
    const std::size_t stride = image.stride();
    const std::ptrdiff_t pitch = static_cast<std::ptrdiff_t>(stride);
    const std::int32_t width = image.width;
    const std::int32_t height = image.height;
    const std::size_t lanes = 3 * static_cast<std::size_t>(width);
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    const auto rowOf = [stride](auto* plane, std::int32_t row) { return plane + static_cast<std::size_t>(row) * stride; };

    // Every byte of a row shares the row's window, clipped only at the top
    // and bottom of the picture.
    const auto clippedRow = [&](std::int32_t row) {
        std::vector<const std::uint8_t*> sources;
        std::vector<int> positions;
        clippedPositions(offsets, row, height, positions);
        for (int q : positions) {
            sources.push_back(rowOf(scratch, q));
        }
        std::uint8_t* destination = rowOf(result, row);
        if (!networks.empty()) {
            std::vector<std::uint8_t> block(offsets.size() * kLanes);
            selectLanes(sources, networks[sources.size()], medianRank(sources.size()), lanes, destination, block);
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
    };

    if (kernels.grouped == nullptr || height < 2 * radius + 1) {
        parallelRows(0, height - 1, clippedRow);
    } else {
        // Rows radius to height - radius - 1 see their whole window: groups
        // of kRowGroup rows, then the rows left over one at a time, then the
        // clipped rows at the bottom and top.
        const std::int32_t interiorRows = height - 2 * radius;
        const std::int32_t groups = interiorRows / kRowGroup;
        const std::int32_t leftoverFirst = radius + groups * kRowGroup;
        parallelRows(0, groups - 1, [&](std::int32_t group) {
            const std::int32_t first = radius + group * kRowGroup;
            kernels.grouped(rowOf(scratch, first - radius), pitch, rowOf(result, first), pitch, lanes);
        });
        parallelRows(leftoverFirst, height - radius - 1, [&](std::int32_t row) {
            kernels.single(rowOf(scratch, row - radius), pitch, rowOf(result, row), pitch, lanes);
        });
        parallelRows(0, radius - 1, clippedRow);
        parallelRows(height - radius, height - 1, clippedRow);
    }
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
