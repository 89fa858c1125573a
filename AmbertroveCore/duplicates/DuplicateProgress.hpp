#pragma once

#include <cstdint>
#include <string>

namespace ambertrove {

// One progress report of a duplicate search.
struct DuplicateProgress {
    enum class Phase { grouping, sampling, hashing, verifying, complete };

    Phase phase = Phase::grouping;
    std::int64_t checked = 0;   // files sampled so far
    std::int64_t total = 0;     // files that take part in sampling; fixed before sampling starts
    std::string fileName;       // last path component of the file being worked on
    std::int64_t bytesRead = 0; // of this file hashed, or of this pair compared, so far
    std::int64_t fileSize = 0;  // the file's logical size in the scan

    friend bool operator==(const DuplicateProgress&, const DuplicateProgress&) = default;
};

} // namespace ambertrove
