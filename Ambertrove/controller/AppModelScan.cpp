#include "controller/AppModel.hpp"

#include "base/AmbertroveError.hpp"
#include "base/PathText.hpp"
#include "controller/ErrorText.hpp"
#include "scan/ScanPaths.hpp"

#include <QPointer>

#include <algorithm>

namespace ambertrove {

namespace {

const char* const kCancelledWithoutScan = "Scan cancelled. Choose a location to start again.";
const char* const kCancelledWithScan = "Scan cancelled. Your previous result is still available.";
// The recent folders kept.
constexpr std::size_t kRecentCount = 6;

QString fromPath(std::string_view path) {
    return QString::fromUtf8(path.data(), qsizetype(path.size()));
}

} // namespace

void AppModel::chooseFolder(bool thenFindDuplicates, bool scanNew) {
    const QString prompt = scanNew              ? QStringLiteral("Scan folder")
                           : thenFindDuplicates ? QStringLiteral("Find duplicates")
                                                : QStringLiteral("Open folder");
    const QString message = scanNew ? QStringLiteral("Scan a folder or mounted drive.")
                                    : QStringLiteral("Open a folder from the current scan.");
    // A new scan starts from the home folder; a folder of the shown scan from the folder in view.
    std::string start = dialogHome();
    if (!scanNew && m_scan && !m_scanning) {
        if (const NodeIndex folder = focusIndex(); folder != kNoNode)
            start = m_scan->nodes.path(folder);
    }
    // The dialog answers later; the controller may be gone by then.
    m_platform->chooseFolderWithPrompt(
        prompt, message, start,
        [model = QPointer<AppModel>(this), thenFindDuplicates, scanNew](std::optional<std::string> path) {
            if (!model || !path)
                return;
            if (scanNew) {
                model->startScan(*path, false);
            } else if (thenFindDuplicates) {
                std::optional<DiskNode> folder;
                if (model->m_scan)
                    folder = model->m_scan->directory(*path);
                if (folder)
                    model->requestDuplicateSearch(folder->path);
                else
                    model->setNotice(QString::fromUtf8(kNotInScanNotice));
            } else {
                model->browseLocation(*path);
            }
        });
}

void AppModel::startScan(const std::string& path, bool thenFindDuplicates) {
    if (m_cleaning)
        return;
    m_stagingCancellation->cancel();
    m_scanCancellation->cancel();
    m_duplicateCancellation->cancel();
    // A saved scan still opening or being compared stops (a save runs to its end, unseen); late results of
    // a duplicate search or a saved-scan job are dropped from now on.
    m_snapshotCancellation->cancel();
    m_duplicateGeneration = newGeneration();
    m_snapshotGeneration = newGeneration();
    setSnapshotBusy(false);
    setSnapshotStatus(QString());

    auto cancellation = std::make_shared<CancellationFlag>();
    auto navigation = std::make_shared<ScanNavigation>();
    m_scanCancellation = cancellation;
    m_scanNavigation = navigation;
    setLiveFocusPath(std::nullopt);
    const std::uint64_t generation = newGeneration();
    m_scanGeneration = generation;
    setScanning(true);
    setScanProgress(nullptr);

    if (path == ScanPaths::systemRoot) {
        setScanRootName(QStringLiteral("Entire Mac"));
    } else if (!homeForms().empty() && path == homeForms().front()) {
        setScanRootName(QStringLiteral("Home"));
    } else {
        const std::string_view name = path.empty() ? std::string_view() : PathText::name(path);
        setScanRootName(name.empty() ? QStringLiteral("Macintosh HD") : fromPath(name));
    }
    if (!isGraph(m_storageView) && m_storageView != StorageView::folders)
        setStorageView(StorageView::treemap);
    setScanRootPath(path);
    FolderNavigationHistory live;
    live.reset(path);
    setLiveNavigation(std::move(live));
    setSection(thenFindDuplicates ? AppSection::duplicates : AppSection::explore);
    setActiveQuickWin(std::nullopt);
    setDuplicateReport(nullptr);
    setDuplicateScopePath(std::nullopt);
    setFindingDuplicates(false);
    setDuplicateAfterScan(thenFindDuplicates);
    setFilter(QString());
    setNotice(std::nullopt);

    // The job holds only what it was handed; it reaches the controller through the runner, which applies
    // its reports and its end on the GUI thread while the controller lives.
    JobRunner* runner = m_runner.get();
    const QPointer<AppModel> model(this);
    m_runner->start(JobKind::longJob,
                    [runner, model, generation, path, cancellation, navigation, scan = m_services.scan,
                     presentation = m_services.presentation]() -> JobRunner::Apply {
                        try {
                            const DiskScanner::ProgressCallback report =
                                [runner, model, generation](const ScanProgress& progress) {
                                    auto shared = std::make_shared<const ScanProgress>(progress);
                                    runner->post([model, generation, shared] {
                                        if (model)
                                            model->applyScanProgress(generation, shared);
                                    });
                                };
                            auto result = std::make_shared<ScanResult>(
                                scan(path, *cancellation, navigation.get(), report));
                            cancellation->check();
                            ScanPresentation made = presentation(*result, TaskCancellation([cancellation] {
                                return cancellation->isCancelled();
                            }));
                            cancellation->check();
                            // Read here so that the GUI thread never waits on the volume.
                            std::optional<VolumeInfo> volume = VolumeInfo::read(result->rootPath);
                            return [model, generation, result = ScanResultPtr(std::move(result)),
                                    made = std::move(made), volume = std::move(volume)] {
                                if (model)
                                    model->completeScan(generation, result, made, volume);
                            };
                        } catch (...) {
                            return [model, generation, error = std::current_exception()] {
                                if (model)
                                    model->failScan(generation, error);
                            };
                        }
                    });
}

void AppModel::applyScanProgress(std::uint64_t generation, std::shared_ptr<const ScanProgress> progress) {
    // A report of a superseded or cancelled scan, or one that arrives after the scan ended, is dropped.
    if (generation != m_scanGeneration || !m_scanning)
        return;
    const std::optional<ScanFolderPreview>& browsing = progress->browsing;
    setScanProgress(progress);
    if (browsing && browsing->rootPath != m_scanRootPath) {
        // The scanner works on the canonical form of the root: the live history follows it.
        const std::string root = browsing->rootPath;
        const std::string prefix = root == "/" ? std::string("/") : root + "/";
        setScanRootPath(root);
        setLiveNavigation(
            m_liveNavigation.resolvingPaths([&](const std::string& path) -> std::optional<std::string> {
                for (std::string& form : ScanPaths::candidates(path)) {
                    if (form == root || form.starts_with(prefix))
                        return std::move(form);
                }
                return std::nullopt;
            }));
        if (m_liveFocusPath)
            setLiveFocusPath(m_liveNavigation.current);
    }
    if (m_liveFocusPath && browsing) {
        // The live focus takes the scanner's form of its path.
        const std::vector<std::string> forms = ScanPaths::candidates(*m_liveFocusPath);
        if (std::find(forms.begin(), forms.end(), browsing->folder.path) != forms.end())
            setLiveFocusPath(browsing->folder.path);
    }
}

void AppModel::completeScan(std::uint64_t generation, ScanResultPtr scan,
                            const ScanPresentation& presentation, std::optional<VolumeInfo> volume) {
    if (generation != m_scanGeneration)
        return;
    std::string focusPath = scan->rootPath;
    if (m_liveFocusPath) {
        if (std::optional<DiskNode> folder = scan->directory(*m_liveFocusPath))
            focusPath = folder->path;
    }
    const FolderNavigationHistory resolved =
        m_liveNavigation.resolvingPaths([&](const std::string& path) -> std::optional<std::string> {
            if (std::optional<DiskNode> folder = scan->directory(path))
                return folder->path;
            return std::nullopt;
        });
    m_scanVolume = std::make_pair(scan->id, std::move(volume));
    installScan(scan, presentation, focusPath, false);
    // The back and forward history of the live browsing carries over when it ends on the opened folder.
    if (resolved.current && *resolved.current == focusPath)
        setNavigation(resolved);
    setScanning(false);
    setScanProgress(nullptr);

    std::vector<std::string> recent{scan->rootPath};
    for (const std::string& folder : m_recent) {
        if (folder != scan->rootPath && recent.size() < kRecentCount)
            recent.push_back(folder);
    }
    setRecent(recent);
    m_standard->setValue(kRecentFoldersKey, std::move(recent));

    if (scan->skippedCount < 1)
        setNotice(QStringLiteral("Scan complete — ") + QString::asprintf("%.1f", scan->duration) +
                  QStringLiteral(" seconds."));
    else
        setNotice(QStringLiteral("Scan complete — ") + QString::number(scan->skippedCount) +
                  QStringLiteral(" paths skipped."));

    const bool duplicatesNext = m_duplicateAfterScan;
    setDuplicateAfterScan(false);
    if (duplicatesNext) {
        setSection(AppSection::duplicates);
        requestDuplicateSearch(std::nullopt);
    }
}

void AppModel::failScan(std::uint64_t generation, std::exception_ptr error) {
    if (generation != m_scanGeneration)
        return;
    setScanning(false);
    setDuplicateAfterScan(false);
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        noticeScanCancelled();
    } catch (const std::exception& failure) {
        setError(failureAbout(QStringLiteral("scan"), m_scanRootPath, errorDescription(failure)));
    } catch (...) {
        setError(failureAbout(QStringLiteral("scan"), m_scanRootPath, QStringLiteral("The scan failed.")));
    }
}

