#pragma once

#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <string>

namespace ambertrove {

// A Library item named like a bundle identifier that no found application owns: likely left behind by an
// application that was removed.
struct OrphanCandidate {
    DiskNode node; // the root entry of `scan`
    ScanResultPtr scan;
    std::string bundleID; // the item's name without its ".plist", ".savedState" and ".binarycookies" suffixes

    [[nodiscard]] const std::string& id() const { return node.path; }
};

} // namespace ambertrove
