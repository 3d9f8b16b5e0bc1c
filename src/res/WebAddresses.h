// The addresses the three web-page commands and the About box open. They
// are kept here, in one place, so that a release can point them elsewhere.
#pragma once

#include <string_view>

#include "res/ResourceIds.h"

namespace res {

inline constexpr std::string_view kPaidDownloadAddress =
    "https://www.orvelle.example/pekarun4/download.html";
inline constexpr std::string_view kPaidExamplesAddress =
    "https://www.orvelle.example/pekarun4/examples.html";
inline constexpr std::string_view kSkinVideoAddress =
    "https://www.youtube.com/results?search_query=%E7%BE%8E%E8%82%8C+%E5%86%99%E7%9C%9F+%E8%A3%9C%E6%AD%A3";
inline constexpr std::string_view kMakerAddress = "https://www.orvelle.example/";

// The address a web-page command opens, or an empty string for other ids.
constexpr std::string_view webAddressFor(int commandId)
{
    switch (commandId) {
    case ID_WEB_PAID_DOWNLOAD: return kPaidDownloadAddress;
    case ID_WEB_PAID_EXAMPLES: return kPaidExamplesAddress;
    case ID_WEB_SKIN_VIDEO: return kSkinVideoAddress;
    default: return {};
    }
}

} // namespace res
