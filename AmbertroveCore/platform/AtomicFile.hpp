#pragma once

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

} // namespace ambertrove
