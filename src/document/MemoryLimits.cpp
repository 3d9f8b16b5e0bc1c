// Reading the memory limits from /proc and the cgroup v2 file system. Any
// file that is missing or unreadable simply leaves its limit out.
#include "document/MemoryLimits.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace memory {
namespace {

std::optional<std::string> readSmallFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text;
    text.resize(65536);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::optional<std::uint64_t> leadingNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data()) {
        return std::nullopt;
    }
    return value;
}

// The value of a "Key:   123 kB" line of a /proc status file, in bytes.
std::optional<std::uint64_t> kilobytesField(std::string_view text, std::string_view key)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ':') {
            const auto kilobytes = leadingNumber(line.substr(key.size() + 1));
            return kilobytes ? std::optional(*kilobytes * 1024) : std::nullopt;
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::uint64_t leastOf(std::uint64_t value, const std::optional<std::uint64_t>& limit)
{
    return limit ? std::min(value, *limit) : value;
}

} // namespace

std::optional<std::string> cgroupPath(std::string_view procSelfCgroup)
{
    std::size_t at = 0;
    while (at < procSelfCgroup.size()) {
        const std::size_t end = std::min(procSelfCgroup.find('\n', at), procSelfCgroup.size());
        const std::string_view line = procSelfCgroup.substr(at, end - at);
        if (line.starts_with("0::/")) {
            return std::string(line.substr(3));
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> parseMemoryMax(std::string_view text)
{
    if (text.starts_with("max")) {
        return std::nullopt;
    }
    return leadingNumber(text);
}

std::optional<std::uint64_t> parseMemAvailable(std::string_view meminfo)
{
    return kilobytesField(meminfo, "MemAvailable");
}

Limits readLimits(const std::filesystem::path& procRoot, const std::filesystem::path& cgroupRoot)
{
    Limits limits;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageBytes = ::sysconf(_SC_PAGE_SIZE);
    limits.physical = pages > 0 && pageBytes > 0 ? std::uint64_t(pages) * std::uint64_t(pageBytes)
                                                 : std::uint64_t{4} << 30;
    if (const auto meminfo = readSmallFile(procRoot / "meminfo")) {
        limits.available = parseMemAvailable(*meminfo);
    }
    if (const auto cgroups = readSmallFile(procRoot / "self" / "cgroup")) {
        if (const auto path = cgroupPath(*cgroups)) {
            const std::filesystem::path folder = cgroupRoot / std::filesystem::path(*path).relative_path();
            if (const auto max = readSmallFile(folder / "memory.max")) {
                limits.cgroupMax = parseMemoryMax(*max);
            }
            // Anonymous memory only: the page cache that memory.current also
            // counts is given back under pressure.
            if (const auto stat = readSmallFile(folder / "memory.stat")) {
                const std::size_t at = stat->find("anon ");
                if (at == 0 || (at != std::string::npos && (*stat)[at - 1] == '\n')) {
                    limits.cgroupUsed = leadingNumber(std::string_view(*stat).substr(at + 5));
                }
            }
        }
    }
    rlimit addressSpace{};
    if (::getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY) {
        limits.addressSpace = addressSpace.rlim_cur;
        if (const auto status = readSmallFile(procRoot / "self" / "status")) {
            limits.addressUsed = kilobytesField(*status, "VmSize");
        }
    }
    return limits;
}

std::uint64_t room(const Limits& limits)
{
    std::uint64_t room = leastOf(limits.physical, limits.available);
    if (limits.cgroupMax) {
        room = std::min(room, *limits.cgroupMax - std::min(*limits.cgroupMax, limits.cgroupUsed.value_or(0)));
    }
    if (limits.addressSpace) {
        room = std::min(room,
                        *limits.addressSpace - std::min(*limits.addressSpace, limits.addressUsed.value_or(0)));
    }
    return room;
}

std::size_t defaultHistoryBudget(const Limits& limits)
{
    const std::uint64_t usable = leastOf(leastOf(limits.physical, limits.cgroupMax), limits.addressSpace);
    std::uint64_t budget = usable / 4;
    if (limits.available) {
        budget = std::min(budget, *limits.available / 2);
    }
    return static_cast<std::size_t>(budget);
}

} // namespace memory
