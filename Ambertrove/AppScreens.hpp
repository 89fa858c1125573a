#pragma once

#include "shell/ScreenTable.hpp"

namespace ambertrove {

// The screens the window hosts: the Explore section, the feature sections, the inspector and the cleanup
// review. The one place that knows them all; the executable and the tests build their windows with it.
[[nodiscard]] ScreenTable appScreens();

} // namespace ambertrove
