// Writing a whole file in one step: the bytes go to a hidden temporary file
// beside the target, reach the disk, and replace the target by rename, so the
// target holds either its old or its new content, whatever happens meanwhile.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Replaces (or creates) the file at `path` with `bytes`. A symbolic link is
// followed, the file it leads to is replaced; an existing file keeps its
// permissions, a new one gets those of the umask. A target that exists but
// is not a regular file (a folder, a FIFO, a device) is refused. False when
// anything failed, with errno saying why; the target is then untouched and
// no temporary file stays.
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);
