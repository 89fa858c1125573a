#pragma once

#include <cstdint>
#include <string>

namespace ambertrove {

// The status record of one entry, read with statx without following a final symbolic link.
// It carries what the model takes from an lstat record on other systems.
struct FileStatus {
    std::int32_t device = 0; // the kernel's 32-bit encoding of major and minor
    std::uint64_t inode = 0;
    std::uint32_t mode = 0;
    std::uint32_t linkCount = 0; // not saturated here
    std::int64_t size = 0;
    std::int64_t blocks = 0; // 512-byte blocks
    std::int64_t accessedSeconds = 0, accessedNanos = 0;
    std::int64_t modifiedSeconds = 0, modifiedNanos = 0;
    std::int64_t changedSeconds = 0, changedNanos = 0;
    std::int64_t birthSeconds = 0; // the smaller of mtime and ctime when the file system keeps no birth time
    std::uint64_t mountId = 0;
    bool hasMountId = false;
    bool isCompressed = false;
    bool isImmutable = false;
    bool isDataless = false; // no cloud placeholders on Linux: always false

    [[nodiscard]] bool isDirectory() const;
    [[nodiscard]] bool isSymbolicLink() const;
    [[nodiscard]] bool isRegularFile() const;
};

// Reads the status of `name` relative to `dirfd` (AT_FDCWD for a path). Returns 0 or an errno value.
int readFileStatus(int dirfd, const char* name, FileStatus& out) noexcept;
// Reads the status of what an open descriptor refers to. Returns 0 or an errno value.
int readOpenFileStatus(int fd, FileStatus& out) noexcept;

// Encodes a device's major and minor numbers as the kernel's 32-bit dev_t, as an int32 bit pattern.
std::int32_t encodeDevice(std::uint32_t major, std::uint32_t minor) noexcept;

} // namespace ambertrove
