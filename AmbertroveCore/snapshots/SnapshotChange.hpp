#pragma once

#include <cstdint>
#include <string>

namespace ambertrove {

// How one path's size differs between two scans.
struct SnapshotChange {
    std::string path;
    std::int64_t before = 0; // 0 when the first scan has no entry at the path
    std::int64_t after = 0;  // 0 when the second scan has none
    std::string status;      // "Added", "Removed" or "Changed"

    [[nodiscard]] const std::string& id() const { return path; }
    // Stored files may hold any figures, so the difference stops at the 64-bit limits.
    [[nodiscard]] std::int64_t delta() const {
        std::int64_t result;
        if (__builtin_sub_overflow(after, before, &result))
            return after > before ? INT64_MAX : INT64_MIN;
        return result;
    }

    friend bool operator==(const SnapshotChange&, const SnapshotChange&) = default;
};

} // namespace ambertrove
