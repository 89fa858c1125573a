#pragma once

#include "theme/Paper.hpp"

namespace ambertrove::MonitorColors {

// The system's red and purple, which the Monitor's memory chart and bar use beside the theme's colours.
inline AdaptiveColor red() {
    return {0xFF453A, 0xFF3B30};
}
inline AdaptiveColor purple() {
    return {0xBF5AF2, 0xAF52DE};
}

} // namespace ambertrove::MonitorColors
