#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ambertrove {

// The memory figures of /proc/meminfo, in bytes.
struct MemoryInfo {
    static constexpr const char* kMemInfoFile = "/proc/meminfo";

    std::int64_t total = 0;       // MemTotal
    std::int64_t available = 0;   // MemAvailable: what could be given to programs without swapping
    std::int64_t unevictable = 0; // Unevictable: pages that can be neither reclaimed nor swapped
    std::int64_t zswap = 0;       // Zswap: the compressed swap cache, 0 when the kernel has none
    std::int64_t cached = 0;      // Cached: the file-backed page cache

    friend bool operator==(const MemoryInfo&, const MemoryInfo&) = default;
};

// Reads a meminfo file; nothing when it cannot be read or lacks MemTotal or MemAvailable.
std::optional<MemoryInfo> readMemoryInfo(const std::string& memInfoFile = MemoryInfo::kMemInfoFile);

// The physical memory of the machine in bytes, from the kernel rather than a file.
std::int64_t physicalMemory();

} // namespace ambertrove
