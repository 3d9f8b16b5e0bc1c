// Element-of-rank selection shared by the rank and median filters: a
// per-channel byte histogram with a coarse level of 16 bins, so that the
// element of any rank is found in at most 32 steps. Counts are exact, so the
// element found is the one a full sort would give.
#pragma once

#include <array>
#include <cstdint>

namespace effects {

class ChannelHistogram {
public:
    void clear()
    {
        fine_.fill(0);
        coarse_.fill(0);
    }
    void add(std::uint8_t value)
    {
        ++fine_[value];
        ++coarse_[value >> 4];
    }
    void remove(std::uint8_t value)
    {
        --fine_[value];
        --coarse_[value >> 4];
    }
    // The element of 0-based rank `rank` in ascending order; rank < count.
    std::uint8_t select(std::uint32_t rank) const
    {
        std::uint32_t below = 0;
        std::uint32_t bin = 0;
        while (below + coarse_[bin] <= rank) {
            below += coarse_[bin];
            ++bin;
        }
        std::uint32_t value = bin << 4;
        while (below + fine_[value] <= rank) {
            below += fine_[value];
            ++value;
        }
        return static_cast<std::uint8_t>(value);
    }

private:
    std::array<std::uint32_t, 256> fine_{};
    std::array<std::uint32_t, 16> coarse_{};
};

// Three channel histograms of one window, in storage order blue, green, red.
struct PixelHistogram {
    std::array<ChannelHistogram, 3> channels;

    void clear()
    {
        for (ChannelHistogram& channel : channels) {
            channel.clear();
        }
    }
    void add(const std::uint8_t* pixel)
    {
        channels[0].add(pixel[0]);
        channels[1].add(pixel[1]);
        channels[2].add(pixel[2]);
    }
    void remove(const std::uint8_t* pixel)
    {
        channels[0].remove(pixel[0]);
        channels[1].remove(pixel[1]);
        channels[2].remove(pixel[2]);
    }
    // Writes the element of `rank` of each channel to out (blue, green, red).
    void select(std::uint32_t rank, std::uint8_t* out) const
    {
        out[0] = channels[0].select(rank);
        out[1] = channels[1].select(rank);
        out[2] = channels[2].select(rank);
    }
};

} // namespace effects
