#pragma once

#include "platform/FileStatus.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ambertrove {

// Hooks a test installs in a DuplicateFinder to stand in for conditions it cannot make on a real disk at
// the right moment (a file that changes between two readings, a read error in the middle of a file, an
// unreadable file when running as root). Each hook gets the candidate's path; an empty hook leaves the
// real call alone. Hooks are called from the search's worker threads.
struct DuplicateFileHooks {
    // After a successful status read: may change the status, or return an errno value to fail the read.
    std::function<int(const std::string& path, FileStatus& status)> status;
    // Before the file is opened: returns an errno value to fail the open, or 0.
    std::function<int(const std::string& path)> open;
    // Before a read at `offset`: returns an errno value to fail the read, or 0.
    std::function<int(const std::string& path, std::int64_t offset)> read;
    // How many threads read; 0 does all the reading on the calling thread, in order. Absent: as many as
    // there are cores, at most 8.
    std::optional<unsigned> workers;
};

} // namespace ambertrove
