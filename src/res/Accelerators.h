// The accelerator table: the standard desktop shortcuts bound to the photo
// commands. Keys are in Qt's portable key-sequence notation; a command may
// have several.
#pragma once

#include <string_view>

#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

namespace res {

struct Accelerator {
    int id;
    std::string_view keys;
};

inline constexpr Accelerator kAccelerators[] = {
    {CommandId::OpenPhoto, "Ctrl+O"},
    {CommandId::SavePhoto, "Ctrl+S"},
    {CommandId::Undo, "Ctrl+Z"},
    {CommandId::Redo, "Ctrl+Y"},
    {CommandId::Redo, "Ctrl+Shift+Z"},
    {ID_APP_EXIT, "Ctrl+Q"},
};

} // namespace res
