// The separable weighted median and the outlier replacement. The window of a
// pixel along its line is a multiset of positions (runs nested around the
// centre, clipped to the line). Where every byte of a row shares the same
// window shape - every row of the column pass, the interior columns of the
// row pass - the lower middle is selected for all bytes of the row at once by
// a selection network on byte lanes. The plain windows of 11 and 21 samples
// that the commands use get networks unrolled at compile time, which keep the
// lanes in registers; pad positions past the ends of a line stand in for the
// clipped samples, so these networks cover the whole line, and the column
// pass sorts the samples that consecutive rows share once for the group.
// Other windows apply a network built at run time; the border pixels of their
// row pass, and windows too large for a network, gather their clipped samples
// and select with std::nth_element.
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
#include "engine/KernelTargets.h"

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
[[gnu::always_inline]] inline void selectLanesLoop(const std::vector<const std::uint8_t*>& sources,
                                                   const std::vector<Comparator>& network, std::size_t rank,
                                                   std::size_t lanes, std::uint8_t* out,
                                                   std::vector<std::uint8_t>& block)
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

FOTRA_KERNEL(selectLanes, selectLanesLoop)

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

// Width byte lanes held in a vector register: each target's copy of the
// compile-time kernels works on its own registers' width (64, 32 or 16
// bytes), since wider generic vectors would be split and spilled. (The
// compiler drops a vector size that depends on a template parameter, hence
// one type per width.)
template <std::size_t Width>
struct LaneVector;
template <>
struct LaneVector<16> {
    using Type = std::uint8_t __attribute__((vector_size(16)));
};
template <>
struct LaneVector<32> {
    using Type = std::uint8_t __attribute__((vector_size(32)));
};
template <>
struct LaneVector<64> {
    using Type = std::uint8_t __attribute__((vector_size(64)));
};
template <std::size_t Width>
using Lanes = typename LaneVector<Width>::Type;

template <std::size_t Width>
[[gnu::always_inline]] inline void loadLanes(Lanes<Width>& lanes, const std::uint8_t* bytes)
{
    std::memcpy(&lanes, bytes, Width);
}

