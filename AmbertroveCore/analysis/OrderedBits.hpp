#pragma once

#include <cstdint>
#include <cstring>

namespace ambertrove {

// Sort keys that compare as unsigned integers in the order of the values they stand for, so that a sort
// of many rows compares plain numbers whatever the column's type.
[[nodiscard]] inline std::uint64_t orderedBits(std::int64_t value) {
    return static_cast<std::uint64_t>(value) ^ (1ull << 63);
}

[[nodiscard]] inline std::uint64_t orderedBits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & (1ull << 63)) ? ~bits : bits | (1ull << 63);
}

} // namespace ambertrove
