// The pages the three web-page commands and the About box's link open. The
// program has no web site, so they are pages of its own help folder, found
// where the help page is.
#pragma once

#include <string_view>

#include "res/ResourceIds.h"

namespace res {

inline constexpr std::string_view kAboutPage = "about.html";     // the program, its edition and licence
inline constexpr std::string_view kExamplesPage = "examples.html"; // the menu effects on one photo
inline constexpr std::string_view kSkinPage = "skin.html";         // the skin effect, step by step

// The help-folder page a web-page command opens, or an empty string for other ids.
constexpr std::string_view pageFor(int commandId)
{
    switch (commandId) {
    case ID_WEB_PAID_DOWNLOAD: return kAboutPage;
    case ID_WEB_PAID_EXAMPLES: return kExamplesPage;
    case ID_WEB_SKIN_VIDEO: return kSkinPage;
    default: return {};
    }
}

} // namespace res
