#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The system's mount table, read with libmount (which undoes the table's escapes such as "\040").
class MountTable {
public:
    MountTable() = delete;

    // The mount paths of the file systems listed in `file` (a mountinfo, mtab or fstab file), in its order,
    // pseudo file systems (proc, sysfs, tmpfs, cgroup…) left out; nothing when the file cannot be read.
    static std::optional<std::vector<std::string>> volumePaths(const std::string& file);
    struct Mount {
        // Where it is mounted.
        std::string target;
        // The folder of its file system shown there ("/" for the whole file system).
        std::string root;
        // The file system's device number, as the table gives it.
        std::uint64_t device = 0;
    };
    // Every mount listed in `file` (a mountinfo file), pseudo file systems included, in its order; nothing
    // when the file cannot be read.
    static std::optional<std::vector<Mount>> mounts(const std::string& file);

    // The mount path of the file system holding `path`; nothing when it cannot be found.
    static std::optional<std::string> mountPointOf(const std::string& path);
};

} // namespace ambertrove
