#pragma once

#include "snapshots/SnapshotCatalogIssue.hpp"
#include "snapshots/SnapshotRecord.hpp"

#include <vector>

namespace ambertrove {

// The saved scans of a store, newest first, and the record files that could not be used, in the order
// they were examined.
struct SnapshotCatalog {
    std::vector<SnapshotRecord> records;
    std::vector<SnapshotCatalogIssue> issues;

    friend bool operator==(const SnapshotCatalog&, const SnapshotCatalog&) = default;
};

} // namespace ambertrove
