// The atomic file write: temporary file, fdatasync, rename, then the folder
// flushed so that the rename itself survives a power cut. The target's kind
// is checked first, so a pipe or a device is never opened.
#include "image/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return ::fdatasync(fd) == 0;
}

// A fresh hidden name beside `target`, created exclusively with the umask's
// permissions; -1 when none could be made.
int createTemporary(const fs::path& target, std::string& temporaryPath)
{
    std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char tag[9] = {};
        std::snprintf(tag, sizeof tag, "%08x", entropy());
        std::string name(1, '.');
        name.append(target.filename().string()).append(1, '.').append(tag).append(".tmp");
        temporaryPath = (target.parent_path() / name).string();
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The name that writing `path` replaces: `path` itself, or where its chain
// of symbolic links ends; nothing, with errno set, for a loop or a link that
// cannot be read.
std::optional<fs::path> linkTarget(fs::path path)
{
    // The kernel's own limit on links followed in one lookup.
    constexpr int kMaxLinks = 40;
    for (int followed = 0; followed < kMaxLinks; ++followed) {
        std::error_code error;
        if (!fs::is_symlink(path, error)) {
            return path;
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            errno = error.value();
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    errno = ELOOP;
    return std::nullopt;
}

} // namespace

FileError writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    const std::optional<fs::path> found = linkTarget(fs::path(path));
    if (!found) {
        return fileErrorOfErrno(errno, true);
    }
    const fs::path& target = *found;
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        return FileError::IsFolder;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        return FileError::NotRegularFile;
    }
    std::string temporaryPath;
    const int fd = createTemporary(target, temporaryPath);
    if (fd < 0) {
        return fileErrorOfErrno(errno, true);
    }
    bool done = writeAll(fd, bytes) && (!exists || ::fchmod(fd, existing.st_mode & 07777) == 0);
    done = ::close(fd) == 0 && done;
    if (!done || ::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        const int cause = errno;
        ::unlink(temporaryPath.c_str());
        return fileErrorOfErrno(cause, true);
    }
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return FileError::None;
}
