// The accelerator table: the standard desktop shortcuts bound to the photo
// commands. Keys are in Qt's portable key-sequence notation; a command may
// have several.
#pragma once

#include <string_view>

#include "res/ResourceIds.h"

namespace res {

struct Accelerator {
    int id;
    std::string_view keys;
};

inline constexpr Accelerator kAccelerators[] = {
    {ID_PHOTO_OPEN, "Ctrl+O"},
    {ID_PHOTO_SAVE, "Ctrl+S"},
    {ID_HISTORY_UNDO, "Ctrl+Z"},
    {ID_HISTORY_REDO, "Ctrl+Y"},
    {ID_HISTORY_REDO, "Ctrl+Shift+Z"},
    {ID_APP_EXIT, "Ctrl+Q"},
};

} // namespace res
