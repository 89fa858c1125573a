#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The back-and-forward history of the folders opened while exploring one scan.
struct FolderNavigationHistory {
    static constexpr std::size_t kBackLimit = 100;

    std::optional<std::string> current;
    std::vector<std::string> back;    // oldest first, the previous folder last
    std::vector<std::string> forward; // the next folder last

    void reset(std::string path);
    // Records that the user opened `path`; opening the folder already shown changes nothing.
    void visit(const std::string& path);
    // The folder to show, or nothing when there is nowhere to go.
    std::optional<std::string> goBack();
    std::optional<std::string> goForward();
    // A copy whose folders are mapped through `resolver` (to the folders of another scan); folders it
    // lacks are dropped, runs that map to one folder collapse, and neither list ends on the new current.
    [[nodiscard]] FolderNavigationHistory
    resolvingPaths(const std::function<std::optional<std::string>(const std::string&)>& resolver) const;

    friend bool operator==(const FolderNavigationHistory&, const FolderNavigationHistory&) = default;
};

} // namespace ambertrove
