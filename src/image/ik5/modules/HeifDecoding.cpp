// HEIF and AVIF decoding over libheif's C interface. Every libheif object is
// held by an owning handle; a failure becomes the reason the user reads.
#include "HeifDecoding.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "DibBlock.h"
#include "image/Libheif.h"
#include "image/LittleCms.h"

namespace ik5module {
namespace {

struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
struct NclxFree {
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
struct CurveFree {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};

// libheif's decoders are registered once for the whole program.
void initialiseOnce()
{
    static const bool initialised = [] {
        heif_init(nullptr);
        return true;
    }();
    static_cast<void>(initialised);
}

// The codec a HEIF file's brands promise, to name in the reason when no
// decoder reads it.
std::string codecOf(std::span<const std::uint8_t> file)
{
    const auto boxSize = file.size() >= 4 ? std::size_t{file[0]} << 24 | std::size_t{file[1]} << 16
                                                | std::size_t{file[2]} << 8 | std::size_t{file[3]}
                                          : 0;
    const std::size_t end = std::min(boxSize, file.size());
    for (std::size_t at = 8; at + 4 <= end; at += 4) {
        const std::string_view brand(reinterpret_cast<const char*>(file.data() + at), 4);
        if (brand == "avif" || brand == "avis") {
            return "AV1";
        }
        if (brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" || brand == "hevc") {
            return "HEVC";
        }
        if (brand == "vvic" || brand == "vvis") {
            return "VVC";
        }
    }
    return "HEIF";
}

FileProblem problemOf(const heif_error& error, std::span<const std::uint8_t> file)
{
    if (error.code == heif_error_Memory_allocation_error) {
        return FileError::OutOfMemory;
    }
    if (error.code == heif_error_Unsupported_feature || error.code == heif_error_Decoder_plugin_error) {
        return {FileError::UnsupportedCodec, codecOf(file)};
    }
    return FileError::Damaged;
}

// The tone curve a colour description names; null for one that has no
// curve in an ICC profile (PQ and HLG are for HDR displays).
std::unique_ptr<cmsToneCurve, CurveFree> toneCurve(heif_transfer_characteristics transfer)
{
    switch (transfer) {
    case heif_transfer_characteristic_IEC_61966_2_1:
    case heif_transfer_characteristic_unspecified:
    // Video curves: shown with sRGB's curve, as browsers show such photos.
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit: {
        const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        return std::unique_ptr<cmsToneCurve, CurveFree>(cmsBuildParametricToneCurve(nullptr, 4, srgb));
    }
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
        return std::unique_ptr<cmsToneCurve, CurveFree>(cmsBuildGamma(nullptr, 2.2));
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
        return std::unique_ptr<cmsToneCurve, CurveFree>(cmsBuildGamma(nullptr, 2.8));
    case heif_transfer_characteristic_linear:
        return std::unique_ptr<cmsToneCurve, CurveFree>(cmsBuildGamma(nullptr, 1.0));
    default:
        return nullptr;
    }
}

// An ICC profile for a colour description of primaries and a tone curve,
// made with Little CMS; empty when it is sRGB's (or cannot be made, in
// which case `ignored` is set).
std::vector<std::uint8_t> profileOfNclx(const heif_color_profile_nclx& nclx, bool& ignored)
{
    const bool srgbPrimaries = nclx.color_primaries == heif_color_primaries_ITU_R_BT_709_5
                               || nclx.color_primaries == heif_color_primaries_unspecified;
    const bool srgbCurve = nclx.transfer_characteristics == heif_transfer_characteristic_IEC_61966_2_1
                           || nclx.transfer_characteristics == heif_transfer_characteristic_unspecified
                           || nclx.transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_709_5;
    if (srgbPrimaries && srgbCurve) {
        return {};
    }
    const auto curve = toneCurve(nclx.transfer_characteristics);
    if (!curve) {
        ignored = true;
        return {};
    }
    const cmsCIExyY white{nclx.color_primary_white_x, nclx.color_primary_white_y, 1.0};
    const cmsCIExyYTRIPLE primaries{{nclx.color_primary_red_x, nclx.color_primary_red_y, 1.0},
                                    {nclx.color_primary_green_x, nclx.color_primary_green_y, 1.0},
                                    {nclx.color_primary_blue_x, nclx.color_primary_blue_y, 1.0}};
    cmsToneCurve* const curves[3] = {curve.get(), curve.get(), curve.get()};
    const lcms::Profile profile(cmsCreateRGBProfile(&white, &primaries, curves));
    std::vector<std::uint8_t> bytes = profile ? lcms::profileBytes(profile.get()) : std::vector<std::uint8_t>{};
    ignored = bytes.empty();
    return bytes;
}

// The profile of the decoded RGB pixels, from the file's ICC profile or
// its colour description.
std::vector<std::uint8_t> profileOf(const heif_image_handle* handle, bool& ignored)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        std::vector<std::uint8_t> bytes(heif_image_handle_get_raw_color_profile_size(handle));
        if (bytes.empty() || heif_image_handle_get_raw_color_profile(handle, bytes.data()).code != heif_error_Ok
            || !lcms::openProfile(bytes, cmsSigRgbData)) {
            ignored = true;
            return {};
        }
        return bytes;
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx* raw = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok || raw == nullptr) {
            ignored = true;
            return {};
        }
        const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(raw);
        return profileOfNclx(*nclx, ignored);
    }
    default:
        return {};
    }
}

} // namespace

HeifPicture decodeHeif(std::span<const std::uint8_t> file)
{
    initialiseOnce();
    HeifPicture picture;
    const libheif::Context context(heif_context_alloc());
    if (!context) {
        picture.problem = FileError::OutOfMemory;
        return picture;
    }
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr);
    if (error.code != heif_error_Ok) {
        picture.problem = problemOf(error, file);
        return picture;
    }
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    if (error.code != heif_error_Ok) {
        picture.problem = problemOf(error, file);
        return picture;
    }
    const libheif::ImageHandle handle(rawHandle);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!acceptableSize(width, height)) {
        picture.problem = width > 0 && height > 0
                              ? FileProblem{FileError::TooLarge, {}, width, height, kMaxPixels}
                              : FileProblem{FileError::Damaged};
        return picture;
    }
    picture.pictures = heif_context_get_number_of_top_level_images(context.get());
    picture.deep = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8;

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) {
        picture.problem = FileError::OutOfMemory;
        return picture;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    if (error.code != heif_error_Ok) {
        picture.problem = problemOf(error, file);
        return picture;
    }
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    // The picture after the file's rotation, which may have turned it.
    const int uprightWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int uprightHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (pixels == nullptr || !acceptableSize(uprightWidth, uprightHeight)) {
        picture.problem = FileError::Damaged;
        return picture;
    }
    // A deep copy: the QImage outlives libheif's image.
    picture.image = QImage(pixels, uprightWidth, uprightHeight, stride,
                           alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888)
                        .copy();
    if (picture.image.isNull()) {
        picture.problem = FileError::OutOfMemory;
        return picture;
    }
    picture.profile = profileOf(handle.get(), picture.profileIgnored);
    return picture;
}

} // namespace ik5module
