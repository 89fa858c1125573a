#pragma once

#include "model/DiskNode.hpp"

#include <cstdint>
#include <vector>

namespace ambertrove {

// A page of the largest entries of a scope: the best rows (at most the limit asked for) and the number
// of all entries that passed the filter, also those beyond the limit.
struct RankedPage {
    std::vector<DiskNode> rows;
    std::int64_t count = 0;

    friend bool operator==(const RankedPage&, const RankedPage&) = default;
};

} // namespace ambertrove
