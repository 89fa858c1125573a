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
