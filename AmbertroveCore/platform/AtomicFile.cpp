#include "platform/AtomicFile.hpp"

#include "base/AmbertroveError.hpp"
#include "base/Uuid.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ambertrove {

std::string containingFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& folder) {
    if (const int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirfd >= 0) {
        ::fsync(dirfd);
        ::close(dirfd);
    }
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(errno, EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void writeFileAtomically(int folder, const std::string& name, const std::function<void(std::FILE*)>& write,
                         unsigned mode) {
    const std::string temporary = "." + name + "." + Uuid::random().text() + ".tmp";
    // Created with its final mode: a private file is never readable by others, not even while written.
    const int fd = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            static_cast<mode_t>(mode));
    if (fd < 0)
        throwSystemError(errno, EIO);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlinkat(folder, temporary.c_str(), 0);
        throwSystemError(error, EIO);
    }
    try {
        write(file);
        if (std::fflush(file) != 0 || std::ferror(file))
            throwSystemError(errno, EIO);
        if (::fsync(fileno(file)) != 0)
            throwSystemError(errno, EIO);
    } catch (...) {
        std::fclose(file);
        ::unlinkat(folder, temporary.c_str(), 0);
        throw;
    }
    if (std::fclose(file) != 0) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        throwSystemError(error, EIO);
    }
    if (::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        throwSystemError(error, EIO);
    }
    ::fsync(folder); // the rename is durable once the folder is synced; the content already is
}

void writeFileAtomically(const std::string& path, const std::function<void(std::FILE*)>& write,
                         unsigned mode) {
    const std::string folderPath = containingFolder(path);
    FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that may be written but not listed is still written into (it is then not synced).
    if (!folder.valid() && errno == EACCES)
        folder = FileDescriptor(::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        throwSystemError(errno, EIO);
    const auto slash = path.rfind('/');
    writeFileAtomically(folder.get(), slash == std::string::npos ? path : path.substr(slash + 1), write,
                        mode);
}

namespace {

std::function<void(std::FILE*)> writing(const std::string& contents) {
    return [&contents](std::FILE* file) {
        if (!contents.empty() && std::fwrite(contents.data(), 1, contents.size(), file) != contents.size())
            throwSystemError(errno, EIO);
    };
}

// A limit in decimal units, as sizes are shown ("256 MB").
std::string limitText(std::uint64_t limit) {
    if (limit >= 1'000'000'000 && limit % 1'000'000'000 == 0)
        return std::to_string(limit / 1'000'000'000) + " GB";
    if (limit >= 1'000'000 && limit % 1'000'000 == 0)
        return std::to_string(limit / 1'000'000) + " MB";
    if (limit >= 1'000 && limit % 1'000 == 0)
        return std::to_string(limit / 1'000) + " kB";
    return std::to_string(limit) + " bytes";
}

} // namespace

void writeFileAtomically(const std::string& path, const std::string& contents, unsigned mode) {
    writeFileAtomically(path, writing(contents), mode);
}

void writeFileAtomically(int folder, const std::string& name, const std::string& contents, unsigned mode) {
    writeFileAtomically(folder, name, writing(contents), mode);
}

namespace {

// Refuses what stands in a stored file's place, by the type bits of its mode, unless it is a file.
void refuseUnlessRegular(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return;
    case S_IFDIR:
        throw std::system_error(EISDIR, std::generic_category());
    case S_IFLNK:
        throw AmbertroveError("It is a symbolic link, not a file.");
    case S_IFIFO:
        throw AmbertroveError("It is a named pipe, not a file.");
    case S_IFCHR:
    case S_IFBLK:
        throw AmbertroveError("It is a device, not a file.");
    case S_IFSOCK:
        throw AmbertroveError("It is a socket, not a file.");
    default:
        throw AmbertroveError("It is not a file.");
    }
}

} // namespace

FileDescriptor openStoredFile(int folder, const std::string& name, std::uint64_t limit) {
    FileDescriptor fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        const int error = errno;
        // A link, a socket or a device without a driver cannot be opened at all: say what it is.
        struct stat entry {};
        if ((error == ELOOP || error == ENXIO) &&
            ::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0)
            refuseUnlessRegular(entry.st_mode);
        throwSystemError(error, EIO);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        throwSystemError(errno, EIO);
    refuseUnlessRegular(status.st_mode);
    if (status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) > limit)
        throw AmbertroveError("It is larger than " + limitText(limit) + ", the most such a file may hold.");
    return fd;
}

std::string readStoredFile(int folder, const std::string& name, std::uint64_t limit) {
    const FileDescriptor fd = openStoredFile(folder, name, limit);
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwSystemError(errno, EIO);
        }
        if (n == 0)
            break;
        // A file that grew since it was measured is held to the same limit.
        if (out.size() + static_cast<std::size_t>(n) > limit)
            throw AmbertroveError("It is larger than " + limitText(limit) +
                                  ", the most such a file may hold.");
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

std::string readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throwSystemError(errno, EIO);
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throwSystemError(error, EIO);
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

} // namespace ambertrove
