#pragma once

#include "analysis/FileTypeTotals.hpp"
#include "analysis/FolderNavigationHistory.hpp"
#include "analysis/QuickWin.hpp"
#include "analysis/QuickWinKind.hpp"
#include "analysis/ScanPresentation.hpp"
#include "analysis/ScanQuery.hpp"
#include "analysis/TaskCancellation.hpp"
#include "applications/ApplicationReport.hpp"
#include "cleanup/BackupReceipt.hpp"
#include "cleanup/CleanupEntry.hpp"
#include "cleanup/CleanupProgress.hpp"
#include "cleanup/TrashReceipt.hpp"
#include "controller/ActiveExplorerFilter.hpp"
#include "controller/AppEnvironment.hpp"
#include "controller/AppSection.hpp"
#include "controller/AppTheme.hpp"
#include "controller/CleanupRequest.hpp"
#include "controller/ColorMode.hpp"
#include "controller/ExplorerFilterID.hpp"
#include "controller/ExplorerQueryKey.hpp"
#include "controller/JobRunner.hpp"
#include "controller/StateFiles.hpp"
#include "controller/StateWriter.hpp"
#include "controller/StorageView.hpp"
#include "controller/SystemActivity.hpp"
#include "controller/TroveToast.hpp"
#include "duplicates/DuplicateProgress.hpp"
#include "duplicates/DuplicateReport.hpp"
#include "model/FileCategory.hpp"
#include "model/ScanResult.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/ScanNavigation.hpp"
#include "scan/ScanProgress.hpp"
#include "snapshots/SnapshotCatalogIssue.hpp"
#include "snapshots/SnapshotChange.hpp"
#include "snapshots/SnapshotRecord.hpp"
#include "system/VolumeInfo.hpp"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace ambertrove {

// The one controller of the application: every piece of state the window shows, every long job, and the
// user's settings. It lives on the GUI thread; background work reaches it only through its JobRunner.
//
// Published state is a getter and a setter that signals only on a real change. The signals are grouped so
// that a view listens only to what it shows: scan progress arrives every third of a second and must not
// rebuild screens that do not show it, and monitor readings go through SystemActivity alone.
//
// Paths are byte strings (std::string), as the core keeps them; texts made for display are QStrings.
// Large results are shared, never copied: a setter of one signals when it is handed a different object.
class AppModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppModel)

