#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The capacity of one mounted volume, identified by `path`.
struct VolumeInfo {
    static constexpr const char* kMountTable = "/proc/self/mountinfo";

    std::string path;
    std::string name;
    std::int64_t total = 0;
    std::int64_t free = 0;
    std::int64_t importantAvailable = 0;

    [[nodiscard]] std::int64_t used() const;
    [[nodiscard]] double fraction() const;

    // A volume measured as `df` does: the blocks reserved for the superuser are neither used nor available
    // to the user, so they are left out of the total, and used + free = total. Counts are in blocks of
    // `blockSize` bytes (statvfs's f_blocks, f_bfree, f_bavail and f_frsize).
    static VolumeInfo fromBlocks(std::string path, std::string name, std::uint64_t blocks,
                                 std::uint64_t freeBlocks, std::uint64_t availableBlocks, std::uint64_t blockSize);
    // The volume holding `path` (a volume's mount path or any path on it); nothing when its values cannot be
    // read. `path` is kept as given; the name is the last component of the volume's mount path, or of `path`
    // when the mount path cannot be found.
    static std::optional<VolumeInfo> read(const std::string& path);
    // The mounted volumes of `mountTable` (a mountinfo or mtab file) in its order, pseudo file systems and
    // volumes whose values cannot be read left out; empty when the table cannot be read.
    static std::vector<VolumeInfo> mounted(const std::string& mountTable = kMountTable);

    friend bool operator==(const VolumeInfo&, const VolumeInfo&) = default;
};

} // namespace ambertrove
