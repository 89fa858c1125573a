#include "services/VerifiedFile.hpp"

#include "model/AmbertroveError.hpp"
#include "model/PathText.hpp"

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

} // namespace

VerifiedFile VerifiedFile::open(const std::string& path, const FileIdentity& expected, bool sequential) {
    const auto [identity, status] = FileIdentity::read(path);
    if (identity != expected || status.isDataless)
        throw AmbertroveError(named("File changed or is stored in iCloud: ", path));

    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        throwSystemError(errno, EIO);
    VerifiedFile file(descriptor);

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

bool VerifiedFile::unchanged(const std::string& path, const FileIdentity& expected) {
    return FileIdentity::read(path).first == expected;
}

VerifiedFile::VerifiedFile(VerifiedFile&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)) {}

VerifiedFile& VerifiedFile::operator=(VerifiedFile&& other) noexcept {
    std::swap(m_descriptor, other.m_descriptor);
    return *this;
}

VerifiedFile::~VerifiedFile() {
    if (m_descriptor >= 0)
        (void)::close(m_descriptor); // nothing was written, so a failed close loses nothing
}

std::size_t VerifiedFile::read(std::uint8_t* buffer, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(m_descriptor, buffer + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            throwSystemError(errno, EIO);
        }
    }
    return done;
}

} // namespace ambertrove
