#pragma once

#include "model/DiskNode.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace ambertrove {

// Files of identical content: the reference copy first, then every file found byte-for-byte equal to it,
// in ascending path order.
struct DuplicateGroup {
    std::string id; // SHA-256 of the content, 64 lower-case hexadecimal digits
    std::vector<DiskNode> files;

    // The allocated bytes of every copy but the first: what keeping only the first would free.
    [[nodiscard]] std::int64_t reclaimable() const;

    friend bool operator==(const DuplicateGroup&, const DuplicateGroup&) = default;
};

} // namespace ambertrove
