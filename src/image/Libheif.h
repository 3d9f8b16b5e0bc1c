// Owning handles for libheif's objects, shared by the file module's HEIF
// decoder and the metadata reader's fallback for HEIF metadata blocks.
#pragma once

#include <memory>

#include <libheif/heif.h>

namespace libheif {

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

using Context = std::unique_ptr<heif_context, ContextFree>;
using ImageHandle = std::unique_ptr<heif_image_handle, HandleRelease>;

} // namespace libheif
