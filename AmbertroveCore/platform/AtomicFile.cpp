#include "platform/AtomicFile.hpp"

#include "base/AmbertroveError.hpp"
#include "base/Uuid.hpp"

#include <cerrno>
#include <fcntl.h>
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

void writeFileAtomically(const std::string& path, const std::function<void(std::FILE*)>& write,
                         unsigned mode) {
    const std::string folder = containingFolder(path);
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    const std::string temporary = folder + "/." + name + "." + Uuid::random().text() + ".tmp";
    // Created with its final mode: a private file is never readable by others, not even while written.
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0)
        throwSystemError(errno, EIO);
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
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
        ::unlink(temporary.c_str());
        throw;
    }
    if (std::fclose(file) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throwSystemError(error, EIO);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throwSystemError(error, EIO);
    }
    syncFolder(folder); // the rename is durable once the folder is synced
}

void writeFileAtomically(const std::string& path, const std::string& contents, unsigned mode) {
    writeFileAtomically(
        path,
        [&](std::FILE* file) {
            if (!contents.empty() &&
                std::fwrite(contents.data(), 1, contents.size(), file) != contents.size())
                throwSystemError(errno, EIO);
        },
        mode);
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
