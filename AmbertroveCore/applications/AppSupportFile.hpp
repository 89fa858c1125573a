#pragma once

#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <string>

namespace ambertrove {

// A Library item attributed to an installed application, measured on its own.
struct AppSupportFile {
    DiskNode node;        // the root entry of `scan`
    ScanResultPtr scan;   // the item alone: a folder's walk, or one entry for a file
    std::string match;    // why it is attributed ("Bundle identifier", "App name · verify ownership", ...)
    std::string category; // the labelled Library folder it lies in ("Cache", "Preferences (System)", ...)
    // Another found application declares the same group or claims the same item; it stays at an uninstall.
    bool isShared = false;

    [[nodiscard]] const std::string& id() const { return node.path; }
};

} // namespace ambertrove
