#pragma once

#include <cstdint>
#include <string>

namespace ambertrove {

// One process of the process listing, identified by `id`.
struct ProcessInfoRow {
    std::int64_t id = 0;
    std::string name;
    double cpu = 0;          // percent as the listing reports it; one core is 100
    std::int64_t memory = 0; // resident bytes

    friend bool operator==(const ProcessInfoRow&, const ProcessInfoRow&) = default;
};

} // namespace ambertrove
