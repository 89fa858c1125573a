#include "analysis/ModificationMonth.hpp"

namespace ambertrove {

ModificationMonth ModificationMonth::of(Date date, const Calendar& calendar) {
    const std::optional<Calendar::Month> month = calendar.monthContaining(date);
    if (!month)
        return ModificationMonth{};
    return ModificationMonth{month->year, month->month};
}

} // namespace ambertrove
