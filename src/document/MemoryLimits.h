// How much memory this process may really use: the least of the machine's
// available memory, the memory limit of its cgroup (v2 memory.max of the
// process's own cgroup) and its address-space limit. The history sizes its
// memory budget from it and refuses a snapshot only when it does not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace memory {

// The cgroup v2 path of this process from the text of /proc/self/cgroup (its
// "0::" line), e.g. "/user.slice/app.scope"; nothing when there is none.
std::optional<std::string> cgroupPath(std::string_view procSelfCgroup);
// A memory.max value: bytes, or nothing for "max" or unreadable text.
std::optional<std::uint64_t> parseMemoryMax(std::string_view text);
// The MemAvailable line of /proc/meminfo, in bytes.
std::optional<std::uint64_t> parseMemAvailable(std::string_view meminfo);

struct Limits {
    std::uint64_t physical = 0;                // installed memory
    std::optional<std::uint64_t> available;    // MemAvailable now
    std::optional<std::uint64_t> cgroupMax;    // memory.max of the own cgroup
    std::optional<std::uint64_t> cgroupUsed;   // anonymous memory of the own cgroup (memory.stat)
    std::optional<std::uint64_t> addressSpace; // RLIMIT_AS
    std::optional<std::uint64_t> addressUsed;  // VmSize of the process
};

// Reads the limits from `procRoot` (/proc) and `cgroupRoot` (/sys/fs/cgroup).
Limits readLimits(const std::filesystem::path& procRoot = "/proc",
                  const std::filesystem::path& cgroupRoot = "/sys/fs/cgroup");

// Bytes that can still be allocated without reaching any limit.
std::uint64_t room(const Limits& limits);
// The history's default memory budget: a quarter of the memory the process
// may use at most (the least of physical memory, the cgroup limit and the
// address-space limit), and no more than half of what is available now.
std::size_t defaultHistoryBudget(const Limits& limits);

} // namespace memory
