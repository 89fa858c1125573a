#pragma once

#include "cleanup/CleanupBackup.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupProgress.hpp"
#include "cleanup/CleanupRunResult.hpp"
#include "cleanup/CleanupService.hpp"
#include "model/ScanResult.hpp"
#include "platform/Trash.hpp"
#include "scan/CancellationFlag.hpp"
#include "snapshots/SnapshotStore.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ambertrove {

// The one operation that turns a confirmed list of staged items into items in the Trash: every entry is
// checked again, optionally backed up and verified, optionally the scan is saved, and only then is
// anything moved. Any problem before the move stops the run with nothing moved.
class CleanupWorkflow {
public:
    using Progress = std::function<void(const CleanupProgress&)>;
    using PolicyFactory = std::function<CleanupPolicy()>;

    // The current user's Trash and policy.
    CleanupWorkflow();
    // One policy is made from `policy` for each run and judges all its checks, the backup's and the
    // move's included; `backupSeams` go to the backup step.
    CleanupWorkflow(std::shared_ptr<const Trash> trash, PolicyFactory policy,
                    CleanupBackup::Seams backupSeams = {});

    // Backs up into `backupParent` when given, saves `snapshot` into `snapshotStore` when given, then moves
    // the normalized entries to the Trash. Never throws: every failure and a stop are in the result.
    [[nodiscard]] CleanupRunResult run(const std::vector<CleanupEntry>& entries,
                                       const std::optional<std::string>& backupParent,
                                       const ScanResultPtr& snapshot, SnapshotStore& snapshotStore,
                                       const CancellationFlag& cancellation, const Progress& progress) const;

    // "Before cleanup — " and the name of the scan's root entry, or "Scan" when it has none.
    [[nodiscard]] static std::string snapshotTitle(const ScanResult& scan);

private:
    CleanupService m_service;
    PolicyFactory m_policy;
    CleanupBackup::Seams m_backupSeams;
};

} // namespace ambertrove
