#pragma once

#include <string>

namespace ambertrove {

// One record file that cannot be used, and why it was not listed.
struct SnapshotCatalogIssue {
    std::string path; // the ".meta" file
    std::string message;

    [[nodiscard]] const std::string& id() const { return path; }
    friend bool operator==(const SnapshotCatalogIssue&, const SnapshotCatalogIssue&) = default;
};

} // namespace ambertrove
