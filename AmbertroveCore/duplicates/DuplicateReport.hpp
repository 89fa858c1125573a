#pragma once

#include "duplicates/DuplicateGroup.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace ambertrove {

// The result of one duplicate search.
struct DuplicateReport {
    std::vector<DuplicateGroup> groups; // largest reclaimable first
    std::int64_t checked = 0;           // files that went through sampling, read or not
    std::int64_t skipped = 0;           // file operations that failed
    std::vector<std::string> issues;    // what went wrong for the first 100 of them, in order
};

} // namespace ambertrove