public:
    // Setting keys of the standard store.
    static constexpr const char* kDarkAppearanceKey = "darkAppearance";
    static constexpr const char* kColorThemeKey = "colorTheme";
    static constexpr const char* kRecentFoldersKey = "recentFolders";
    // Setting keys of the injected preferences.
    static constexpr const char* kBackupBeforeCleanupKey = "backupBeforeCleanup";
    static constexpr const char* kSnapshotsEnabledKey = "snapshotsEnabled";
    static constexpr const char* kLastBackupParentKey = "lastBackupParent";
    // The first words of each line of the start-up load failures, in the order of the lines.
    static constexpr const char* kSavedScansPrefix = "Saved scans: ";

    explicit AppModel(AppEnvironment environment, QObject* parent = nullptr);
    // Cancels every job that may stop early (scan, staging, review preparation, duplicate search,
    // inventory, saved-scan opening and comparison, export, monitor reading, Time Machine listing, view
    // queries) and waits for every job to end, which a cancelled job does within milliseconds. A cleanup
    // run, a restore that has begun and a snapshot save are waited for and their results recorded, and
    // every state write asked for lands before it returns.
    ~AppModel() override;

    // ---- Display ----
    [[nodiscard]] AppSection section() const { return m_section; }
    void setSection(AppSection value);
    [[nodiscard]] StorageView storageView() const { return m_storageView; }
    void setStorageView(StorageView value);
    [[nodiscard]] int visualizationDepth() const { return m_visualizationDepth; }
    void setVisualizationDepth(int value);
    [[nodiscard]] ColorMode colorMode() const { return m_colorMode; }
    void setColorMode(ColorMode value);
    [[nodiscard]] bool logical() const { return m_logical; }
    void setLogical(bool value);
    // Stored as "darkAppearance" on every assignment.
    [[nodiscard]] bool dark() const { return m_dark; }
    void setDark(bool value);
    // Made the process-wide theme and stored as "colorTheme" on every assignment.
    [[nodiscard]] AppTheme theme() const { return m_theme; }
    void setTheme(AppTheme value);
    [[nodiscard]] bool showInspector() const { return m_showInspector; }
    void setShowInspector(bool value);
    [[nodiscard]] bool showHidden() const { return m_showHidden; }
    void setShowHidden(bool value);
    [[nodiscard]] bool showLabels() const { return m_showLabels; }
    void setShowLabels(bool value);
    [[nodiscard]] std::int64_t minimumBytes() const { return m_minimumBytes; }
    void setMinimumBytes(std::int64_t value);
    [[nodiscard]] std::optional<FileCategory> categoryFilter() const { return m_categoryFilter; }
    void setCategoryFilter(std::optional<FileCategory> value);
    [[nodiscard]] int modifiedBeforeDays() const { return m_modifiedBeforeDays; }
    void setModifiedBeforeDays(int value);
    // Decimal megabytes.
    [[nodiscard]] int duplicateMinimumMB() const { return m_duplicateMinimumMB; }
    void setDuplicateMinimumMB(int value);
    [[nodiscard]] const QString& filter() const { return m_filter; }
    void setFilter(const QString& value);
    // The scan-issues sheet is open.
    [[nodiscard]] bool showIssues() const { return m_showIssues; }
    void setShowIssues(bool value);

    // ---- Scan and navigation ----
    [[nodiscard]] const ScanResultPtr& scan() const { return m_scan; }
    void setScan(ScanResultPtr value);
    // The focused folder of the finished scan; nothing for the scan's root.
    [[nodiscard]] const std::optional<std::string>& focusPath() const { return m_focusPath; }
    void setFocusPath(std::optional<std::string> value);
    [[nodiscard]] const std::optional<std::string>& selection() const { return m_selection; }
    void setSelection(std::optional<std::string> value);
    [[nodiscard]] bool scanning() const { return m_scanning; }
    void setScanning(bool value);
    [[nodiscard]] const QString& scanRootName() const { return m_scanRootName; }
    void setScanRootName(const QString& value);
    [[nodiscard]] const std::string& scanRootPath() const { return m_scanRootPath; }
    void setScanRootPath(std::string value);
    [[nodiscard]] const std::optional<std::string>& liveFocusPath() const { return m_liveFocusPath; }
    void setLiveFocusPath(std::optional<std::string> value);
    [[nodiscard]] const FolderNavigationHistory& navigation() const { return m_navigation; }
    void setNavigation(FolderNavigationHistory value);
    [[nodiscard]] const FolderNavigationHistory& liveNavigation() const { return m_liveNavigation; }
    void setLiveNavigation(FolderNavigationHistory value);
    // Newest first.
    [[nodiscard]] const std::vector<std::string>& recent() const { return m_recent; }
    void setRecent(std::vector<std::string> value);

    // ---- Scan progress ----
    [[nodiscard]] const std::shared_ptr<const ScanProgress>& scanProgress() const { return m_scanProgress; }
    void setScanProgress(std::shared_ptr<const ScanProgress> value);

    // ---- Messages ----
    [[nodiscard]] const std::optional<QString>& error() const { return m_error; }
    void setError(std::optional<QString> value);
    [[nodiscard]] const std::optional<QString>& notice() const { return m_notice; }
    void setNotice(std::optional<QString> value);
    // The scan shown is a saved one, or out of date since a cleanup moved files.
    [[nodiscard]] bool isHistorical() const { return m_isHistorical; }
    void setIsHistorical(bool value);

    // ---- Presentation of the scan (signalled with the scan) ----
    [[nodiscard]] const std::vector<QuickWin>& quickWins() const { return m_quickWins; }
    void setQuickWins(std::vector<QuickWin> value);
    [[nodiscard]] const FileTypeTotals& typeTotals() const { return m_typeTotals; }
    void setTypeTotals(FileTypeTotals value);
    // Per child folder of the focused folder.
    [[nodiscard]] const std::map<std::string, FileTypeTotals>& folderTypes() const { return m_folderTypes; }
    void setFolderTypes(std::map<std::string, FileTypeTotals> value);
    [[nodiscard]] std::int64_t uniqueQuickWinBytes() const { return m_uniqueQuickWinBytes; }
    void setUniqueQuickWinBytes(std::int64_t value);
    [[nodiscard]] const std::optional<QuickWinKind>& activeQuickWin() const { return m_activeQuickWin; }
    void setActiveQuickWin(std::optional<QuickWinKind> value);
    // The logical or allocated totals of typeTotals, as `logical` says.
    [[nodiscard]] const std::map<FileCategory, std::int64_t>& categoryTotals() const {
        return m_typeTotals.values(m_logical);
    }

    // ---- Notification ----
    [[nodiscard]] const std::optional<TroveToast>& toast() const { return m_toast; }
    // A notification assigned here stays until it is replaced or dismissed.
    void setToast(std::optional<TroveToast> value);
    // Shows a notification that removes itself after Timing::toastDuration, unless another replaced it.
    void showToast(const QString& title, const QString& detail, std::optional<TroveToastAction> action = {},
                   const QString& actionTitle = {});
    // Runs the shown notification's action: `cleanup` opens the Cleanup section and dismisses it.
    void performToastAction();

    // ---- Cleanup ----
    [[nodiscard]] const std::vector<CleanupEntry>& queue() const { return m_queue; }
    void setQueue(std::vector<CleanupEntry> value);
    // Newest first.
    [[nodiscard]] const std::vector<TrashReceipt>& receipts() const { return m_receipts; }
    void setReceipts(std::vector<TrashReceipt> value);
    [[nodiscard]] bool cleaning() const { return m_cleaning; }
    void setCleaning(bool value);
    [[nodiscard]] bool staging() const { return m_staging; }
    void setStaging(bool value);
    [[nodiscard]] const std::shared_ptr<const CleanupRequest>& cleanupRequest() const {
        return m_cleanupRequest;
    }
    void setCleanupRequest(std::shared_ptr<const CleanupRequest> value);
    [[nodiscard]] const std::optional<CleanupProgress>& cleanupProgress() const { return m_cleanupProgress; }
    void setCleanupProgress(std::optional<CleanupProgress> value);
    // Newest first.
    [[nodiscard]] const std::vector<BackupReceipt>& backups() const { return m_backups; }
    void setBackups(std::vector<BackupReceipt> value);
    // Stored under its key in the injected preferences on every assignment.
    [[nodiscard]] bool backupBeforeCleanup() const { return m_backupBeforeCleanup; }
    void setBackupBeforeCleanup(bool value);
    [[nodiscard]] bool snapshotsEnabled() const { return m_snapshotsEnabled; }
    void setSnapshotsEnabled(bool value);
    [[nodiscard]] const std::string& lastBackupParent() const { return m_lastBackupParent; }
    void setLastBackupParent(std::string value);
    // The stop flag of the cleanup run (its Cancel control calls cancel() on it).
    [[nodiscard]] const std::shared_ptr<CancellationFlag>& cleanupCancellation() const {
        return m_cleanupCancellation;
    }

    // ---- Cleanup review, run and restore ----
    // Nothing moves to the Trash but through these. A refused gate changes nothing and says nothing.
    // Reviews the whole queue; nothing for an empty queue.
    void requestCleanup();
    // Reviews one item of the current scan without queueing it. It carries the duplicate copies the queue
    // keeps, so that the run refuses an item that is, or holds, a kept copy.
    void requestTrash(const DiskNode& node);
    // Checks the entries against the cleanup policy in the background and shows the result as the one
    // review (cleanupRequest()); `uninstallName` names the application of an uninstall.
    void prepareCleanupReview(const std::vector<CleanupEntry>& entries,
                              const std::optional<std::string>& uninstallName = std::nullopt);
    // The review's confirmation: only for the request on screen, with no refused entry. With backups on it
    // first asks for the backup folder; cancelling that leaves the review up.
    void confirmTrash(const CleanupRequest& request);
    // Puts the item of `receipt` back where it was.
    void restore(const TrashReceipt& receipt);
    // The receipts whose restore is running; a second restore of one of them is ignored.
    [[nodiscard]] const std::set<Uuid>& restoringReceipts() const { return m_restoringReceipts; }

    // ---- Duplicates ----
    // Group identifier to the path of the copy to keep.
    [[nodiscard]] const std::map<std::string, std::string>& duplicateKeepers() const {
        return m_duplicateKeepers;
    }
    void setDuplicateKeepers(std::map<std::string, std::string> value);
    [[nodiscard]] const std::optional<std::string>& duplicateScopePath() const {
        return m_duplicateScopePath;
    }
    void setDuplicateScopePath(std::optional<std::string> value);
    [[nodiscard]] const std::shared_ptr<const DuplicateReport>& duplicateReport() const {
        return m_duplicateReport;
    }
    void setDuplicateReport(std::shared_ptr<const DuplicateReport> value);
    [[nodiscard]] bool findingDuplicates() const { return m_findingDuplicates; }
    void setFindingDuplicates(bool value);
    [[nodiscard]] bool duplicateAfterScan() const { return m_duplicateAfterScan; }
    void setDuplicateAfterScan(bool value);
    [[nodiscard]] const QString& duplicateProgress() const { return m_duplicateProgress; }
    void setDuplicateProgress(const QString& value);
    [[nodiscard]] const std::optional<DuplicateProgress>& duplicateWork() const { return m_duplicateWork; }
    void setDuplicateWork(std::optional<DuplicateProgress> value);

    // ---- Applications ----
    [[nodiscard]] const std::shared_ptr<const ApplicationReport>& appReport() const { return m_appReport; }
    void setAppReport(std::shared_ptr<const ApplicationReport> value);
    [[nodiscard]] bool inspectingApps() const { return m_inspectingApps; }
    void setInspectingApps(bool value);
    [[nodiscard]] const QString& appProgress() const { return m_appProgress; }
    void setAppProgress(const QString& value);
    [[nodiscard]] const std::optional<std::string>& selectedApp() const { return m_selectedApp; }
    void setSelectedApp(std::optional<std::string> value);

    // ---- Duplicate and application jobs ----
    // Searches the current scan for identical files, below `scope` when given. While a scan runs, a
    // search of the whole scan waits for it to complete; refusals leave a notice, a busy search or
    // cleanup refuses silently.
    void findDuplicates(const std::optional<std::string>& scope = std::nullopt);
    // The "Entire Mac" choice: a search over a whole-system scan ("/" here, or the data volume's root),
    // or a search requested for when the running whole-system scan completes.
    void findDuplicatesOnMac();
    // Stops the running search; what it still reports is dropped.
    void cancelDuplicates();
    // Queues the extra copies of every group of the duplicate report, keeping the chosen copy of each
    // (the first file when none was chosen), in one change of the queue with one notification.
    void stageAllDuplicates();
    // Takes the inventory of the installed applications.
    void inspectApplications();
    // Stops the running inventory; what it still reports is dropped.
    void cancelApplications();
    // Opens the cleanup review of the application's bundle and the support files only it uses.
    void uninstall(const InstalledApplication& app);
    // Whether `path` is the root of a whole-system scan.
    [[nodiscard]] static bool isFullSystemRoot(const std::string& path);
    // The one-line text of a duplicate search's progress report.
    [[nodiscard]] static QString duplicateProgressText(const DuplicateProgress& progress);
    // The one-line text of the inventory's progress: the application's name and how many were inspected.
    [[nodiscard]] static QString appProgressText(const std::string& name, int inspected);

    // ---- Saved scans and Time Machine ----
    [[nodiscard]] const std::vector<SnapshotRecord>& snapshots() const { return m_snapshots; }
    void setSnapshots(std::vector<SnapshotRecord> value);
    [[nodiscard]] const std::vector<SnapshotCatalogIssue>& snapshotIssues() const { return m_snapshotIssues; }
    void setSnapshotIssues(std::vector<SnapshotCatalogIssue> value);
    [[nodiscard]] const std::vector<SnapshotChange>& changes() const { return m_changes; }
    void setChanges(std::vector<SnapshotChange> value);
    [[nodiscard]] const std::optional<QString>& comparisonTitle() const { return m_comparisonTitle; }
    void setComparisonTitle(std::optional<QString> value);
    [[nodiscard]] const std::optional<std::string>& comparisonRoot() const { return m_comparisonRoot; }
    void setComparisonRoot(std::optional<std::string> value);
    [[nodiscard]] const std::optional<SnapshotRecord>& beforeSnapshot() const { return m_beforeSnapshot; }
    void setBeforeSnapshot(std::optional<SnapshotRecord> value);
    [[nodiscard]] bool snapshotBusy() const { return m_snapshotBusy; }
    void setSnapshotBusy(bool value);
    [[nodiscard]] const QString& snapshotStatus() const { return m_snapshotStatus; }
    void setSnapshotStatus(const QString& value);
    [[nodiscard]] const QStringList& timeMachine() const { return m_timeMachine; }
    void setTimeMachine(const QStringList& value);
    [[nodiscard]] const QString& timeMachineStatus() const { return m_timeMachineStatus; }
    void setTimeMachineStatus(const QString& value);

    // ---- Monitor ----
    // The monitor's readings; observed directly by the views that show them.
    [[nodiscard]] SystemActivity& activity() const { return *m_activity; }
    // Starts the monitor loop; a second call does nothing. A reading starts Timing::monitorInterval after
    // the previous one was shown, so only one reading runs at a time.
    void startMonitor();

    // ---- Cleanup queue and state files ----
    // The one gate of every staging action and of the views' add-to-cleanup controls: a scan is shown, it
    // is not historical, and no scan, cleanup run, staging or saved-scan job runs.
    [[nodiscard]] bool canClean() const;
    // The allocated bytes of every queued item.
    [[nodiscard]] std::int64_t queueBytes() const;
    // The cleanup policy's objection to `path` as the views show it, once known: nothing while it is being
    // found out off the GUI thread (policyAnswered() signals when it is), else the objection or none. The
    // policy may read the disk, so views never ask it themselves; answers are kept for the scan shown.
    [[nodiscard]] std::optional<std::optional<QString>> cleanupRejection(const std::string& path);
    // Stages nodes at once. `source` is the scan they belong to; empty means the scan on display, and then
    // canClean() must hold. Never while staging or cleaning. A node that cannot be staged adds a line
    // "name: reason" to `error`; the others are staged.
    void stage(const std::vector<DiskNode>& nodes, const ScanResultPtr& source, const std::string& reason);
    // Stages paths of the scan on display in the background (staging is true meanwhile; its stop flag is
    // stagingCancellation()). The result is dropped when the scan shown has changed by then.
    void stagePaths(std::vector<std::string> paths, const std::string& reason);
    // Stages every copy of the group but the one at `keeping`, all or nothing; each entry remembers the
    // kept copy's identity so that the run checks it again.
    void stageDuplicates(const DuplicateGroup& group, const std::string& keeping);
    // Drops the entries at `path` and saves the state, also when nothing was dropped.
    void removeFromQueue(const std::string& path);
    // Writes the three state files, each on its own, on the state thread after every state write and
    // saved-scan deletion asked for before; `queueData`, when given, is the encoding of queue() and is
    // written as it is. The state as it is now is what lands, unless a later one replaces it first. A
    // failure is reported later in one error line (appended to an error already shown). setQueue() does
    // not save: its callers call this.
    void persistState(const std::optional<std::string>& queueData = std::nullopt);

    // ---- Saved scans, exports and Time Machine ----
    // The saved-scan jobs (save, compare, open) share one slot: one runs at a time, never during a scan or
    // a cleanup run, and a scan start takes the slot back. A refused job does nothing and says nothing.
    // Re-reads the catalog (not while a saved-scan job runs).
    void refreshSnapshots();
    // Saves the shown scan, when saving snapshots is allowed.
    void saveSnapshot();
    // Compares a saved scan (earlier) with the shown scan (later).
    void compareSnapshot(const SnapshotRecord& record);
    // Shows a saved scan as the current, historical result; stops a duplicate search and forgets its
    // result.
    void openSnapshot(const SnapshotRecord& record);
    // The first call picks the earlier scan; each later call compares it with `record`.
    void compareSavedSnapshots(const SnapshotRecord& record);
    // Deletes a saved scan and forgets the last comparison (not while a saved-scan job runs).
    void deleteSnapshot(const SnapshotRecord& record);
    // Writes the rows of `paths` of the shown scan as CSV, to a file the user picks.
    void exportCSV(std::vector<std::string> paths);
    // Writes the shown scan as JSON, to a file the user picks.
    void exportScan();
    // Lists the local Time Machine snapshots of "/"; overlapping calls each publish.
    void refreshTimeMachine();

    // ---- Job identity and environment ----
    [[nodiscard]] const std::shared_ptr<CancellationFlag>& scanCancellation() const {
        return m_scanCancellation;
    }
    [[nodiscard]] const std::shared_ptr<CancellationFlag>& stagingCancellation() const {
        return m_stagingCancellation;
    }
    [[nodiscard]] const std::shared_ptr<CancellationFlag>& duplicateCancellation() const {
        return m_duplicateCancellation;
    }
    [[nodiscard]] const std::shared_ptr<CancellationFlag>& appCancellation() const {
        return m_appCancellation;
    }
    [[nodiscard]] const std::shared_ptr<ScanNavigation>& scanNavigation() const { return m_scanNavigation; }
    [[nodiscard]] const SnapshotStore& store() const { return m_store; }
    [[nodiscard]] const std::string& stateDirectory() const { return m_stateDirectory; }
    [[nodiscard]] PreferenceStore& preferences() const { return *m_preferences; }
    [[nodiscard]] bool monitorEnabled() const { return m_monitorEnabled; }

    // ---- Scan jobs ----
    // Asks for a folder, then scans it (`scanNew`), searches it for duplicates (`thenFindDuplicates`, a
    // folder of the shown scan only) or opens it in the shown scan.
    void chooseFolder(bool thenFindDuplicates, bool scanNew);
    // Scans `path` in the background, superseding any running scan; nothing while a cleanup is prepared or
    // runs. The shown scan stays until the new one completes. ScanPaths::systemRoot is the whole disk.
    void startScan(const std::string& path, bool thenFindDuplicates);
    // Stops the running scan; the shown scan, if any, stays.
    void cancelScan();
    // Scans the shown scan's root again; nothing without a scan.
    void refresh();
    // The title of a node wherever it is shown: "Home", "Macintosh HD" or its name.
    [[nodiscard]] QString displayName(const DiskNode& node) const;

    // ---- Folder navigation, selection and Quick Look ----
    // The node at focusPath, or the scan's root when focusPath is nothing or not in the scan; nothing
    // without a scan.
    [[nodiscard]] std::optional<DiskNode> focus() const;
    // The index of focus() in the scan, found without making the node (a folder may hold very many
    // children); kNoNode without one.
    [[nodiscard]] NodeIndex focusIndex() const;
    // The node at selection; nothing without a scan, a selection, or when it is not in the scan.
    [[nodiscard]] std::optional<DiskNode> selected() const;
    // liveNavigation while scanning, else navigation.
    [[nodiscard]] const FolderNavigationHistory& displayedNavigation() const;
    // While scanning the live folder (the scan's root when none was chosen), else the focus's path.
    [[nodiscard]] std::optional<std::string> displayedFolderPath() const;
    // Root first, the displayed folder last: while scanning the browsed preview's chain (empty before the
    // first preview), else breadcrumbs().
    [[nodiscard]] std::vector<DiskNode> navigationBreadcrumbs() const;
    // The chain from the scan's root (or the highest ancestor the scan holds) down to the focus.
    [[nodiscard]] std::vector<DiskNode> breadcrumbs() const;
    [[nodiscard]] bool canGoUp() const;
    // The volume of the shown scan, or without one the first volume of the latest monitor reading (or the
    // volume of "/"). Never reads the disk at every call.
    [[nodiscard]] std::optional<VolumeInfo> volume() const;
    // Selects `node` and, for a folder, focuses it; while scanning, steers the live preview to a folder.
    void focus(const DiskNode& node);
    // Opens a location of the sidebar, a menu or the folder panel in the shown scan or the running one.
    void browseLocation(const std::string& path);
    void goUp();
    void goBack();
    void goForward();
    // Shows `path` in the live preview of the running scan; a path outside the scanned folder leaves a
    // notice. Called from the progress screen's live cards.
    void navigateLive(const std::string& path, bool recordHistory);
    // Puts the node's path on the clipboard.
    void copyPath(const DiskNode& node);
    // Shows the node in the read-only preview.
    void quickLook(const DiskNode& node);
    // Shows the node in the file manager, as its path names it (links are not followed).
    void reveal(const DiskNode& node);
    // Shows the item at `path` in the file manager (a backup folder, a copy of a duplicate).
    void reveal(const std::string& path);

    // ---- Explorer filter and background queries ----
    // The explorer's filter fields as one query.
    [[nodiscard]] ScanQuery queryFilter() const;
    // The present moment by the controller's clock, which the filter's age test measures against.
    [[nodiscard]] Date now() const;
    // Whether one node passes the explorer's filter, measured against the clock's present moment.
    [[nodiscard]] bool matches(const DiskNode& node) const;
    // The focused folder's direct children that pass the filter, largest first.
    [[nodiscard]] std::vector<DiskNode> currentChildren() const;
    // The same children as indices into the scan's table, for lists that make nodes only for what they show.
    [[nodiscard]] std::vector<NodeIndex> currentChildIndices() const;
    // One chip per active filter, always in the order name, hidden, size, type, age; made afresh at each
    // call.
    [[nodiscard]] std::vector<ActiveExplorerFilter> activeFilters() const;
    // Sets the one filter back to its neutral value; the other four stay as they are.
    void removeFilter(ExplorerFilterID id);
    // Sets all five filters back to their neutral values, in the order name, hidden, size, type, age.
    void clearFilters();
    // The quick win whose kind is activeQuickWin.
    [[nodiscard]] std::optional<QuickWin> visibleWin() const;
    // Names a view's listing of the shown scan, focused folder and filter; `scope` tells apart the
    // listings of one view.
    [[nodiscard]] ExplorerQueryKey queryKey(const QString& scope) const;
    // Runs `work` off the GUI thread after the query pause and hands its value to `done`, or what it threw
    // to `failed`, on the GUI thread. Once `caller` is stopped nothing more happens: stopped before or
    // during the pause, the work never starts; stopped while it runs, the work sees its cancellation and
    // its value is dropped. KeyedQuery builds a view's listing on this.
    template <typename T>
    void backgroundQuery(std::stop_token caller, std::function<T(const TaskCancellation&)> work,
                         std::function<void(T)> done, std::function<void(std::exception_ptr)> failed = {}) {
        runQuery(caller,
                 [work = std::move(work), done = std::move(done),
                  failed = std::move(failed)](const TaskCancellation& cancellation) -> JobRunner::Apply {
                     try {
                         auto value = std::make_shared<T>(work(cancellation));
                         return [done, value] {
                             done(std::move(*value));
                         };
                     } catch (...) {
                         return [failed, error = std::current_exception()] {
                             if (failed)
                                 failed(error);
                         };
                     }
                 });
    }

