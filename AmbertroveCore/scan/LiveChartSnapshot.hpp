#pragma once

#include "model/NodeTable.hpp"
#include "model/ScanResult.hpp"

#include <string_view>

namespace ambertrove::LiveChartSnapshot {

struct Cut {
    ScanResult scan;
    bool limited = false; // a child or a deeper level of the source was left out
};

// Cuts the subtree under `root` down to at most `limit` nodes: level by level the largest `fanout`
// children of each folder, folders expanded down to level `depth` (the folder itself is level 0).
// Works on a finished table and on one a scanner is still filling.
Cut make(const NodeTable& nodes, std::string_view root, long limit, long depth, long fanout);

} // namespace ambertrove::LiveChartSnapshot
