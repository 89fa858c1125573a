#include "platform/MountTable.hpp"

#include <cstdlib>
#include <libmount/libmount.h>
#include <memory>

namespace ambertrove {

namespace {

// Calls `visit` for each entry of the mount table in `file`, in order; false when the table cannot be
// read. Lines that do not parse are skipped by libmount; the rest of the table still counts.
template <typename Visit>
bool forEachMount(const std::string& file, Visit visit) {
    const std::unique_ptr<libmnt_table, void (*)(libmnt_table*)> table(mnt_new_table_from_file(file.c_str()),
                                                                       mnt_unref_table);
    if (!table)
        return false;
    const std::unique_ptr<libmnt_iter, void (*)(libmnt_iter*)> iterator(mnt_new_iter(MNT_ITER_FORWARD),
                                                                        mnt_free_iter);
    if (!iterator)
        return false;
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iterator.get(), &fs) == 0)
        visit(fs);
    return true;
}

} // namespace

std::optional<std::vector<std::string>> MountTable::volumePaths(const std::string& file) {
    std::vector<std::string> paths;
    const bool read = forEachMount(file, [&](libmnt_fs* fs) {
        const char* target = mnt_fs_get_target(fs);
        if (target && *target && !mnt_fs_is_pseudofs(fs))
            paths.emplace_back(target);
    });
    if (!read)
        return std::nullopt;
    return paths;
}

std::optional<std::vector<MountTable::Mount>> MountTable::mounts(const std::string& file) {
    std::vector<Mount> mounts;
    const bool read = forEachMount(file, [&](libmnt_fs* fs) {
        const char* target = mnt_fs_get_target(fs);
        if (!target || !*target)
            return;
        const char* root = mnt_fs_get_root(fs);
        mounts.push_back(
            Mount{target, root && *root ? root : "/", static_cast<std::uint64_t>(mnt_fs_get_devno(fs))});
    });
    if (!read)
        return std::nullopt;
    return mounts;
}

std::optional<std::string> MountTable::mountPointOf(const std::string& path) {
    char* mountPoint = mnt_get_mountpoint(path.c_str());
    if (!mountPoint)
        return std::nullopt;
    std::string result(mountPoint);
    std::free(mountPoint);
    return result;
}

} // namespace ambertrove