signals:
    // section, storageView, visualizationDepth, colorMode, logical, dark, theme, showInspector, showHidden,
    // showLabels, minimumBytes, categoryFilter, modifiedBeforeDays, duplicateMinimumMB, filter, showIssues.
    void displayChanged();
    // scan, focusPath, selection, scanning, scanRootName, scanRootPath, liveFocusPath, navigation,
    // liveNavigation, recent, and the scan's presentation: quickWins, typeTotals, folderTypes,
    // uniqueQuickWinBytes, activeQuickWin.
    void scanChanged();
    // scanProgress alone.
    void progressChanged();
    // error, notice, isHistorical.
    void messagesChanged();
    // queue, receipts, cleaning, staging, cleanupRequest, cleanupProgress, backups, backupBeforeCleanup,
    // snapshotsEnabled, lastBackupParent.
    void cleanupChanged();
    // duplicateKeepers, duplicateScopePath, duplicateReport, findingDuplicates, duplicateAfterScan,
    // duplicateProgress, duplicateWork.
    void duplicatesChanged();
    // appReport, inspectingApps, appProgress, selectedApp.
    void applicationsChanged();
    // snapshots, snapshotIssues, changes, comparisonTitle, comparisonRoot, beforeSnapshot, snapshotBusy,
    // snapshotStatus, timeMachine, timeMachineStatus.
    void snapshotsChanged();
    // toast.
    void toastChanged();
    // An answer of cleanupRejection() arrived.
    void policyAnswered();

