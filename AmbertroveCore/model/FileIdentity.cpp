#include "model/FileIdentity.hpp"

#include "base/AmbertroveError.hpp"

#include <cerrno>
#include <fcntl.h>

namespace ambertrove {

std::string FileIdentity::key() const {
    return std::to_string(device) + ":" + std::to_string(inode);
}

FileIdentity FileIdentity::fromStatus(const FileStatus& s) {
    FileIdentity id;
    id.device = s.device;
    id.inode = s.inode;
    id.size = s.size;
    id.modifiedSeconds = s.modifiedSeconds;
    id.modifiedNanos = s.modifiedNanos;
    id.changedSeconds = s.changedSeconds;
    id.changedNanos = s.changedNanos;
    id.mode = static_cast<std::uint16_t>(s.mode);
    id.linkCount = static_cast<std::uint16_t>(s.linkCount > 65535u ? 65535u : s.linkCount);
    return id;
}

std::pair<FileIdentity, FileStatus> FileIdentity::read(const std::string& path) {
    FileStatus status;
    if (const int error = readFileStatus(AT_FDCWD, path.c_str(), status); error != 0)
        throwSystemError(error, EIO);
    return {fromStatus(status), status};
}

} // namespace ambertrove
