#pragma once

#include <cstdint>
#include <limits>

// Counter arithmetic that stops at the largest value instead of wrapping.
namespace ambertrove::Saturating {

inline std::uint64_t sum(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                             : a + b;
}

// A signed sum that stops at the largest or the smallest value instead of wrapping.
inline std::int64_t add(std::int64_t a, std::int64_t b) {
    std::int64_t result;
    if (__builtin_add_overflow(a, b, &result))
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return result;
}

// `count` units of `unitSize` bytes as a signed byte count, at most the largest signed 64-bit value.
inline std::int64_t bytes(std::uint64_t count, std::uint64_t unitSize) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (unitSize != 0 && count > kMax / unitSize)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(count * unitSize);
}

// An unsigned count as a signed one, at most the largest signed 64-bit value.
inline std::int64_t signedCount(std::uint64_t value) {
    return bytes(value, 1);
}

} // namespace ambertrove::Saturating
