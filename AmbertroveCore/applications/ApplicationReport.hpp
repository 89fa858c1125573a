#pragma once

#include "applications/InstalledApplication.hpp"
#include "applications/OrphanCandidate.hpp"

#include <string>
#include <vector>

namespace ambertrove {

// The result of one applications inventory.
struct ApplicationReport {
    std::vector<InstalledApplication> apps; // largest bytes() first
    std::vector<OrphanCandidate> orphans;   // largest allocated size first
    std::vector<std::string> issues;        // "<name>: <description>" for each reading that failed
};

} // namespace ambertrove
