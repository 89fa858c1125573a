#pragma once

#include "platform/FileDescriptor.hpp"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace ambertrove {

// The mode of files that only their owner may read: the program's state files.
inline constexpr unsigned kPrivateFileMode = 0600;
// The mode of other files written, before the file-creation mask.
inline constexpr unsigned kSharedFileMode = 0644;

// Writes a whole file atomically: a temporary file in the same folder is created with `mode` (less the
// file-creation mask), written by `write`, flushed, synced and renamed over `path`, and the folder is
// synced. On any failure the temporary is removed, `path` is left as it was, and the error is thrown
// (std::system_error with errno's code, or what `write` threw).
void writeFileAtomically(const std::string& path, const std::function<void(std::FILE*)>& write,
                         unsigned mode = kSharedFileMode);
void writeFileAtomically(const std::string& path, const std::string& contents,
                         unsigned mode = kSharedFileMode);
// The same for the file `name` in the open folder `folder`: what is written lands in that very folder,
// whatever becomes of its path meanwhile.
void writeFileAtomically(int folder, const std::string& name, const std::function<void(std::FILE*)>& write,
                         unsigned mode);
void writeFileAtomically(int folder, const std::string& name, const std::string& contents, unsigned mode);

// The folder that holds `path`: "." for a bare name, "/" for an entry of the root folder.
[[nodiscard]] std::string containingFolder(const std::string& path);

// Syncs `folder` so that a rename into it is durable. A failure is not reported: the renamed file's
// content was synced before, so nothing written is lost.
void syncFolder(const std::string& folder);

// Writes all of `bytes` to `fd`, going on after short writes and interruptions. Throws std::system_error
// with errno's code.
void writeAll(int fd, std::string_view bytes);

// Reads a whole file. Throws std::system_error with errno's code.
std::string readWholeFile(const std::string& path);

// Opens the file `name` in the open folder `folder` for reading, as the program's own stored files are
// opened: a link is not followed, and the open never waits (a named pipe or a device put in the file's
// place cannot hold the caller). Anything but a regular file of at most `limit` bytes is refused:
// std::system_error (ENOENT when nothing is there, EISDIR for a folder), or AmbertroveError whose sentence
// says what is there instead ("It is a named pipe, not a file.").
FileDescriptor openStoredFile(int folder, const std::string& name, std::uint64_t limit);
// The whole of such a file.
std::string readStoredFile(int folder, const std::string& name, std::uint64_t limit);
// Reads from such a file with a stream: `read` gets the open file and its result is returned. The file is
// closed whatever happens.
template <class Read>
auto readStoredFile(int folder, const std::string& name, std::uint64_t limit, Read&& read) {
    FileDescriptor fd = openStoredFile(folder, name, limit);
    std::FILE* file = ::fdopen(fd.get(), "rb");
    if (!file)
        throwSystemError(errno, EIO);
    (void)fd.release(); // the stream closes it now
    struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{file};
    return read(file);
}

} // namespace ambertrove
