#pragma once

#include "platform/FileStatus.hpp"

#include <cstdint>
#include <string>
#include <utility>

namespace ambertrove {

// The fingerprint of an entry as its status record showed it; equal identities mean "unchanged".
struct FileIdentity {
    std::int32_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanos = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanos = 0;
    std::uint16_t mode = 0;
    std::uint16_t linkCount = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;

    // "device:inode" in decimal; equal keys are hard links of one file.
    [[nodiscard]] std::string key() const;

    static FileIdentity fromStatus(const FileStatus& status);
    // Reads the status of `path` without following a final symbolic link.
    // Throws std::system_error with errno's code (EIO when errno holds none).
    static std::pair<FileIdentity, FileStatus> read(const std::string& path);
};

} // namespace ambertrove
