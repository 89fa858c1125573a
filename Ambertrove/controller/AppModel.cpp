#include "controller/AppModel.hpp"

#include "controller/ErrorText.hpp"
#include "controller/ThreadJobRunner.hpp"
#include "storage/MemoryPreferenceStore.hpp"

#include <algorithm>

#include <QPointer>

namespace ambertrove {

namespace {

template <typename T> const T* stored(const std::optional<PreferenceValue>& value) {
    return value ? std::get_if<T>(&*value) : nullptr;
}

// The lenient reading of a Boolean setting: a Boolean as it is, a number by being other than zero, the
// texts "true", "yes" and "1" in any case; anything else, and nothing, is false.
bool booleanReading(const std::optional<PreferenceValue>& value) {
    if (const bool* b = stored<bool>(value))
        return *b;
    if (const std::int64_t* n = stored<std::int64_t>(value))
        return *n != 0;
    if (const double* d = stored<double>(value))
        return *d != 0;
    if (const std::string* s = stored<std::string>(value)) {
        const QString text = QString::fromStdString(*s).trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") || text == QLatin1String("1");
    }
    return false;
}

} // namespace

AppModel::AppModel(AppEnvironment environment, QObject* parent)
    : QObject(parent)
    , m_activity(new SystemActivity(this))
    , m_store(std::move(environment.store))
    , m_stateDirectory(std::move(environment.stateDirectory))
    , m_preferences(environment.preferences ? std::move(environment.preferences)
                                            : std::make_shared<MemoryPreferenceStore>())
    , m_monitorEnabled(environment.monitorEnabled)
    , m_standard(environment.standard ? std::move(environment.standard) : m_preferences)
    , m_platform(environment.platform ? std::move(environment.platform)
                                      : std::make_shared<NoPlatformServices>())
    , m_clock(environment.clock ? std::move(environment.clock) : std::make_shared<SystemClock>())
    , m_timing(environment.timing)
    , m_services(std::move(environment.services))
    , m_stateFiles(m_stateDirectory, m_clock)
    , m_runner(environment.runner ? std::move(environment.runner) : std::make_unique<ThreadJobRunner>()) {
    // What the desktop could not do (a reveal nobody answered) shows in the notice, with its path.
    m_platform->setFailureReport([model = QPointer<AppModel>(this)](const QString& sentence) {
        if (model)
            model->setNotice(sentence);
    });
    m_stateWriter = std::make_unique<StateWriter>(*m_runner);
    // 1. The standard settings, read as they are stored; assigning them here writes nothing back.
    m_dark = booleanReading(m_standard->value(kDarkAppearanceKey));
    const auto theme = m_standard->value(kColorThemeKey);
    const std::string* themeText = stored<std::string>(theme);
    m_theme = fromRawValue<AppTheme>(QString::fromStdString(themeText ? *themeText : std::string("Paper")))
                  .value_or(AppTheme::paper);
    const auto recent = m_standard->value(kRecentFoldersKey);
    if (const auto* folders = stored<std::vector<std::string>>(recent))
        m_recent = *folders;

    // 2.-4. The three cleanup settings go through their setters, which write each one back.
    const auto backup = m_preferences->value(kBackupBeforeCleanupKey);
    const bool* backupValue = stored<bool>(backup);
    setBackupBeforeCleanup(backupValue ? *backupValue : true);
    setSnapshotsEnabled(booleanReading(m_preferences->value(kSnapshotsEnabledKey)));
    const auto backupParent = m_preferences->value(kLastBackupParentKey);
    const std::string* parentText = stored<std::string>(backupParent);
    setLastBackupParent(parentText ? *parentText : std::string());

    // 5. The theme's setter does not run for the stored value.
    setCurrentTheme(m_theme);

    // 6.-8. Every source is read even when one fails; the failures are shown together.
    QStringList messages;
    try {
        readSnapshotCatalog();
    } catch (const std::exception& error) {
        messages.push_back(QString::fromUtf8(kSavedScansPrefix) + errorDescription(error));
    }
    StateFiles::Loaded loaded = m_stateFiles.load();
    m_queue = std::move(loaded.queue);
    m_receipts = std::move(loaded.receipts);
    m_backups = std::move(loaded.backups);
    messages += loaded.messages;
    if (!messages.isEmpty())
        m_error = messages.join(u'\n');

    // 9.
    if (m_monitorEnabled)
        startMonitor();
}

AppModel::~AppModel() {
    // The runner waits for its jobs when it goes; these stop at their next poll, a few milliseconds away,
    // and what they still return is dropped with the runner. A running cleanup run is left to finish, and
    // its result is applied and saved here, so that every item it moves gets its receipt: the runner would
    // drop a result still on its way. A snapshot save runs to its end too: its file lands whole.
    m_scanCancellation->cancel();
    m_stagingCancellation->cancel();
    m_duplicateCancellation->cancel();
    m_appCancellation->cancel();
    m_snapshotCancellation->cancel();
    // Without a run, the cleanup flag is the review's check, if one runs.
    if (!m_cleanupRun)
        m_cleanupCancellation->cancel();
    if (m_folderTypeTask)
        m_folderTypeTask->request_stop();
    m_quitting.request_stop();
    finishCleanupRunBeforeQuit();
    finishRestoresBeforeQuit();
    // Every state write asked for lands, the run's and the restores' last.
    m_stateWriter->finish();
}

void AppModel::readSnapshotCatalog() {
    applySnapshotCatalog(m_services.snapshotCatalog(m_store));
}

void AppModel::applySnapshotCatalog(SnapshotCatalog catalog) {
    setSnapshots(std::move(catalog.records));
    setSnapshotIssues(std::move(catalog.issues));
    if (m_beforeSnapshot &&
        std::none_of(m_snapshots.begin(), m_snapshots.end(),
                     [&](const SnapshotRecord& r) { return r.id == m_beforeSnapshot->id; }))
        setBeforeSnapshot(std::nullopt);
}

// ---- Settings ----

void AppModel::setDark(bool value) {
    assign(m_dark, value, &AppModel::displayChanged);
    m_standard->setValue(kDarkAppearanceKey, value);
}

void AppModel::setTheme(AppTheme value) {
    // The process-wide theme changes before the signal, so that views redrawing on it read the new colours.
    setCurrentTheme(value);
    assign(m_theme, value, &AppModel::displayChanged);
    m_standard->setValue(kColorThemeKey, rawValue(value).toStdString());
}

void AppModel::setBackupBeforeCleanup(bool value) {
    assign(m_backupBeforeCleanup, value, &AppModel::cleanupChanged);
    m_preferences->setValue(kBackupBeforeCleanupKey, value);
}

void AppModel::setSnapshotsEnabled(bool value) {
    assign(m_snapshotsEnabled, value, &AppModel::cleanupChanged);
    m_preferences->setValue(kSnapshotsEnabledKey, value);
}

void AppModel::setLastBackupParent(std::string value) {
    assign(m_lastBackupParent, value, &AppModel::cleanupChanged);
    m_preferences->setValue(kLastBackupParentKey, std::move(value));
}

void AppModel::setFocusPath(std::optional<std::string> value) {
    if (assign(m_focusPath, std::move(value), &AppModel::scanChanged))
        refreshFolderTypes();
}

// ---- Published state ----

void AppModel::setSection(AppSection value) {
    assign(m_section, value, &AppModel::displayChanged);
}

void AppModel::setStorageView(StorageView value) {
    assign(m_storageView, value, &AppModel::displayChanged);
}

void AppModel::setVisualizationDepth(int value) {
    assign(m_visualizationDepth, value, &AppModel::displayChanged);
}

void AppModel::setColorMode(ColorMode value) {
    assign(m_colorMode, value, &AppModel::displayChanged);
}

void AppModel::setLogical(bool value) {
    assign(m_logical, value, &AppModel::displayChanged);
}

void AppModel::setShowInspector(bool value) {
    assign(m_showInspector, value, &AppModel::displayChanged);
}

void AppModel::setShowHidden(bool value) {
    assign(m_showHidden, value, &AppModel::displayChanged);
}

void AppModel::setShowLabels(bool value) {
    assign(m_showLabels, value, &AppModel::displayChanged);
}

void AppModel::setMinimumBytes(std::int64_t value) {
    assign(m_minimumBytes, value, &AppModel::displayChanged);
}

void AppModel::setCategoryFilter(std::optional<FileCategory> value) {
    assign(m_categoryFilter, std::move(value), &AppModel::displayChanged);
}

void AppModel::setModifiedBeforeDays(int value) {
    assign(m_modifiedBeforeDays, value, &AppModel::displayChanged);
}

void AppModel::setDuplicateMinimumMB(int value) {
    assign(m_duplicateMinimumMB, value, &AppModel::displayChanged);
}

void AppModel::setFilter(const QString& value) {
    assign(m_filter, value, &AppModel::displayChanged);
}

void AppModel::setShowIssues(bool value) {
    assign(m_showIssues, value, &AppModel::displayChanged);
}

void AppModel::setScan(ScanResultPtr value) {
    assign(m_scan, std::move(value), &AppModel::scanChanged);
}

void AppModel::setSelection(std::optional<std::string> value) {
    assign(m_selection, std::move(value), &AppModel::scanChanged);
}

void AppModel::setScanning(bool value) {
    assign(m_scanning, value, &AppModel::scanChanged);
}

void AppModel::setScanRootName(const QString& value) {
    assign(m_scanRootName, value, &AppModel::scanChanged);
}

void AppModel::setScanRootPath(std::string value) {
    assign(m_scanRootPath, std::move(value), &AppModel::scanChanged);
}

void AppModel::setLiveFocusPath(std::optional<std::string> value) {
    assign(m_liveFocusPath, std::move(value), &AppModel::scanChanged);
}

void AppModel::setNavigation(FolderNavigationHistory value) {
    assign(m_navigation, std::move(value), &AppModel::scanChanged);
}

void AppModel::setLiveNavigation(FolderNavigationHistory value) {
    assign(m_liveNavigation, std::move(value), &AppModel::scanChanged);
}

void AppModel::setRecent(std::vector<std::string> value) {
    assign(m_recent, std::move(value), &AppModel::scanChanged);
}

void AppModel::setScanProgress(std::shared_ptr<const ScanProgress> value) {
    assign(m_scanProgress, std::move(value), &AppModel::progressChanged);
}

void AppModel::setError(std::optional<QString> value) {
    assign(m_error, std::move(value), &AppModel::messagesChanged);
}

void AppModel::setNotice(std::optional<QString> value) {
    assign(m_notice, std::move(value), &AppModel::messagesChanged);
}

void AppModel::setIsHistorical(bool value) {
    assign(m_isHistorical, value, &AppModel::messagesChanged);
}

void AppModel::setQuickWins(std::vector<QuickWin> value) {
    assign(m_quickWins, std::move(value), &AppModel::scanChanged);
}

void AppModel::setTypeTotals(FileTypeTotals value) {
    assign(m_typeTotals, std::move(value), &AppModel::scanChanged);
}

void AppModel::setFolderTypes(std::map<std::string, FileTypeTotals> value) {
    assign(m_folderTypes, std::move(value), &AppModel::scanChanged);
}

void AppModel::setUniqueQuickWinBytes(std::int64_t value) {
    assign(m_uniqueQuickWinBytes, value, &AppModel::scanChanged);
}

void AppModel::setActiveQuickWin(std::optional<QuickWinKind> value) {
    assign(m_activeQuickWin, std::move(value), &AppModel::scanChanged);
}

void AppModel::setToast(std::optional<TroveToast> value) {
    assign(m_toast, std::move(value), &AppModel::toastChanged);
}

void AppModel::setQueue(std::vector<CleanupEntry> value) {
    assign(m_queue, std::move(value), &AppModel::cleanupChanged);
}

void AppModel::setReceipts(std::vector<TrashReceipt> value) {
    assign(m_receipts, std::move(value), &AppModel::cleanupChanged);
}

void AppModel::setCleaning(bool value) {
    assign(m_cleaning, value, &AppModel::cleanupChanged);
}

void AppModel::setStaging(bool value) {
    assign(m_staging, value, &AppModel::cleanupChanged);
}

void AppModel::setCleanupRequest(std::shared_ptr<const CleanupRequest> value) {
    assign(m_cleanupRequest, std::move(value), &AppModel::cleanupChanged);
}

void AppModel::setCleanupProgress(std::optional<CleanupProgress> value) {
    assign(m_cleanupProgress, std::move(value), &AppModel::cleanupChanged);
}

void AppModel::setBackups(std::vector<BackupReceipt> value) {
    assign(m_backups, std::move(value), &AppModel::cleanupChanged);
}

void AppModel::setDuplicateKeepers(std::map<std::string, std::string> value) {
    assign(m_duplicateKeepers, std::move(value), &AppModel::duplicatesChanged);
}

void AppModel::setDuplicateScopePath(std::optional<std::string> value) {
    assign(m_duplicateScopePath, std::move(value), &AppModel::duplicatesChanged);
}

void AppModel::setDuplicateReport(std::shared_ptr<const DuplicateReport> value) {
    assign(m_duplicateReport, std::move(value), &AppModel::duplicatesChanged);
}

void AppModel::setFindingDuplicates(bool value) {
    assign(m_findingDuplicates, value, &AppModel::duplicatesChanged);
}

void AppModel::setDuplicateAfterScan(bool value) {
    assign(m_duplicateAfterScan, value, &AppModel::duplicatesChanged);
}

void AppModel::setDuplicateProgress(const QString& value) {
    assign(m_duplicateProgress, value, &AppModel::duplicatesChanged);
}

void AppModel::setDuplicateWork(std::optional<DuplicateProgress> value) {
    assign(m_duplicateWork, std::move(value), &AppModel::duplicatesChanged);
}

void AppModel::setAppReport(std::shared_ptr<const ApplicationReport> value) {
    assign(m_appReport, std::move(value), &AppModel::applicationsChanged);
}

void AppModel::setInspectingApps(bool value) {
    assign(m_inspectingApps, value, &AppModel::applicationsChanged);
}

void AppModel::setAppProgress(const QString& value) {
    assign(m_appProgress, value, &AppModel::applicationsChanged);
}

void AppModel::setSelectedApp(std::optional<std::string> value) {
    assign(m_selectedApp, std::move(value), &AppModel::applicationsChanged);
}

void AppModel::setSnapshots(std::vector<SnapshotRecord> value) {
    assign(m_snapshots, std::move(value), &AppModel::snapshotsChanged);
}

void AppModel::setSnapshotIssues(std::vector<SnapshotCatalogIssue> value) {
    assign(m_snapshotIssues, std::move(value), &AppModel::snapshotsChanged);
}

void AppModel::setChanges(std::vector<SnapshotChange> value) {
    assign(m_changes, std::move(value), &AppModel::snapshotsChanged);
}

void AppModel::setComparisonTitle(std::optional<QString> value) {
    assign(m_comparisonTitle, std::move(value), &AppModel::snapshotsChanged);
}

void AppModel::setComparisonRoot(std::optional<std::string> value) {
    assign(m_comparisonRoot, std::move(value), &AppModel::snapshotsChanged);
}

void AppModel::setBeforeSnapshot(std::optional<SnapshotRecord> value) {
    assign(m_beforeSnapshot, std::move(value), &AppModel::snapshotsChanged);
}

void AppModel::setSnapshotBusy(bool value) {
    assign(m_snapshotBusy, value, &AppModel::snapshotsChanged);
}

void AppModel::setSnapshotStatus(const QString& value) {
    assign(m_snapshotStatus, value, &AppModel::snapshotsChanged);
}

void AppModel::setTimeMachine(const QStringList& value) {
    assign(m_timeMachine, value, &AppModel::snapshotsChanged);
}

void AppModel::setTimeMachineStatus(const QString& value) {
    assign(m_timeMachineStatus, value, &AppModel::snapshotsChanged);
}

} // namespace ambertrove