template <std::size_t Width>
[[gnu::always_inline]] inline void storeLanes(std::uint8_t* bytes, const Lanes<Width>& lanes)
{
    std::memcpy(bytes, &lanes, Width);
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
template <std::size_t Size, std::size_t FirstRank, std::size_t LastRank, std::size_t Width>
[[gnu::always_inline]] inline void selectRanks(Lanes<Width>* lanes)
{
    constexpr auto& network = kSelectionNetwork<Size, FirstRank, LastRank>;
    unrolled<network.size()>([&](auto i) __attribute__((always_inline)) {
        constexpr Comparator c = network[i];
        const Lanes<Width> low = lanes[c.low];
        const Lanes<Width> high = lanes[c.high];
        if constexpr (c.keepLow) {
            lanes[c.low] = low < high ? low : high;
        }
        if constexpr (c.keepHigh) {
            lanes[c.high] = low < high ? high : low;
        }
    });
}

// The medians of Group consecutive windows of Size samples along a line, for
// the Width byte lanes at `offset` of the Size + Group - 1 inputs: window o
// covers inputs o to o + Size - 1 and its median goes to outputs[o]. The
// Size + 1 - Group inputs that all windows share are sorted once, only as far
// as the Group ranks that can still be a median once the Group - 1 other
// inputs of a window join them; each window then merges those ranks with its
// own sorted others: with shared ranks a[0] <= .. <= a[Group - 1] and others
// e[0] <= .. <= e[Group - 2], the median is the largest of a[0] and
// min(a[i], e[Group - 1 - i]) for i >= 1.
template <std::size_t Size, std::size_t Group, std::size_t Width>
[[gnu::always_inline]] inline void medianGroupAt(const std::uint8_t* const* __restrict inputs,
                                                 std::uint8_t* const* __restrict outputs, std::size_t offset)
{
    constexpr std::size_t others = Group - 1;
    constexpr std::size_t sharedCount = Size - others;
    constexpr std::size_t median = medianRank(Size);
    static_assert(median >= others);
    constexpr std::size_t lowestCandidate = median - others;

    Lanes<Width> shared[sharedCount];
    unrolled<sharedCount>([&](auto i) __attribute__((always_inline)) {
        loadLanes<Width>(shared[i], inputs[others + i] + offset);
    });
    selectRanks<sharedCount, lowestCandidate, median, Width>(shared);

    unrolled<Group>([&](auto o) __attribute__((always_inline)) {
        Lanes<Width> result = shared[lowestCandidate];
        if constexpr (others > 0) {
            // Window o's others: inputs o to Group - 2 below the shared ones
            // and Size to Size + o - 1 above them.
            Lanes<Width> own[others];
            unrolled<others>([&](auto i) __attribute__((always_inline)) {
                loadLanes<Width>(own[i], inputs[i < others - o ? o + i : Size + i - (others - o)] + offset);
            });
            selectRanks<others, 0, others - 1, Width>(own);
            unrolled<others>([&](auto i) __attribute__((always_inline)) {
                const Lanes<Width>& a = shared[lowestCandidate + 1 + i];
                const Lanes<Width>& e = own[others - 1 - i];
                const Lanes<Width> candidate = a < e ? a : e;
                result = result < candidate ? candidate : result;
            });
        }
        storeLanes<Width>(outputs[o] + offset, result);
    });
}

// medianGroupAt over the `lanes` bytes of the Group output lines; the last
// partial block of lanes goes through a zeroed staging copy.
template <std::size_t Size, std::size_t Group, std::size_t Width>
[[gnu::always_inline]] inline void medianGroupLineLoop(const std::uint8_t* const* inputs,
                                                       std::uint8_t* const* outputs, std::size_t lanes)
{
    std::size_t offset = 0;
    for (; offset + Width <= lanes; offset += Width) {
        medianGroupAt<Size, Group, Width>(inputs, outputs, offset);
    }
    const std::size_t count = lanes - offset;
    if (count == 0) {
        return;
    }
    constexpr std::size_t inputCount = Size + Group - 1;
    std::array<std::uint8_t, inputCount * Width> staged{};
    std::array<std::uint8_t, Group * Width> stagedResults{};
    std::array<const std::uint8_t*, inputCount> stagedInputs;
    std::array<std::uint8_t*, Group> stagedOutputs;
    for (std::size_t i = 0; i < inputCount; ++i) {
        std::copy_n(inputs[i] + offset, count, staged.data() + i * Width);
        stagedInputs[i] = staged.data() + i * Width;
    }
    for (std::size_t o = 0; o < Group; ++o) {
        stagedOutputs[o] = stagedResults.data() + o * Width;
    }
    medianGroupAt<Size, Group, Width>(stagedInputs.data(), stagedOutputs.data(), 0);
    for (std::size_t o = 0; o < Group; ++o) {
        std::copy_n(stagedResults.data() + o * Width, count, outputs[o] + offset);
    }
}

using GroupLine = void (*)(const std::uint8_t* const* inputs, std::uint8_t* const* outputs, std::size_t lanes);

// Rows of the column pass computed together, sharing the sort of their
// common samples.
constexpr std::size_t kRowGroup = 4;

// medianGroupLineLoop of a window size and group as a width kernel's body.
template <std::size_t Size, std::size_t Group>
struct MedianLine {
    template <int Width, typename... Args>
    [[gnu::always_inline]] static void body(Args&&... args)
    {
        medianGroupLineLoop<Size, Group, Width>(std::forward<Args>(args)...);
    }
};
using MedianLine11 = MedianLine<11, 1>;
using MedianLineGroup11 = MedianLine<11, kRowGroup>;
using MedianLine21 = MedianLine<21, 1>;
using MedianLineGroup21 = MedianLine<21, kRowGroup>;

FOTRA_WIDTH_KERNEL(medianLine11, MedianLine11::body)
FOTRA_WIDTH_KERNEL(medianLineGroup11, MedianLineGroup11::body)
FOTRA_WIDTH_KERNEL(medianLine21, MedianLine21::body)
FOTRA_WIDTH_KERNEL(medianLineGroup21, MedianLineGroup21::body)

// The compile-time kernels for the plain window (one run) of the commands'
// radii: one window at a time for the row pass, whose neighbouring windows
// are neighbouring lanes of the same vectors and so cannot share a sort, and
// kRowGroup rows at a time for the column pass.
struct PlainWindowKernels {
    GroupLine single = nullptr;
    GroupLine rowGroup = nullptr;
};

PlainWindowKernels plainWindowKernels(int radius, int step)
{
    if (step < radius) {
        return {};
    }
    switch (radius) {
    case 5:
        return {[](const std::uint8_t* const* inputs, std::uint8_t* const* outputs, std::size_t lanes) {
                    medianLine11(inputs, outputs, lanes);
                },
                [](const std::uint8_t* const* inputs, std::uint8_t* const* outputs, std::size_t lanes) {
                    medianLineGroup11(inputs, outputs, lanes);
                }};
    case 10:
        return {[](const std::uint8_t* const* inputs, std::uint8_t* const* outputs, std::size_t lanes) {
                    medianLine21(inputs, outputs, lanes);
                },
                [](const std::uint8_t* const* inputs, std::uint8_t* const* outputs, std::size_t lanes) {
                    medianLineGroup21(inputs, outputs, lanes);
                }};
    default:
        return {};
    }
}

// The byte that stands for every channel of the position `distance` places
// past an end of a line (1 for the first outside): 0 for odd distances, 255
// for even ones. A window of 2r + 1 positions that runs j places past one end
// then holds its n = 2r + 1 - j samples, ceil(j / 2) zeros, which sort first,
// and floor(j / 2) 255s, which sort last, so its rank r is the samples' rank
// r - ceil(j / 2) = (n - 1) div 2: the lower middle of the clipped window.
// This needs lines of at least 2r + 1 positions, where no window runs past
// both ends.
constexpr std::uint8_t padByte(std::int32_t distance)
{
    return distance % 2 == 1 ? 0 : 255;
}

// The row pass of a plain window on one row of at least 2r + 1 pixels: the
// interior pixels straight from the row, the r pixels at either end from a
// copy of the row's end with pad pixels past it.
void plainRowMedians(GroupLine kernel, int radius, const std::uint8_t* source, std::uint8_t* destination,
                     std::int32_t width)
{
    const std::size_t reach = static_cast<std::size_t>(radius);
    const std::size_t pixels = static_cast<std::size_t>(width);
    std::vector<const std::uint8_t*> inputs(2 * reach + 1);
    const auto run = [&](const std::uint8_t* firstWindow, std::uint8_t* output, std::size_t outputs) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            inputs[i] = firstWindow + 3 * i;
        }
        kernel(inputs.data(), &output, 3 * outputs);
    };
    run(source, destination + 3 * reach, pixels - 2 * reach);

    // Positions -r to 2r - 1, and width - 2r to width + r - 1.
    std::vector<std::uint8_t> end(3 * 3 * reach);
    for (std::size_t d = 1; d <= reach; ++d) {
        std::fill_n(end.begin() + 3 * (reach - d), 3, padByte(static_cast<std::int32_t>(d)));
    }
    std::copy_n(source, 3 * 2 * reach, end.begin() + 3 * reach);
    run(end.data(), destination, reach);
    std::copy_n(source + 3 * (pixels - 2 * reach), 3 * 2 * reach, end.begin());
    for (std::size_t d = 1; d <= reach; ++d) {
        std::fill_n(end.begin() + 3 * (2 * reach - 1 + d), 3, padByte(static_cast<std::int32_t>(d)));
    }
    run(end.data(), destination + 3 * (pixels - reach), reach);
}

} // namespace

