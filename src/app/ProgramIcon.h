// The program's icon, as the window, the task bar and the About box show it.
#pragma once

#include <QIcon>

// The icon in all its drawn sizes (16 to 256 pixels), from the program's
// resources; it is never null in a complete build.
QIcon programIcon();
// The drawn sizes, smallest first; the installed icon theme has the same.
inline constexpr int kProgramIconSizes[] = {16, 32, 48, 64, 128, 256};
