#include "platform/OwnFolder.hpp"

#include "base/AmbertroveError.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace ambertrove {

namespace {

int codeOf(OwnFolderFault fault) {
    return fault == OwnFolderFault::link || fault == OwnFolderFault::notFolder ? ENOTDIR : EACCES;
}

} // namespace

OwnFolderError::OwnFolderError(OwnFolderFault fault)
    : std::system_error(codeOf(fault), std::generic_category())
    , m_fault(fault) {}

FileDescriptor openOwnFolder(int parent, const std::string& name, uid_t uid, bool create) {
    if (create && ::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST)
        throwSystemError(errno, EIO);
    FileDescriptor folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) {
        const int error = errno;
        struct stat entry {};
        if ((error == ENOTDIR || error == ELOOP) &&
            ::fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0)
            throw OwnFolderError(S_ISLNK(entry.st_mode) ? OwnFolderFault::link : OwnFolderFault::notFolder);
        throwSystemError(error, EIO);
    }
    struct stat status {};
    if (::fstat(folder.get(), &status) != 0)
        throwSystemError(errno, EIO);
    if (!S_ISDIR(status.st_mode))
        throw OwnFolderError(OwnFolderFault::notFolder);
    if (status.st_uid != uid)
        throw OwnFolderError(OwnFolderFault::otherOwner);
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw OwnFolderError(OwnFolderFault::openToOthers);
    return folder;
}

} // namespace ambertrove
