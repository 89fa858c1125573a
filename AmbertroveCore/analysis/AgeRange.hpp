#pragma once

#include "base/Date.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ambertrove {

// How long ago a file was last modified, in the six bands of the age map.
enum class AgeRange : int { week = 0, month = 1, quarter = 2, year = 3, twoYears = 4, older = 5 };

inline constexpr std::array<AgeRange, 6> kAllAgeRanges = {
    AgeRange::week, AgeRange::month, AgeRange::quarter, AgeRange::year, AgeRange::twoYears, AgeRange::older};

[[nodiscard]] constexpr int rawValue(AgeRange range) {
    return static_cast<int>(range);
}
// 0 to 5; nothing for any other number.
[[nodiscard]] std::optional<AgeRange> ageRangeFromRawValue(std::int64_t raw);
[[nodiscard]] std::string_view title(AgeRange range);
// The range of a modification date seen from `now`. Each bound belongs to the younger range, and a date in
// the future (or one that gives no age) counts as this week.
[[nodiscard]] AgeRange ageRangeContaining(Date date, Date now);

} // namespace ambertrove
