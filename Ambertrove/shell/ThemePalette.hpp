#pragma once

#include <QPalette>

namespace ambertrove::ThemePalette {

// The Fusion palette of the current theme in the forced appearance: the window never takes the desktop's
// colours.
[[nodiscard]] QPalette palette(bool dark);

// Makes `dark` the appearance every piece paints with and installs the theme's style (Fusion, see
// ThemeStyle) with the theme's palette for the whole application. Call again after the theme or the
// appearance changed.
void apply(bool dark);

} // namespace ambertrove::ThemePalette
