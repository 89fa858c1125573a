#pragma once

#include "analysis/Calendar.hpp"
#include "base/Date.hpp"

#include <compare>
#include <cstdint>
#include <functional>

namespace ambertrove {

// A calendar month, the cell of the age map's heat map.
struct ModificationMonth {
    std::int64_t year = 1970;
    std::int64_t month = 1; // 1 to 12

    // The month of the date in the calendar; January 1970 when the calendar cannot place the date.
    static ModificationMonth of(Date date, const Calendar& calendar);

    friend bool operator==(const ModificationMonth&, const ModificationMonth&) = default;
    friend auto operator<=>(const ModificationMonth&, const ModificationMonth&) = default;
};

} // namespace ambertrove

template <> struct std::hash<ambertrove::ModificationMonth> {
    std::size_t operator()(const ambertrove::ModificationMonth& m) const noexcept {
        return std::hash<std::int64_t>{}(m.year * 16 + m.month);
    }
};
