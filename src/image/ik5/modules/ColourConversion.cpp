// Grey, RGB and CMYK pictures into the record's 24-bit DIB, converted to sRGB
// through their embedded profile by Little CMS where they are not RGB.
#include "ColourConversion.h"

#include <new>

#include "DibBlock.h"
#include "image/LittleCms.h"

namespace ik5module {
namespace {

std::size_t channelsOf(DecodedLayout layout)
{
    switch (layout) {
    case DecodedLayout::Grey8:
        return 1;
    case DecodedLayout::Rgb8:
        return 3;
    case DecodedLayout::Cmyk8:
        return 4;
    }
    return 0;
}

cmsColorSpaceSignature spaceOf(DecodedLayout layout)
{
    switch (layout) {
    case DecodedLayout::Grey8:
        return cmsSigGrayData;
    case DecodedLayout::Rgb8:
        return cmsSigRgbData;
    case DecodedLayout::Cmyk8:
        return cmsSigCmykData;
    }
    return cmsSigRgbData;
}

// Every source row in DIB order (the DIB's row y is the picture's row
// height - 1 - y), handed to `convertRow(source, target)`.
template <typename ConvertRow>
void forEachRow(const DecodedPicture& picture, std::size_t sourceStride, const DibView& dib, ConvertRow&& convertRow)
{
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* source = picture.pixels.data() + static_cast<std::size_t>(picture.height - 1 - y) * sourceStride;
        convertRow(source, dib.pixels + static_cast<std::size_t>(y) * dib.stride);
    }
}

// The uncalibrated rule for CMYK without a usable profile: each colour is
// what is left of white after its ink and the black ink.
std::uint8_t uncalibrated(std::uint8_t ink, std::uint8_t black, bool inverted)
{
    const unsigned left = inverted ? ink : 255u - ink;
    const unsigned blackLeft = inverted ? black : 255u - black;
    return static_cast<std::uint8_t>((left * blackLeft + 127) / 255);
}

// The pixels without a usable profile, by the standard of their layout.
void convertStandard(const DecodedPicture& picture, std::size_t sourceStride, const DibView& dib)
{
    const auto width = static_cast<std::size_t>(picture.width);
    forEachRow(picture, sourceStride, dib, [&](const std::uint8_t* source, std::uint8_t* target) {
        for (std::size_t x = 0; x < width; ++x, target += 3) {
            switch (picture.layout) {
            case DecodedLayout::Grey8:
                target[0] = target[1] = target[2] = source[x];
                break;
            case DecodedLayout::Rgb8:
                target[0] = source[3 * x + 2];
                target[1] = source[3 * x + 1];
                target[2] = source[3 * x];
                break;
            case DecodedLayout::Cmyk8: {
                const std::uint8_t* ink = source + 4 * x;
                target[0] = uncalibrated(ink[2], ink[3], picture.adobeInverted);
                target[1] = uncalibrated(ink[1], ink[3], picture.adobeInverted);
                target[2] = uncalibrated(ink[0], ink[3], picture.adobeInverted);
                break;
            }
            }
        }
    });
}

cmsUInt32Number lcmsFormat(const DecodedPicture& picture)
{
    if (picture.layout == DecodedLayout::Grey8) {
        return TYPE_GRAY_8;
    }
    return picture.adobeInverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8;
}

std::vector<std::uint8_t> serialisedSrgb()
{
    const lcms::Profile profile(cmsCreate_sRGBProfile());
    if (!profile) {
        throw std::bad_alloc();
    }
    // Version 2 profiles are the ones every reader knows.
    cmsSetProfileVersion(profile.get(), 2.1);
    std::vector<std::uint8_t> bytes = lcms::profileBytes(profile.get());
    if (bytes.empty()) {
        throw std::bad_alloc();
    }
    return bytes;
}

} // namespace

const std::vector<std::uint8_t>& srgbProfileBytes()
{
    static const std::vector<std::uint8_t> bytes = serialisedSrgb();
    return bytes;
}

ConvertedPicture convertToDib(const DecodedPicture& picture)
{
    ConvertedPicture converted;
    const std::size_t channels = channelsOf(picture.layout);
    if (!acceptableSize(picture.width, picture.height)) {
        return converted;
    }
    const std::size_t packedStride = channels * static_cast<std::size_t>(picture.width);
    const std::size_t sourceStride = picture.stride == 0 ? packedStride : picture.stride;
    if (sourceStride < packedStride
        || picture.pixels.size() < sourceStride * static_cast<std::size_t>(picture.height - 1) + packedStride) {
        return converted;
    }
    converted.dib = allocateDib(picture.width, picture.height, 24);
    const std::optional<DibView> dib = viewDib(converted.dib);
    if (!dib) {
        return converted;
    }

    lcms::Profile profile = lcms::openProfile(picture.profile, spaceOf(picture.layout));
    converted.standardProfileUsed = !picture.profile.empty() && !profile;
    if (picture.layout == DecodedLayout::Rgb8) {
        convertStandard(picture, sourceStride, *dib);
        if (profile) {
            converted.profile.assign(picture.profile.begin(), picture.profile.end());
        }
        return converted;
    }

    converted.convertedToSrgb = true;
    const lcms::Profile srgb(cmsCreate_sRGBProfile());
    const lcms::Transform transform =
        profile && srgb ? lcms::makeTransform(profile.get(), lcmsFormat(picture), srgb.get(), TYPE_BGR_8) : nullptr;
    if (profile && !transform) {
        // Read, but without tables Little CMS can convert through.
        converted.standardProfileUsed = true;
    }
    if (transform) {
        forEachRow(picture, sourceStride, *dib, [&](const std::uint8_t* source, std::uint8_t* target) {
            cmsDoTransform(transform.get(), source, target, static_cast<cmsUInt32Number>(picture.width));
        });
        converted.profile = srgbProfileBytes();
    } else {
        // Untagged grey becomes exact sRGB greys, which need no profile.
        convertStandard(picture, sourceStride, *dib);
        if (picture.layout == DecodedLayout::Cmyk8) {
            converted.profile = srgbProfileBytes();
        }
    }
    return converted;
}

} // namespace ik5module
