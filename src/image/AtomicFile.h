// Writing a whole file in one step: the bytes go to a hidden temporary file
// beside the target, reach the disk, and replace the target by rename, so the
// target holds either its old or its new content, whatever happens meanwhile.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/FileProblem.h"

// Replaces (or creates) the file at `path` with `bytes`. Symbolic links are
// followed (a relative one from its own folder, as far as the chain goes,
// even to a name that does not exist yet) and the file they lead to is
// replaced, so the links stay links; an existing file keeps its permissions,
// a new one gets those of the umask. A target that exists but is not a
// regular file is refused before anything is written: a folder
// (FileError::IsFolder), a FIFO, a device or a socket (FileError::NotRegularFile).
// Returns FileError::None when written, else the reason; the target is then
// untouched and no temporary file stays. `path` is taken as its bytes.
FileError writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
