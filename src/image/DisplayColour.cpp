// Display transforms over Little CMS, kept per photo profile for the display
// profile in force; naming another display profile starts a new cache.
#include "image/DisplayColour.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "image/LittleCms.h"

namespace display {

struct ColourTransform::Handle {
    lcms::Transform bgrx;
    lcms::Transform bgr;
};

void ColourTransform::convertBgrx(std::uint8_t* pixels, std::size_t count) const
{
    cmsDoTransform(handle_->bgrx.get(), pixels, pixels, static_cast<cmsUInt32Number>(count));
}

void ColourTransform::convertBgr(std::uint8_t* pixels, std::size_t count) const
{
    cmsDoTransform(handle_->bgr.get(), pixels, pixels, static_cast<cmsUInt32Number>(count));
}

namespace {

// More photo profiles than this in one session are rare; the cache starts
// again rather than grow.
constexpr std::size_t kCachedProfiles = 8;

struct State {
    std::mutex mutex;
    std::vector<std::uint8_t> displayProfile; // empty: sRGB
    std::map<std::string, std::shared_ptr<const ColourTransform>> transforms; // by the photo profile's bytes
};

State& state()
{
    static State shared;
    return shared;
}

lcms::Profile rgbProfileOrSrgb(std::span<const std::uint8_t> bytes)
{
    return bytes.empty() ? lcms::Profile(cmsCreate_sRGBProfile()) : lcms::openProfile(bytes, cmsSigRgbData);
}

// True when the transform gives back every sample of a 33-level cube of the
// 8-bit colours: the two profiles describe the same colours (an sRGB
// profile written by another program, say), so painting needs no transform.
bool keepsColours(const ColourTransform& transform)
{
    constexpr int kLevels = 33;
    std::vector<std::uint8_t> samples;
    samples.reserve(3 * kLevels * kLevels * kLevels);
    const auto level = [](int i) { return static_cast<std::uint8_t>(std::min(255, i * 8)); };
    for (int b = 0; b < kLevels; ++b) {
        for (int g = 0; g < kLevels; ++g) {
            for (int r = 0; r < kLevels; ++r) {
                samples.insert(samples.end(), {level(b), level(g), level(r)});
            }
        }
    }
    std::vector<std::uint8_t> converted = samples;
    transform.convertBgr(converted.data(), converted.size() / 3);
    return converted == samples;
}

std::shared_ptr<const ColourTransform> makeTransform(std::span<const std::uint8_t> photoProfile,
                                                     std::span<const std::uint8_t> displayProfile)
{
    if (std::ranges::equal(photoProfile, displayProfile)) {
        return nullptr;
    }
    const lcms::Profile source = rgbProfileOrSrgb(photoProfile);
    const lcms::Profile target = rgbProfileOrSrgb(displayProfile);
    if (!source || !target) {
        return nullptr;
    }
    auto handle = std::make_shared<ColourTransform::Handle>();
    handle->bgrx = lcms::makeTransform(source.get(), TYPE_BGRA_8, target.get(), TYPE_BGRA_8);
    handle->bgr = lcms::makeTransform(source.get(), TYPE_BGR_8, target.get(), TYPE_BGR_8);
    if (!handle->bgrx || !handle->bgr) {
        return nullptr;
    }
    auto transform = std::make_shared<const ColourTransform>(std::move(handle));
    return keepsColours(*transform) ? nullptr : transform;
}

} // namespace

bool setDisplayProfile(std::span<const std::uint8_t> profile)
{
    const bool usable = profile.empty() || lcms::openProfile(profile, cmsSigRgbData) != nullptr;
    State& shared = state();
    const std::lock_guard lock(shared.mutex);
    shared.displayProfile.assign(usable ? profile.begin() : profile.end(), profile.end());
    shared.transforms.clear();
    return usable;
}

std::shared_ptr<const ColourTransform> transformFor(std::span<const std::uint8_t> photoProfile)
{
    State& shared = state();
    const std::lock_guard lock(shared.mutex);
    std::string key(photoProfile.begin(), photoProfile.end());
    if (const auto found = shared.transforms.find(key); found != shared.transforms.end()) {
        return found->second;
    }
    if (shared.transforms.size() >= kCachedProfiles) {
        shared.transforms.clear();
    }
    auto transform = makeTransform(photoProfile, shared.displayProfile);
    shared.transforms.emplace(std::move(key), transform);
    return transform;
}

} // namespace display
