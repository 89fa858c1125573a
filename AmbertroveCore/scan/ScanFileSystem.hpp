#pragma once

#include "platform/FileStatus.hpp"

#include <cstddef>
#include <functional>
#include <string>

namespace ambertrove {

// Hooks a test installs in a DiskScanner to stand in for conditions it cannot make on a real disk
// (unreadable entries when running as root, other devices, mount points), or to see how much work a
// check took. Each hook that stands in for a call gets the entry's absolute path; an empty hook leaves
// the real call alone. A scanner without hooks pays nothing for them.
// A scanner may call the hooks from its worker threads, never two at once: a hook that reads or changes
// state of the test must not rely on the calling thread, and sees the entries of different folders in no
// particular order (those of one folder in listing order).
struct ScanFileSystem {
    // After a successful status read: may change the status, or return an errno value to fail the read.
    std::function<int(const std::string& path, FileStatus& status)> status;
    // Before a folder is opened for listing: returns an errno value to fail the open, or 0.
    std::function<int(const std::string& path)> open;
    // Before the root's readability check: returns an errno value to make the root unreadable, or 0.
    std::function<int(const std::string& path)> access;
    // After a folder was looked for among its own ancestors: how many of them the search visited.
    std::function<void(std::size_t visited)> loopCheck;
};

} // namespace ambertrove
