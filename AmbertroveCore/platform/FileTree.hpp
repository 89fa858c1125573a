#pragma once

#include <string>

namespace ambertrove::FileTree {

// Copies the entry at `source` to `destination`, which must not exist yet: a file with its content, a
// folder with everything in it, a symbolic link as a link (never what it points to). Permissions and
// modification times are carried over; a folder gets its permissions only once it has been filled, and
// copies never gain set-user-ID or set-group-ID bits. Devices, pipes and sockets are refused (ENOTSUP).
// Throws std::system_error with errno's code; whatever was made before the failure stays, for the caller
// to remove with the folder it copies into.
void copy(const std::string& source, const std::string& destination);

// The target text of the symbolic link at `path`. Throws std::system_error with errno's code.
std::string linkTarget(const std::string& path);

// Removes the folder at `path` with everything in it, making its folders writable first so that
// read-only copies can go. Never follows a symbolic link (a link is removed, not what it points to) and
// never enters another file system. Returns whether the folder is gone; failures are not thrown.
bool removeFolder(const std::string& path) noexcept;

} // namespace ambertrove::FileTree
