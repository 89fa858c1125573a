#pragma once

#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupOutcome.hpp"
#include "snapshots/SnapshotRecord.hpp"

#include <optional>
#include <string>

namespace ambertrove {

// What a cleanup run did. Everything finished before a failure or a stop is kept.
struct CleanupRunResult {
    // The Trash step's outcome; empty when the run stopped before it.
    CleanupOutcome outcome;
    // Once the backup step has finished; its folder stays on disk whatever happens later.
    std::optional<BackupReceipt> backup;
    // Once the snapshot step has finished.
    std::optional<SnapshotRecord> snapshot;
    // The sentence of the error that stopped the run before the Trash step.
    std::optional<std::string> preparationError;
    // The run stopped because the user asked it to. Never set together with preparationError.
    bool cancelled = false;
};

} // namespace ambertrove
