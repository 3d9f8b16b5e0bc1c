// Owning handles for Little CMS profiles and transforms, shared by the
// file module's conversion at load and the display transform, and the one
// way both open a profile a file gave: checked for its colour space and
// released on every path.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include <lcms2.h>

namespace lcms {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};

using Profile = std::unique_ptr<std::remove_pointer_t<cmsHPROFILE>, ProfileCloser>;
using Transform = std::unique_ptr<std::remove_pointer_t<cmsHTRANSFORM>, TransformDeleter>;

// The profile in `bytes` when Little CMS reads it and it describes
// `space` (cmsSigGrayData, cmsSigRgbData, cmsSigCmykData); null otherwise.
inline Profile openProfile(std::span<const std::uint8_t> bytes, cmsColorSpaceSignature space)
{
    if (bytes.empty()) {
        return nullptr;
    }
    Profile profile(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
    if (!profile || cmsGetColorSpace(profile.get()) != space) {
        return nullptr;
    }
    return profile;
}

// A transform between two profiles, perceptual where the source profile
// has the tables for it and relative colorimetric otherwise; null when
// Little CMS cannot build either. Shared between threads: no 1-pixel cache.
inline Transform makeTransform(cmsHPROFILE source, cmsUInt32Number sourceFormat, cmsHPROFILE target,
                               cmsUInt32Number targetFormat)
{
    for (const cmsUInt32Number intent : {INTENT_PERCEPTUAL, INTENT_RELATIVE_COLORIMETRIC}) {
        if (Transform transform{cmsCreateTransform(source, sourceFormat, target, targetFormat, intent, cmsFLAGS_NOCACHE)}) {
            return transform;
        }
    }
    return nullptr;
}

// The profile as ICC bytes (empty when Little CMS cannot write it), the same
// bytes on every run: the header's creation date (bytes 24 to 35), which
// Little CMS sets to the time the profile was made, is set to a fixed day,
// so that every save of the same photo is the same file.
inline std::vector<std::uint8_t> profileBytes(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size) || size < 36) {
        return {};
    }
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) {
        return {};
    }
    constexpr std::array<std::uint8_t, 12> kFixedDate = {0x07, 0xEA, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    std::memcpy(bytes.data() + 24, kFixedDate.data(), kFixedDate.size());
    return bytes;
}

} // namespace lcms
