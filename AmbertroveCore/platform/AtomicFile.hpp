#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace ambertrove {

// Writes a whole file atomically: a temporary file in the same folder is written by `write`, flushed,
// synced and renamed over `path`, and the folder is synced. On any failure the temporary is removed,
// `path` is left as it was, and the error is thrown (std::system_error with errno's code, or what
// `write` threw).
void writeFileAtomically(const std::string& path, const std::function<void(std::FILE*)>& write);
void writeFileAtomically(const std::string& path, const std::string& contents);

// Reads a whole file. Throws std::system_error with errno's code.
std::string readWholeFile(const std::string& path);

} // namespace ambertrove