void AppModel::cancelScan() {
    m_scanCancellation->cancel();
    // Whatever the cancelled job still delivers (result, failure or progress) is dropped.
    m_scanGeneration = newGeneration();
    setScanning(false);
    setScanProgress(nullptr);
    setDuplicateAfterScan(false);
    noticeScanCancelled();
}

void AppModel::noticeScanCancelled() {
    setNotice(QString::fromUtf8(m_scan ? kCancelledWithScan : kCancelledWithoutScan));
}

void AppModel::refresh() {
    if (m_scan)
        startScan(m_scan->rootPath, false);
}

void AppModel::installScan(ScanResultPtr scan, const ScanPresentation& presentation, const std::string& focus,
                           bool historical) {
    if (m_folderTypeTask) {
        m_folderTypeTask->request_stop();
        m_folderTypeTask.reset();
    }
    m_folderTypeCache.clear();
    m_rootFolderTypes = presentation.folderTypes;
    const std::string root = scan->rootPath;
    setScan(std::move(scan));
    setFocusPath(focus);
    setSelection(std::nullopt);
    FolderNavigationHistory history;
    history.reset(root);
    history.visit(focus);
    setNavigation(std::move(history));
    setQuickWins(presentation.quickWins);
    setUniqueQuickWinBytes(presentation.uniqueQuickWinBytes);
    setTypeTotals(presentation.types);
    setIsHistorical(historical);
    setFilter(QString());
    setChanges({});
    setComparisonTitle(std::nullopt);
    setComparisonRoot(std::nullopt);
    refreshFolderTypes();
}

QString AppModel::displayName(const DiskNode& node) const {
    const std::vector<std::string>& home = homeForms();
    if (std::find(home.begin(), home.end(), node.path) != home.end())
        return QStringLiteral("Home");
    // The whole-disk scan's root is "/" here; the data volume's form is kept for scans made elsewhere.
    if (node.path == ScanPaths::dataRoot || node.path == ScanPaths::systemRoot)
        return QStringLiteral("Macintosh HD");
    return fromPath(PathText::name(node.path));
}

const std::vector<std::string>& AppModel::homeForms() const {
    // Looked up once: titles are asked for while painting, which must not wait on the disk.
    if (!m_homeForms) {
        const std::string home = m_services.home ? m_services.home() : std::string();
        m_homeForms = home.empty() ? std::vector<std::string>() : ScanPaths::candidates(home);
    }
    return *m_homeForms;
}

std::string AppModel::dialogHome() const {
    const std::vector<std::string>& forms = homeForms();
    return forms.empty() ? std::string() : forms.front();
}

void AppModel::requestDuplicateSearch(const std::optional<std::string>& scope) {
    if (m_findDuplicates)
        m_findDuplicates(scope);
    else
        findDuplicates(scope);
}

} // namespace ambertrove
