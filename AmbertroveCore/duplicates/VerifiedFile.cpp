#include "duplicates/VerifiedFile.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace ambertrove {

namespace {

std::string named(const char* sentence, const std::string& path) {
    return sentence + std::string(PathText::name(path));
}

std::pair<FileIdentity, FileStatus> readStatus(const std::string& path, const DuplicateFileHooks* hooks) {
    auto read = FileIdentity::read(path);
    if (hooks && hooks->status) {
        if (const int error = hooks->status(path, read.second); error != 0)
            throwSystemError(error, EIO);
        read.first = FileIdentity::fromStatus(read.second);
    }
    return read;
}

} // namespace

VerifiedFile VerifiedFile::open(const std::string& path, const FileIdentity& expected, bool sequential,
                                const DuplicateFileHooks* hooks) {
    const auto [identity, status] = readStatus(path, hooks);
    if (identity != expected || status.isDataless)
        throw AmbertroveError(named("File changed or is stored in iCloud: ", path));

    if (hooks && hooks->open)
        if (const int error = hooks->open(path); error != 0)
            throwSystemError(error, EIO);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        throwSystemError(errno, EIO);
    VerifiedFile file(FileDescriptor(descriptor), path, hooks);

    // The path may have been replaced between the status read and the open.
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        opened.st_ino != static_cast<ino_t>(identity.inode) ||
        encodeDevice(major(opened.st_dev), minor(opened.st_dev)) != identity.device)
        throw AmbertroveError(named("File changed while opening: ", path));

    if (sequential)
        (void)::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    return file;
}

bool VerifiedFile::unchanged(const std::string& path, const FileIdentity& expected,
                             const DuplicateFileHooks* hooks) {
    return readStatus(path, hooks).first == expected;
}

std::size_t VerifiedFile::read(std::uint8_t* buffer, std::size_t length) {
    return readAt(buffer, length, m_offset);
}

std::size_t VerifiedFile::readAt(std::uint8_t* buffer, std::size_t length, std::int64_t offset) {
    m_offset = offset;
    if (m_hooks && m_hooks->read)
        if (const int error = m_hooks->read(*m_path, m_offset); error != 0)
            throwSystemError(error, EIO);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_descriptor.get(), buffer + done, length - done, m_offset);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            m_offset += n;
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            throwSystemError(errno, EIO);
        }
    }
    return done;
}

} // namespace ambertrove
