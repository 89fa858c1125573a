#pragma once

#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The live view of the folder the user browses during a scan. Its nodes carry empty children lists;
// only `chart` (a cut-down scan for the live chart) has lists.
struct ScanFolderPreview {
    std::string rootPath;
    DiskNode folder;
    std::vector<DiskNode> ancestors; // root first, the folder last
    std::vector<DiskNode> children;  // in the order the scan met them
    std::optional<ScanResult> chart;
    bool chartIsLimited = false;
};

// What a running scan reports.
struct ScanProgress {
    std::int64_t files = 0;
    std::int64_t folders = 0;
    std::int64_t bytes = 0;
    std::string path;
    double duration = 0;
    std::vector<DiskNode> preview; // the root's top-level entries with running totals, in no order
    std::optional<ScanFolderPreview> browsing;
};

} // namespace ambertrove
