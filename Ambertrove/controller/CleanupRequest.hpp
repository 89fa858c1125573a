#pragma once

#include "base/Uuid.hpp"
#include "cleanup/CleanupEntry.hpp"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The one review shown before anything is moved to the Trash. A request with refused entries can be shown
// but never confirmed; a confirmation must carry the id of the request on screen.
struct CleanupRequest {
    // New for every review.
    Uuid id = Uuid::random();
    // Normalized: shortest path first, entries inside another one folded into it.
    std::vector<CleanupEntry> entries;
    // The node path of every entry the policy refuses, with the policy's sentence.
    std::map<std::string, std::string> blocked;
    // The application's name when the review is an uninstall.
    std::optional<std::string> uninstallName;

    [[nodiscard]] bool canConfirm() const { return blocked.empty(); }

    friend bool operator==(const CleanupRequest&, const CleanupRequest&) = default;
};

} // namespace ambertrove
