#pragma once

#include <string>

namespace ambertrove {

// The step a cleanup run is in.
enum class CleanupPhase {
    checking,
    backingUp,
    savingSnapshot,
    movingToTrash,
};

// One progress report of a cleanup run (also published while a review is prepared).
struct CleanupProgress {
    CleanupPhase phase = CleanupPhase::checking;
    std::string message;

    friend bool operator==(const CleanupProgress&, const CleanupProgress&) = default;
};

} // namespace ambertrove
