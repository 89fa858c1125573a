#pragma once

#include "model/ScanResult.hpp"

#include <cstddef>

namespace ambertrove::bench {

// A tree of `count` nodes built the way the scanner builds one: records added in walk order (a folder
// before its contents), children appended as met, the table finished at the end. The plain tree has
// uniform names and leaves folder totals at 0; a `varied` tree has names of many kinds (extensions of
// every category, hidden entries, folders that quick wins look for) and folder totals rolled up.
[[nodiscard]] ScanResult syntheticScan(std::size_t count, bool varied = false);

} // namespace ambertrove::bench
