#pragma once

#include "theme/Paper.hpp"

#include <QColor>

#include <optional>

namespace ambertrove {

// What the shared pieces read when they paint: the appearance the window forces (light or dark, never the
// system's) and whether motion is reduced. Both are process-wide like the current theme and are written
// on the GUI thread by the window when the controller's setting changes.
namespace Appearance {

[[nodiscard]] bool dark();
void setDark(bool dark);

// Reduced motion: the forced value when one is set, else the desktop's choice (general UI effects off).
[[nodiscard]] bool reducedMotion();
void setReducedMotion(std::optional<bool> forced);

// `colour` resolved for the current appearance, at `opacity` times its own alpha.
[[nodiscard]] QColor color(const AdaptiveColor& colour, double opacity = 1.0);
[[nodiscard]] QColor role(ColorRole role, double opacity = 1.0);

} // namespace Appearance

} // namespace ambertrove
