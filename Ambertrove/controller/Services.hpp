#pragma once

#include "analysis/ScanPresentation.hpp"
#include "analysis/TaskCancellation.hpp"
#include "applications/ApplicationInventory.hpp"
#include "applications/ApplicationReport.hpp"
#include "cleanup/CleanupBatch.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "cleanup/CleanupRunResult.hpp"
#include "cleanup/CleanupWorkflow.hpp"
#include "cleanup/TrashReceipt.hpp"
#include "controller/StateFiles.hpp"
#include "duplicates/DuplicateFinder.hpp"
#include "duplicates/DuplicateReport.hpp"
#include "model/ScanResult.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"
#include "scan/ScanNavigation.hpp"
#include "snapshots/SnapshotCatalog.hpp"
#include "snapshots/SnapshotChange.hpp"
#include "snapshots/SnapshotRecord.hpp"
#include "snapshots/SnapshotStore.hpp"
#include "system/MonitorSample.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ambertrove {

// The core's operations as the controller calls them. A default-made Services does the real work; tests
// replace single members. The operations run on worker threads (only the sampler factory runs on the GUI
// thread; the reader it makes runs on a worker) and never touch the controller: their values are handed
// back to the GUI thread.
struct Services {
    using ScanFunction = std::function<ScanResult(
        const std::string& root, const CancellationFlag& cancellation, const ScanNavigation* navigation,
        const DiskScanner::ProgressCallback& progress)>;
    using PresentationFunction =
        std::function<ScanPresentation(const ScanResult& scan, const TaskCancellation& cancellation)>;
    using DistributionFunction = std::function<ScanPresentation::Distribution(
        const ScanResult& scan, std::string_view focus, const TaskCancellation& cancellation)>;
    using BatchFunction =
        std::function<CleanupBatch(const std::vector<std::string>& paths, const ScanResult& scan,
                                   const std::string& reason, const CancellationFlag& cancellation)>;
    using CleanupRunFunction = std::function<CleanupRunResult(
        const std::vector<CleanupEntry>& entries, const std::optional<std::string>& backupParent,
        const ScanResultPtr& snapshot, SnapshotStore& store, const CancellationFlag& cancellation,
        const CleanupWorkflow::Progress& progress)>;
    using RestoreFunction = std::function<void(const TrashReceipt& receipt)>;
    using DuplicatesFunction = std::function<DuplicateReport(
        const ScanResult& scan, std::int64_t minimumSize, const std::optional<std::string>& scope,
        const CancellationFlag& cancellation, const DuplicateFinder::DetailProgress& progress)>;
    using ApplicationsFunction =
        std::function<ApplicationReport(const std::string& home, const CancellationFlag& cancellation,
                                        const ApplicationInventory::ProgressCallback& progress)>;
    // One reading of the machine. A reader keeps its counters between readings and is used by one reading
    // at a time. Once `cancellation` is cancelled (the controller is going) it stops waiting on whatever it
    // reads and throws CancellationError.
    using SampleReader = std::function<MonitorSample(const TaskCancellation& cancellation)>;
    using SamplerFactory = std::function<SampleReader()>;
    using CatalogFunction = std::function<SnapshotCatalog(const SnapshotStore& store)>;
    using SaveSnapshotFunction =
        std::function<SnapshotRecord(SnapshotStore& store, const ScanResult& scan, const std::string& title)>;
    // The cancellable operations below throw CancellationError once their cancellation is cancelled.
    using LoadSnapshotFunction = std::function<ScanResult(
        const SnapshotStore& store, const SnapshotRecord& record, const TaskCancellation& cancellation)>;
    using RemoveSnapshotFunction =
        std::function<void(const SnapshotStore& store, const SnapshotRecord& record)>;
    using CompareFunction =
        std::function<std::vector<SnapshotChange>(const ScanResult& earlier, const ScanResult& later,
                                                  bool logical, const TaskCancellation& cancellation)>;
    using ExportCSVFunction =
        std::function<void(std::span<const std::string> paths, const ScanResult& scan,
                           const std::string& destination, const TaskCancellation& cancellation)>;
    using ExportScanFunction = std::function<void(const ScanResult& scan, const std::string& destination,
                                                  const TaskCancellation& cancellation)>;
    using TimeMachineFunction = std::function<std::vector<std::string>(const std::string& volume,
                                                                       const TaskCancellation& cancellation)>;
    // Writes the cleanup state files (on the controller's state thread).
    using SaveStateFunction = std::function<void(StateFiles& files, const StateFiles::State& state)>;
    using PolicyFunction = std::function<CleanupPolicy()>;
    using HomeFunction = std::function<std::string()>;

    // The real operations of the core.
    Services();

    ScanFunction scan;
    PresentationFunction presentation;
    DistributionFunction distribution;
    BatchFunction batch;
    CleanupRunFunction cleanupRun;
    RestoreFunction restore;
    DuplicatesFunction duplicates;
    ApplicationsFunction applications;
    // Called once per monitor; the reader it makes serves every reading of that monitor.
    SamplerFactory sampler;
    CatalogFunction snapshotCatalog;
    SaveSnapshotFunction saveSnapshot;
    LoadSnapshotFunction loadSnapshot;
    RemoveSnapshotFunction removeSnapshot;
    CompareFunction compareSnapshots;
    ExportCSVFunction exportCSV;
    ExportScanFunction exportScan;
    TimeMachineFunction timeMachineSnapshots;
    SaveStateFunction saveState;
    // The current user's cleanup policy (home folder with its links resolved).
    PolicyFunction policy;
    // The current user's home folder with its links resolved.
    HomeFunction home;
};

} // namespace ambertrove
