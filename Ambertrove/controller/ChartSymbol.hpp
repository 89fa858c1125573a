#pragma once

#include "model/DiskNode.hpp"

#include <QString>

namespace ambertrove {

// The name of the symbol that stands for a node in lists and charts: a package, a folder, or the file's
// category. The views map these names to icons.
[[nodiscard]] QString chartSymbol(const DiskNode& node);

} // namespace ambertrove
