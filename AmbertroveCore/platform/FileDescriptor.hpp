#pragma once

#include "base/AmbertroveError.hpp"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace ambertrove {

// An open file descriptor, closed when it goes. A negative value holds nothing.
class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    explicit FileDescriptor(int fd) noexcept
        : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1)) {}
    // Closes what this held and takes over what `other` held.
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    [[nodiscard]] int get() const noexcept { return m_fd; }
    [[nodiscard]] bool valid() const noexcept { return m_fd >= 0; }
    // Gives the descriptor up without closing it: its new owner closes it.
    [[nodiscard]] int release() noexcept { return std::exchange(m_fd, -1); }

    // Closes now, if it holds a descriptor, without a word about a failed close: for descriptors through
    // which nothing was written, or whose writes were already synced.
    void reset() noexcept {
        if (m_fd >= 0)
            ::close(std::exchange(m_fd, -1));
    }

    // Closes now and throws std::system_error when the close fails (written data that did not arrive).
    void close() {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && errno != EINTR)
            throwSystemError(errno, EIO);
    }

private:
    int m_fd = -1;
};

} // namespace ambertrove
