#pragma once

#include "base/Date.hpp"

#include <QString>

namespace ambertrove::DateText {

// How long ago (or ahead) `date` is seen from `now`, in its largest whole calendar unit with the unit
// written out: "3 days ago", "1 month ago", "in 2 hours", "0 seconds ago".
[[nodiscard]] QString relative(Date date, Date now);

// The date in the locale's abbreviated style without time ("Mar 1, 2024").
[[nodiscard]] QString abbreviated(Date date);

} // namespace ambertrove::DateText
