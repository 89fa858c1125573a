#include "platform/FileStatus.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace ambertrove {

bool FileStatus::isDirectory() const {
    return (mode & S_IFMT) == S_IFDIR;
}
bool FileStatus::isSymbolicLink() const {
    return (mode & S_IFMT) == S_IFLNK;
}
bool FileStatus::isRegularFile() const {
    return (mode & S_IFMT) == S_IFREG;
}

std::int32_t encodeDevice(std::uint32_t major, std::uint32_t minor) noexcept {
    const std::uint32_t value = (minor & 0xffu) | (major << 8) | ((minor & ~0xffu) << 12);
    return static_cast<std::int32_t>(value);
}

namespace {

int readStatus(int dirfd, const char* name, int flags, FileStatus& out) noexcept {
    struct statx sx {};
    unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
#ifdef STATX_MNT_ID
    mask |= STATX_MNT_ID;
#endif
    if (statx(dirfd, name, flags, mask, &sx) != 0)
        return errno;
    out.device = encodeDevice(sx.stx_dev_major, sx.stx_dev_minor);
    out.inode = sx.stx_ino;
    out.mode = sx.stx_mode;
    out.linkCount = sx.stx_nlink;
    out.size = static_cast<std::int64_t>(sx.stx_size);
    out.blocks = static_cast<std::int64_t>(sx.stx_blocks);
    out.accessedSeconds = sx.stx_atime.tv_sec;
    out.accessedNanos = sx.stx_atime.tv_nsec;
    out.modifiedSeconds = sx.stx_mtime.tv_sec;
    out.modifiedNanos = sx.stx_mtime.tv_nsec;
    out.changedSeconds = sx.stx_ctime.tv_sec;
    out.changedNanos = sx.stx_ctime.tv_nsec;
    if (sx.stx_mask & STATX_BTIME)
        out.birthSeconds = sx.stx_btime.tv_sec;
    else
        out.birthSeconds =
            sx.stx_mtime.tv_sec < sx.stx_ctime.tv_sec ? sx.stx_mtime.tv_sec : sx.stx_ctime.tv_sec;
#ifdef STATX_MNT_ID
    out.hasMountId = (sx.stx_mask & STATX_MNT_ID) != 0;
    out.mountId = out.hasMountId ? sx.stx_mnt_id : 0;
#else
    out.hasMountId = false;
    out.mountId = 0;
#endif
    out.isCompressed = (sx.stx_attributes & sx.stx_attributes_mask & STATX_ATTR_COMPRESSED) != 0;
    out.isImmutable = (sx.stx_attributes & sx.stx_attributes_mask & STATX_ATTR_IMMUTABLE) != 0;
    out.isDataless = false;
    return 0;
}

} // namespace

int readFileStatus(int dirfd, const char* name, FileStatus& out) noexcept {
    return readStatus(dirfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, out);
}

int readOpenFileStatus(int fd, FileStatus& out) noexcept {
    return readStatus(fd, "", AT_EMPTY_PATH, out);
}

} // namespace ambertrove
