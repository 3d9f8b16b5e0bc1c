// Reads the metadata items of a HEIF file's primary picture through
// libheif's C interface, every object held by an owning handle.
#include "image/metadata/HeifBlocks.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "image/Libheif.h"

namespace metadata {
namespace {

// The bytes of the first metadata item of `type` whose content type is
// `contentType` (any, when empty).
std::vector<std::uint8_t> firstBlock(heif_image_handle* handle, const char* type, std::string_view contentType)
{
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, type);
    std::vector<heif_item_id> ids(static_cast<std::size_t>(std::max(count, 0)));
    heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(), count);
    for (const heif_item_id id : ids) {
        const char* content = heif_image_handle_get_metadata_content_type(handle, id);
        if (!contentType.empty() && (content == nullptr || contentType != content)) {
            continue;
        }
        std::vector<std::uint8_t> bytes(heif_image_handle_get_metadata_size(handle, id));
        if (!bytes.empty() && heif_image_handle_get_metadata(handle, id, bytes.data()).code == heif_error_Ok) {
            return bytes;
        }
    }
    return {};
}

// An EXIF item starts with the big-endian offset from its fifth byte to the
// TIFF header (after "Exif\0\0", say); the TIFF structure alone is kept.
std::vector<std::uint8_t> tiffOfExifItem(const std::vector<std::uint8_t>& item)
{
    if (item.size() < 4) {
        return {};
    }
    const std::uint64_t offset = std::uint64_t{item[0]} << 24 | std::uint64_t{item[1]} << 16
                                 | std::uint64_t{item[2]} << 8 | std::uint64_t{item[3]};
    if (offset >= item.size() - 4) {
        return {};
    }
    return {item.begin() + 4 + static_cast<std::ptrdiff_t>(offset), item.end()};
}

} // namespace

HeifBlocks heifBlocks(std::span<const std::uint8_t> file)
{
    const libheif::Context context(heif_context_alloc());
    if (!context
        || heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code
               != heif_error_Ok) {
        return {};
    }
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) {
        return {};
    }
    const libheif::ImageHandle handle(rawHandle);
    HeifBlocks blocks;
    blocks.exif = tiffOfExifItem(firstBlock(handle.get(), "Exif", {}));
    const std::vector<std::uint8_t> xmp = firstBlock(handle.get(), "mime", "application/rdf+xml");
    blocks.xmp.assign(xmp.begin(), xmp.end());
    return blocks;
}

} // namespace metadata
