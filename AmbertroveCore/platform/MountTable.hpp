#pragma once

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
    // The mount path of the file system holding `path`; nothing when it cannot be found.
    static std::optional<std::string> mountPointOf(const std::string& path);
};

} // namespace ambertrove
