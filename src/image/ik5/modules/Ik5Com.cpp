// IK5COM: the library's memory release. Every DIB the modules hand out is one
// malloc'd block, so releasing is std::free.
#include <cstdlib>

#include "ModuleExport.h"
#include "image/ik5/Ik5Api.h"

IK5_EXPORT void IK5FreeMemory(Ik5Dib dib)
{
    std::free(dib);
}
