#pragma once

#include "cleanup/TrashReceipt.hpp"

#include <map>
#include <string>
#include <vector>

namespace ambertrove {

// The result of a move to the Trash.
struct CleanupOutcome {
    // One per item moved, in the order of the moves.
    std::vector<TrashReceipt> receipts;
    // Per entry path that was not moved, or moved without a receipt: the sentence that says why.
    std::map<std::string, std::string> errors;
};

} // namespace ambertrove
