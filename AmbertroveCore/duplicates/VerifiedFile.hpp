#pragma once

#include "duplicates/DuplicateFileHooks.hpp"
#include "model/FileIdentity.hpp"
#include "platform/FileDescriptor.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace ambertrove {

// A file of a scan open for reading, opened only after proving that the path still names the entry the
// scan saw, so that content is never read from a file that replaced it. Closes its descriptor when released.
class VerifiedFile {
public:
    // Throws AmbertroveError when the entry changed since the scan (any identity field) or its content
    // lives only in the cloud, or when the opened file is not that entry or not a regular file;
    // std::system_error when the path cannot be examined or opened. `sequential` hints that the whole
    // file will be read from start to end. `path` and `hooks` must outlive the handle.
    [[nodiscard]] static VerifiedFile open(const std::string& path, const FileIdentity& expected,
                                           bool sequential, const DuplicateFileHooks* hooks = nullptr);

    // Whether the path's entry still has `expected` as its identity. Throws std::system_error when the
    // path can no longer be examined.
    [[nodiscard]] static bool unchanged(const std::string& path, const FileIdentity& expected,
                                        const DuplicateFileHooks* hooks = nullptr);

    VerifiedFile(VerifiedFile&& other) noexcept = default;
    VerifiedFile& operator=(VerifiedFile&& other) noexcept = default;

    // Reads until `length` bytes are in `buffer` or the file ends, and returns how many were read: a short
    // read from the system never ends a chunk early. Throws std::system_error when a read fails.
    std::size_t read(std::uint8_t* buffer, std::size_t length);
    // The same from `offset` on, wherever earlier reads ended; later reads go on after it.
    std::size_t readAt(std::uint8_t* buffer, std::size_t length, std::int64_t offset);

private:
    VerifiedFile(FileDescriptor descriptor, const std::string& path, const DuplicateFileHooks* hooks)
        : m_descriptor(std::move(descriptor))
        , m_path(&path)
        , m_hooks(hooks) {}

    FileDescriptor m_descriptor; // only read through, so a failed close loses nothing
    const std::string* m_path = nullptr;
    const DuplicateFileHooks* m_hooks = nullptr;
    std::int64_t m_offset = 0; // where the next read starts
};

} // namespace ambertrove
