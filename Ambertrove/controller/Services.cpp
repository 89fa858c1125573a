#include "controller/Services.hpp"

#include "analysis/CSVExport.hpp"
#include "cleanup/CleanupService.hpp"
#include "model/ScanJson.hpp"
#include "platform/PathResolution.hpp"
#include "storage/AppStorage.hpp"
#include "system/SystemSampler.hpp"

#include <unistd.h>

#include <memory>

namespace ambertrove {

namespace {

std::string resolvedHome() {
    const std::string home = AppStorage::homeFolder();
    return PathResolution::resolvingSymlinks(home).value_or(home);
}

} // namespace

Services::Services()
    : scan([](const std::string& root, const CancellationFlag& cancellation, const ScanNavigation* navigation,
              const DiskScanner::ProgressCallback& progress) {
        return DiskScanner().scan(root, cancellation, navigation, progress);
    })
    , presentation([](const ScanResult& result, const TaskCancellation& cancellation) {
        return ScanPresentation::make(result, QuickWin::TrashFolders::forUser(resolvedHome(), ::getuid()),
                                      cancellation);
    })
    , distribution(
          [](const ScanResult& result, std::string_view focus, const TaskCancellation& cancellation) {
              return ScanPresentation::distribution(result, focus, cancellation);
          })
    , batch([](const std::vector<std::string>& paths, const ScanResult& result, const std::string& reason,
               const CancellationFlag& cancellation) {
        return CleanupBatch::prepare(paths, result, reason, cancellation);
    })
    , cleanupRun([](const std::vector<CleanupEntry>& entries, const std::optional<std::string>& backupParent,
                    const ScanResultPtr& snapshot, SnapshotStore& store, const CancellationFlag& cancellation,
                    const CleanupWorkflow::Progress& progress) {
        return CleanupWorkflow().run(entries, backupParent, snapshot, store, cancellation, progress);
    })
    , restore([](const TrashReceipt& receipt) { CleanupService().restore(receipt); })
    , duplicates([](const ScanResult& result, std::int64_t minimumSize,
                    const std::optional<std::string>& scope, const CancellationFlag& cancellation,
                    const DuplicateFinder::DetailProgress& progress) {
        return DuplicateFinder().find(result, minimumSize, scope, cancellation, progress);
    })
    , applications([](const std::string& homeFolder, const CancellationFlag& cancellation,
                      const ApplicationInventory::ProgressCallback& progress) {
        return ApplicationInventory().inspect(std::nullopt, homeFolder, cancellation, progress);
    })
    , sampler([]() -> SampleReader {
        auto reader = std::make_shared<SystemSampler>();
        return [reader](const TaskCancellation& cancellation) {
            return reader->sample(cancellation);
        };
    })
    , snapshotCatalog([](const SnapshotStore& store) { return store.catalog(); })
    , saveSnapshot([](SnapshotStore& store, const ScanResult& result, const std::string& title) {
        return store.save(result, title);
    })
    , loadSnapshot([](const SnapshotStore& store, const SnapshotRecord& record,
                      const TaskCancellation& cancellation) { return store.load(record, cancellation); })
    , removeSnapshot([](const SnapshotStore& store, const SnapshotRecord& record) { store.remove(record); })
    , compareSnapshots([](const ScanResult& earlier, const ScanResult& later, bool logical,
                          const TaskCancellation& cancellation) {
        return SnapshotStore::compare(earlier, later, logical, cancellation);
    })
    , exportCSV([](std::span<const std::string> paths, const ScanResult& result,
                   const std::string& destination, const TaskCancellation& cancellation) {
        CSVExport::write(paths, result, destination, cancellation);
    })
    , exportScan(
          [](const ScanResult& result, const std::string& destination, const TaskCancellation& cancellation) {
              ScanJson::writeFile(result, destination, kSharedFileMode, cancellation);
          })
    , timeMachineSnapshots([](const std::string& volume, const TaskCancellation& cancellation) {
        return SystemSampler::timeMachineSnapshots(volume, cancellation);
    })
    , saveState([](StateFiles& files, const StateFiles::State& state) { files.save(state); })
    , policy([] { return CleanupPolicy::forCurrentUser(); })
    , home(&resolvedHome) {}

} // namespace ambertrove