void weightedMedianRows(ImagePlanes& image, int radius, int step)
{
    const std::size_t stride = image.stride();
    const std::int32_t width = image.width;
    const std::uint8_t* current = image.current.data();
    std::uint8_t* scratch = image.scratch.data();

    const GroupLine kernel = plainWindowKernels(radius, step).single;
    if (kernel != nullptr && width >= 2 * radius + 1) {
        parallelRows(0, image.height - 1, [&](std::int32_t row) {
            plainRowMedians(kernel, radius, current + static_cast<std::size_t>(row) * stride,
                            scratch + static_cast<std::size_t>(row) * stride, width);
        });
        return;
    }

    const std::vector<int> offsets = windowOffsets(radius, step);
    const std::vector<std::vector<Comparator>> networks = networksBySize(offsets.size());
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
    const std::size_t stride = image.stride();
    const std::int32_t width = image.width;
    const std::int32_t height = image.height;
    const std::size_t lanes = 3 * static_cast<std::size_t>(width);
    const std::uint8_t* scratch = image.scratch.data();
    std::uint8_t* result = image.result.data();
    const auto rowOf = [stride](auto* plane, std::int32_t row) { return plane + static_cast<std::size_t>(row) * stride; };

    const GroupLine kernel = plainWindowKernels(radius, step).rowGroup;
    if (kernel != nullptr && height >= 2 * radius + 1) {
        // Every byte of a row shares the row's window. Rows past the bottom
        // and top of the picture are pad rows; the medians of the last group
        // that lie past the top go to rows that are dropped.
        const std::vector<std::uint8_t> zeroRow(lanes, padByte(1));
        const std::vector<std::uint8_t> fullRow(lanes, padByte(2));
        std::vector<std::uint8_t> droppedRows((kRowGroup - 1) * lanes);
        const auto inputRow = [&](std::int32_t q) {
            const std::int32_t distance = q < 0 ? -q : q - height + 1;
            if (distance <= 0) {
                return rowOf(scratch, q);
            }
            return (padByte(distance) == 0 ? zeroRow : fullRow).data();
        };
        const std::int32_t groupSize = static_cast<std::int32_t>(kRowGroup);
        parallelRows(0, (height - 1) / groupSize, [&](std::int32_t group) {
            const std::int32_t first = group * groupSize;
            std::vector<const std::uint8_t*> inputs;
            for (std::int32_t i = 0; i < 2 * radius + groupSize; ++i) {
                inputs.push_back(inputRow(first - radius + i));
            }
            std::array<std::uint8_t*, kRowGroup> outputs;
            for (std::int32_t o = 0; o < groupSize; ++o) {
                const std::int32_t row = first + o;
                outputs[static_cast<std::size_t>(o)] = row < height ? rowOf(result, row)
                    : droppedRows.data() + static_cast<std::size_t>(row - height) * lanes;
            }
            kernel(inputs.data(), outputs.data(), lanes);
        });
    } else {
        const std::vector<int> offsets = windowOffsets(radius, step);
        const std::vector<std::vector<Comparator>> networks = networksBySize(offsets.size());
        // Every byte of a row shares the row's window, clipped only at the
        // top and bottom of the picture.
        parallelRows(0, height - 1, [&](std::int32_t row) {
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
        });
    }
    // The loops never write the row padding of `result`, so taking over its
    // buffer leaves `scratch` with the same bytes as a whole-plane copy.
    std::swap(image.scratch, image.result);
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
