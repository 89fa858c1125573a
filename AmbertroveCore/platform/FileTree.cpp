#include "platform/FileTree.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FileDescriptor.hpp"
#include "platform/PathResolution.hpp"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ambertrove::FileTree {

namespace {

constexpr std::size_t kRangeChunk = std::size_t(1) << 30;
constexpr std::size_t kBufferSize = std::size_t(1) << 18;

[[noreturn]] void fail(int error) {
    throwSystemError(error, EIO);
}

using Fd = FileDescriptor;

Fd openFolderAt(int dirFd, const char* name) {
    return Fd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The names in an open folder, without "." and "..". The folder is listed through a descriptor of its
// own so that the caller's descriptor keeps its position.
std::vector<std::string> entryNames(int folderFd) {
    const int own = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        fail(errno);
    DIR* dir = ::fdopendir(own);
    if (dir == nullptr) {
        const int error = errno;
        ::close(own);
        fail(error);
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr)
            break;
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0)
        fail(error);
    return names;
}

// Copies from the current position of `in` to its end. The kernel copies in place where it can; file
// systems and kernels that cannot get plain reads and writes from where the kernel stopped.
void copyData(int in, int out, std::int64_t expectedSize) {
    bool inKernel = true;
    bool copiedAny = false;
    while (inKernel) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kRangeChunk, 0);
        if (n > 0) {
            copiedAny = true;
            continue;
        }
        if (n == 0) {
            // Some file systems report an immediate end for files they cannot copy this way.
            if (copiedAny || expectedSize == 0)
                return;
            inKernel = false;
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
                   errno == EBADF || errno == ETXTBSY) {
            inKernel = false;
        } else {
            fail(errno);
        }
    }
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        writeAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
}

std::string linkTargetAt(int dirFd, const char* name, std::int64_t sizeHint) {
    std::size_t capacity = sizeHint > 0 ? static_cast<std::size_t>(sizeHint) + 1 : 256;
    for (;;) {
        std::string target(capacity, '\0');
        const ssize_t n = ::readlinkat(dirFd, name, target.data(), target.size());
        if (n < 0)
            fail(errno);
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        capacity *= 2;
    }
}

void copyEntry(int sourceDir, const char* sourceName, int destinationDir, const char* destinationName) {
    struct stat st {};
    if (::fstatat(sourceDir, sourceName, &st, AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    // A copy made by another user (root, typically) must not become a program that runs as that user.
    const mode_t mode = st.st_mode & (S_ISVTX | S_IRWXU | S_IRWXG | S_IRWXO);

    switch (st.st_mode & S_IFMT) {
    case S_IFREG: {
        // Non-blocking, so that a pipe put in the file's place cannot hold the copy; it is refused below.
        const Fd in(::openat(sourceDir, sourceName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        if (!in.valid())
            fail(errno);
        struct stat opened {};
        if (::fstat(in.get(), &opened) != 0)
            fail(errno);
        if (!S_ISREG(opened.st_mode))
            fail(ENOTSUP);
        Fd out(::openat(destinationDir, destinationName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        S_IRUSR | S_IWUSR));
        if (!out.valid())
            fail(errno);
        copyData(in.get(), out.get(), opened.st_size);
        if (::fchmod(out.get(), mode) != 0 || ::futimens(out.get(), times) != 0)
            fail(errno);
        // A backup stands in for originals that go to the Trash next: its data must be on the disk.
        if (::fsync(out.get()) != 0)
            fail(errno);
        out.close();
        return;
    }
    case S_IFDIR: {
        const Fd in = openFolderAt(sourceDir, sourceName);
        if (!in.valid())
            fail(errno);
        if (::mkdirat(destinationDir, destinationName, S_IRWXU) != 0)
            fail(errno);
        const Fd out = openFolderAt(destinationDir, destinationName);
        if (!out.valid())
            fail(errno);
        // The names are read first so that only the two folders' descriptors stay open per level.
        for (const std::string& name : entryNames(in.get()))
            copyEntry(in.get(), name.c_str(), out.get(), name.c_str());
        // Only now: a read-only folder could not have been filled.
        if (::fchmod(out.get(), mode) != 0 || ::futimens(out.get(), times) != 0)
            fail(errno);
        return;
    }
    case S_IFLNK: {
        const std::string target = linkTargetAt(sourceDir, sourceName, st.st_size);
        if (::symlinkat(target.c_str(), destinationDir, destinationName) != 0)
            fail(errno);
        // Some file systems keep no times of their own for links; the link itself is what matters.
        ::utimensat(destinationDir, destinationName, times, AT_SYMLINK_NOFOLLOW);
        return;
    }
    default:
        fail(ENOTSUP);
    }
}

void removeContents(int parentDir, const char* name, dev_t device) {
    int fd = ::openat(parentDir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        // It was just seen as a folder of ours; let its owner in.
        ::fchmodat(parentDir, name, S_IRWXU, 0);
        fd = ::openat(parentDir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    const Fd folder(fd);
    if (!folder.valid())
        return;
    struct stat st {};
    if (::fstat(folder.get(), &st) != 0 || st.st_dev != device)
        return;
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(folder.get(), (st.st_mode & 07777) | S_IRWXU);
    std::vector<std::string> names;
    try {
        names = entryNames(folder.get());
    } catch (const std::exception&) {
        return;
    }
    for (const std::string& child : names) {
        struct stat cst {};
        if (::fstatat(folder.get(), child.c_str(), &cst, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(cst.st_mode)) {
            removeContents(folder.get(), child.c_str(), device);
            ::unlinkat(folder.get(), child.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(folder.get(), child.c_str(), 0);
        }
    }
}

} // namespace

void copy(const std::string& source, const std::string& destination) {
    copyEntry(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str());
}

std::string linkTarget(const std::string& path) {
    return linkTargetAt(AT_FDCWD, path.c_str(), 0);
}

bool removeFolder(const std::string& path) noexcept {
    try {
        const std::string parent = PathResolution::parentPath(path);
        const std::string name(PathText::name(path));
        const Fd parentDir(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!parentDir.valid())
            return false;
        struct stat st {};
        if (::fstatat(parentDir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            return false;
        removeContents(parentDir.get(), name.c_str(), st.st_dev);
        return ::unlinkat(parentDir.get(), name.c_str(), AT_REMOVEDIR) == 0;
    } catch (...) {
        return false;
    }
}

} // namespace ambertrove::FileTree