private:
    friend class AppModelTestPeer;
    using Signal = void (AppModel::*)();

    // Stores `value` and emits `signal` when it differs from the stored one; returns whether it did.
    template <typename T, typename U> bool assign(T& field, U&& value, Signal signal) {
        if (field == value)
            return false;
        field = std::forward<U>(value);
        emit(this->*signal)();
        return true;
    }

    // ---- Cleanup queue and state files ----
    // The notification after staging: how many of `staged` were not already covered by `previous`.
    void reportAddedToCleanup(const std::vector<CleanupEntry>& staged,
                              const std::vector<CleanupEntry>& previous);
    // Shows `text` as the error, below an error already shown rather than in its place.
    void appendError(const QString& text);
    // The entries of every copy of `group` but the one at `keeping`, each keeping that copy's identity;
    // nothing when no copy is at `keeping`. Throws the first entry's failure.
    [[nodiscard]] std::optional<std::vector<CleanupEntry>>
    duplicateEntries(const DuplicateGroup& group, const std::string& keeping,
                     const CleanupPolicy& policy) const;

    // ---- Cleanup review, run and restore ----
    // The result of the running cleanup run, handed from its worker to whoever applies it first: the
    // queued delivery, or the destructor, which waits for it so that moved items never lose their receipt.
    struct CleanupRunHandoff;
    // Any of cleaning, staging, scanning, snapshotBusy: a review or a run may not start.
    [[nodiscard]] bool cleanupBlocked() const;
    // The duplicate copies kept by the queued entries, the first met of a path winning.
    [[nodiscard]] std::map<std::string, FileIdentity> queuedRetainedCopies() const;
    void executeCleanup(const CleanupRequest& request, const std::optional<std::string>& backupParent);
    // Folds a finished run into the state and saves it; when `quitting`, only the records and the save.
    void applyCleanupRun(const std::shared_ptr<CleanupRunHandoff>& run, bool quitting);
    // At quit: waits for a run that has begun and applies its result; one not yet begun never will.
    void finishCleanupRunBeforeQuit();
    // A running restore's result, handed over as a cleanup run's is.
    struct RestoreHandoff;
    // Forgets the receipt of a restored item and saves; when `quitting`, without telling.
    void applyRestore(const std::shared_ptr<RestoreHandoff>& restore, bool quitting);
    // At quit: waits for the restores that have begun and applies their results.
    void finishRestoresBeforeQuit();

    // ---- Saved scans, exports and Time Machine ----
    // Claims the saved-scan slot with `status`; the job's generation, or nothing when the slot is busy or
    // a scan or a cleanup runs. The job's stop flag is then m_snapshotCancellation.
    std::optional<std::uint64_t> beginSnapshot(const QString& status);
    // Asks for a file named like `proposedName`, runs `write` to it on a long job, then tells how it went.
    // `write` stops when its cancellation is (the controller is going), leaving no file behind.
    void exportTo(const QString& proposedName, const QString& doneNotice,
                  std::function<void(const std::string&, const TaskCancellation&)> write);
    // Frees the slot.
    void endSnapshot();

    // The notice of a location that could not be shown: the chosen folder is not in the scan.
    static constexpr const char* kNotInScanNotice =
        "This folder isn’t in the current scan — use Scan Full Mac or Scan Folder….";
    // A location shown after one that could not be: the notice about the earlier one goes, since it no
    // longer describes what the window shows. Any other notice stays.
    void clearNavigationNotice();

    // Loads the saved-scan catalog into snapshots and snapshotIssues and drops a "before" choice whose
    // record is gone. Throws what the catalog throws, changing nothing then. At construction only: later
    // reads go through the state thread (readSnapshotCatalogLater).
    void readSnapshotCatalog();
    void applySnapshotCatalog(SnapshotCatalog catalog);
    // Reads the catalog on the state thread, after every task asked of it before, and applies it; then
    // `done` gets nothing, or the description of the failure (the catalog then stays as it was).
    void readSnapshotCatalogLater(std::function<void(const std::optional<QString>& failure)> done);
    // Recomputes the category totals of the focused folder's children.
    void refreshFolderTypes();
    // Starts one monitor reading; its result schedules the next.
    void readMonitorSample();
    // A fresh value for a generation field: never one used before by this controller.
    [[nodiscard]] std::uint64_t newGeneration() { return ++m_lastGeneration; }

    // ---- Scan jobs, navigation and queries ----
    friend class ScanTestPeer;
    // Makes `scan` the one on display, focused on `focus`; also opens saved scans (`historical`).
    void installScan(ScanResultPtr scan, const ScanPresentation& presentation, const std::string& focus,
                     bool historical);
    void applyScanProgress(std::uint64_t generation, std::shared_ptr<const ScanProgress> progress);
    void completeScan(std::uint64_t generation, ScanResultPtr scan, const ScanPresentation& presentation,
                      std::optional<VolumeInfo> volume);
    void failScan(std::uint64_t generation, std::exception_ptr error);
    // The notice of a cancelled scan, which depends on whether a scan is still shown.
    void noticeScanCancelled();
    // Starts the duplicate search over `scope`, the whole scan for nothing.
    void requestDuplicateSearch(const std::optional<std::string>& scope);
    // The one body of goBack and goForward.
    void stepHistory(bool back);
    // The path forms of the user's home folder, looked up once.
    [[nodiscard]] const std::vector<std::string>& homeForms() const;
    // Where a file dialog opens when it has no folder of the scan to start in: the home folder.
    [[nodiscard]] std::string dialogHome() const;
    // Starts the job of backgroundQuery: `work` makes what to apply on the GUI thread.
    void runQuery(std::stop_token caller, std::function<JobRunner::Apply(const TaskCancellation&)> work);

    // Replaces findDuplicates() for the scan jobs' tests; empty in use.
    std::function<void(const std::optional<std::string>& scope)> m_findDuplicates;
    // The volume of a scan, read with it off the GUI thread, by scan identifier.
    std::optional<std::pair<Uuid, std::optional<VolumeInfo>>> m_scanVolume;
    // The volume read on the GUI thread when no other source has one: at most once per scan and per
    // monitor reading.
    struct VolumeReading {
        std::optional<Uuid> scan;
        Date sample;
        std::optional<VolumeInfo> volume;
    };
    mutable std::optional<VolumeReading> m_volumeReading;
    mutable std::optional<std::vector<std::string>> m_homeForms;

    // Display
    AppSection m_section = AppSection::explore;
    StorageView m_storageView = StorageView::treemap;
    int m_visualizationDepth = 7;
    ColorMode m_colorMode = ColorMode::folder;
    bool m_logical = false;
    bool m_dark = false;
    AppTheme m_theme = AppTheme::paper;
    bool m_showInspector = true;
    bool m_showHidden = true;
    bool m_showLabels = true;
    std::int64_t m_minimumBytes = 0;
    std::optional<FileCategory> m_categoryFilter;
    int m_modifiedBeforeDays = 0;
    int m_duplicateMinimumMB = 1;
    QString m_filter;

    // Scan and navigation
    ScanResultPtr m_scan;
    std::optional<std::string> m_focusPath;
    std::optional<std::string> m_selection;
    bool m_scanning = false;
    std::shared_ptr<const ScanProgress> m_scanProgress;
    QString m_scanRootName;
    std::string m_scanRootPath;
    std::optional<std::string> m_liveFocusPath;
    FolderNavigationHistory m_navigation;
    FolderNavigationHistory m_liveNavigation;
    std::vector<std::string> m_recent;

    // Messages
    std::optional<QString> m_error;
    std::optional<QString> m_notice;
    bool m_isHistorical = false;

    // Presentation of the scan
    std::vector<QuickWin> m_quickWins;
    FileTypeTotals m_typeTotals;
    std::map<std::string, FileTypeTotals> m_folderTypes;
    // The root's per-folder totals, kept from the scan's presentation.
    std::map<std::string, FileTypeTotals> m_rootFolderTypes;
    // Folder totals computed lately, most recent first, at most 8.
    std::vector<std::pair<std::string, std::map<std::string, FileTypeTotals>>> m_folderTypeCache;
    std::int64_t m_uniqueQuickWinBytes = 0;
    std::optional<TroveToast> m_toast;
    std::optional<QuickWinKind> m_activeQuickWin;

    // Cleanup
    std::vector<CleanupEntry> m_queue;
    std::vector<TrashReceipt> m_receipts;
    bool m_cleaning = false;
    bool m_staging = false;
    std::shared_ptr<const CleanupRequest> m_cleanupRequest;
    std::optional<CleanupProgress> m_cleanupProgress;
    std::vector<BackupReceipt> m_backups;
    bool m_backupBeforeCleanup = true;
    bool m_snapshotsEnabled = false;
    std::string m_lastBackupParent;
    std::shared_ptr<CancellationFlag> m_cleanupCancellation = std::make_shared<CancellationFlag>();

    // The views' policy answers, for the scan they were found for; a path asked for is pending until its
    // answer arrives. The policy is made once, off the GUI thread, by the first question.
    struct PolicyAnswers {
        const ScanResult* scan = nullptr;
        std::uint64_t generation = 0;
        std::shared_ptr<const CleanupPolicy> policy;
        std::map<std::string, std::optional<QString>, std::less<>> answers;
        std::set<std::string, std::less<>> pending;
    };
    PolicyAnswers m_policyAnswers;

    // Cleanup review, run and restore
    std::shared_ptr<CleanupRunHandoff> m_cleanupRun;
    std::set<Uuid> m_restoringReceipts;
    std::vector<std::shared_ptr<RestoreHandoff>> m_restores;

    // Duplicates and applications
    std::map<std::string, std::string> m_duplicateKeepers;
    std::optional<std::string> m_duplicateScopePath;
    std::shared_ptr<const DuplicateReport> m_duplicateReport;
    bool m_findingDuplicates = false;
    bool m_duplicateAfterScan = false;
    QString m_duplicateProgress;
    std::optional<DuplicateProgress> m_duplicateWork;
    std::shared_ptr<const ApplicationReport> m_appReport;
    bool m_inspectingApps = false;
    QString m_appProgress;
    std::optional<std::string> m_selectedApp;

    // Saved scans, Time Machine and monitor
    std::vector<SnapshotRecord> m_snapshots;
    std::vector<SnapshotCatalogIssue> m_snapshotIssues;
    std::vector<SnapshotChange> m_changes;
    std::optional<QString> m_comparisonTitle;
    std::optional<std::string> m_comparisonRoot;
    std::optional<SnapshotRecord> m_beforeSnapshot;
    bool m_snapshotBusy = false;
    QString m_snapshotStatus;
    SystemActivity* m_activity; // a child of this object
    QStringList m_timeMachine;
    QString m_timeMachineStatus;
    bool m_showIssues = false;

    // Job identity and environment. A generation is a value of m_lastGeneration's counter; a result whose
    // captured generation is no longer its field's value is dropped.
    std::uint64_t m_lastGeneration = 0;
    std::shared_ptr<CancellationFlag> m_scanCancellation = std::make_shared<CancellationFlag>();
    std::shared_ptr<CancellationFlag> m_stagingCancellation = std::make_shared<CancellationFlag>();
    std::shared_ptr<ScanNavigation> m_scanNavigation = std::make_shared<ScanNavigation>();
    std::shared_ptr<CancellationFlag> m_duplicateCancellation = std::make_shared<CancellationFlag>();
    std::uint64_t m_duplicateGeneration = newGeneration();
    std::shared_ptr<CancellationFlag> m_appCancellation = std::make_shared<CancellationFlag>();
    std::uint64_t m_appGeneration = newGeneration();
    std::uint64_t m_snapshotGeneration = newGeneration();
    // The stop flag of the running saved-scan opening or comparison; a scan start takes the slot back.
    std::shared_ptr<CancellationFlag> m_snapshotCancellation = std::make_shared<CancellationFlag>();
    // Stopped as the controller goes: the jobs without a stop flag of their own (exports, monitor
    // readings, Time Machine listings) and every view query see it.
    std::stop_source m_quitting;
    // The running folder-type computation: asking it to stop abandons it.
    std::optional<std::stop_source> m_folderTypeTask;
    std::uint64_t m_scanGeneration = newGeneration();
    // The running monitor loop's reader; set once the loop starts.
    std::optional<Services::SampleReader> m_monitorTask;
    SnapshotStore m_store;
    std::string m_stateDirectory;
    std::shared_ptr<PreferenceStore> m_preferences;
    bool m_monitorEnabled;

    // Seams
    std::shared_ptr<PreferenceStore> m_standard;
    std::shared_ptr<PlatformServices> m_platform;
    std::shared_ptr<const Clock> m_clock;
    Timing m_timing;
    Services m_services;
    StateFiles m_stateFiles;
    // Made once the runner is: its results go through it. Finished by the destructor before the runner
    // goes, so that every state write lands.
    std::unique_ptr<StateWriter> m_stateWriter;
    // Last, so that it is destroyed first: its destruction waits for the jobs, which hold nothing of
    // this object but what they were handed.
    std::unique_ptr<JobRunner> m_runner;
};

} // namespace ambertrove
