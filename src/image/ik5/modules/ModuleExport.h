// The modules are built with hidden visibility; only the library's functions
// are exported, by their C names.
#pragma once

#define IK5_EXPORT extern "C" __attribute__((visibility("default")))
