#include "controller/AppModel.hpp"

#include "base/AmbertroveError.hpp"
#include "controller/ErrorText.hpp"
#include "controller/JobHandoff.hpp"

#include <QLocale>
#include <QPointer>

namespace ambertrove {

struct AppModel::CleanupRunHandoff : JobHandoff<CleanupRunResult> {
    std::optional<std::string> uninstallName;
};

// Its result: the failure's description, or nothing when the item is back.
struct AppModel::RestoreHandoff : JobHandoff<std::optional<QString>> {
    TrashReceipt receipt;
};

namespace {

// The last component of a path, as the user knows the item.
QString itemName(const std::string& path) {
    std::string_view text = path;
    while (text.size() > 1 && text.back() == '/')
        text.remove_suffix(1);
    const std::size_t slash = text.rfind('/');
    if (slash != std::string_view::npos && text.size() > 1)
        text.remove_prefix(slash + 1);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Whether `path` is `moved` or lies inside it.
bool isAtOrInside(const std::string& path, const std::string& moved) {
    if (path == moved)
        return true;
    const std::string prefix = moved == "/" ? moved : moved + "/";
    return path.starts_with(prefix);
}

} // namespace

bool AppModel::cleanupBlocked() const {
    return m_cleaning || m_staging || m_scanning || m_snapshotBusy;
}

std::map<std::string, FileIdentity> AppModel::queuedRetainedCopies() const {
    std::map<std::string, FileIdentity> copies;
    for (const CleanupEntry& entry : m_queue)
        copies.insert(entry.retainedCopies.begin(), entry.retainedCopies.end());
    return copies;
}

void AppModel::requestCleanup() {
    if (!m_queue.empty())
        prepareCleanupReview(m_queue, std::nullopt);
}

void AppModel::requestTrash(const DiskNode& node) {
    if (!canClean() || !m_scan)
        return;
    CleanupEntry entry;
    try {
        entry = CleanupEntry(node, *m_scan, "Move to Trash", m_services.policy());
    } catch (const std::exception& error) {
        setError(errorDescription(error));
        return;
    }
    const std::map<std::string, FileIdentity> kept = queuedRetainedCopies();
    entry.retainedCopies.insert(kept.begin(), kept.end());
    prepareCleanupReview({std::move(entry)}, std::nullopt);
}

void AppModel::prepareCleanupReview(const std::vector<CleanupEntry>& entries,
                                    const std::optional<std::string>& uninstallName) {
    if (cleanupBlocked() || m_cleanupRequest)
        return;
    setCleaning(true);
    setCleanupProgress(CleanupProgress{CleanupPhase::checking, "Preparing review…"});
    auto flag = std::make_shared<CancellationFlag>();
    m_cleanupCancellation = flag;

    auto job = [model = this, policyOf = m_services.policy, entries, uninstallName,
                flag]() -> JobRunner::Apply {
        std::shared_ptr<CleanupRequest> request;
        std::optional<QString> failure;
        try {
            request = std::make_shared<CleanupRequest>();
            request->entries = CleanupEntry::normalized(entries);
            request->uninstallName = uninstallName;
            const CleanupPolicy policy = policyOf();
            for (const CleanupEntry& entry : request->entries) {
                flag->check();
                if (std::optional<std::string> sentence = policy.rejection(entry.node.path))
                    request->blocked.emplace(entry.node.path, std::move(*sentence));
            }
        } catch (const CancellationError&) {
            request.reset();
        } catch (const std::exception& error) {
            request.reset();
            failure = errorDescription(error);
        }
        return [model, flag, request = std::shared_ptr<const CleanupRequest>(std::move(request)), failure] {
            // A review cancelled while its answer travelled is dropped too.
            if (request && !flag->isCancelled())
                model->setCleanupRequest(request);
            else if (failure)
                model->setError(*failure);
            model->setCleaning(false);
            model->setCleanupProgress(std::nullopt);
        };
    };
    m_runner->start(JobKind::longJob, std::move(job));
}

void AppModel::confirmTrash(const CleanupRequest& request) {
    // The request on screen is the one run: the confirmation only names it.
    const std::shared_ptr<const CleanupRequest> shown = m_cleanupRequest;
    if (!shown || shown->id != request.id || !request.blocked.empty() || !shown->blocked.empty() ||
        cleanupBlocked())
        return;
    if (!m_backupBeforeCleanup) {
        executeCleanup(*shown, std::nullopt);
        return;
    }
    // The panel answers later; the model may be gone by then, and the review may have changed.
    m_platform->chooseBackupFolder(
        m_lastBackupParent.empty() ? dialogHome() : m_lastBackupParent,
        [model = QPointer<AppModel>(this), shown](std::optional<std::string> path) {
            if (!model || !path || path->empty())
                return;
            model->setLastBackupParent(*path);
            model->executeCleanup(*shown, *path);
        });
}

void AppModel::executeCleanup(const CleanupRequest& request, const std::optional<std::string>& backupParent) {
    if (!m_cleanupRequest || m_cleanupRequest->id != request.id || !request.blocked.empty() ||
        cleanupBlocked())
        return;
    if (m_backupBeforeCleanup && !backupParent)
        return;

    const std::vector<CleanupEntry> entries = request.entries;
    auto run = std::make_shared<CleanupRunHandoff>();
    run->uninstallName = request.uninstallName;
    setCleanupRequest(nullptr);
    setToast(std::nullopt);
    setNotice(std::nullopt);
    setCleaning(true);
    setCleanupProgress(CleanupProgress{CleanupPhase::checking, "Checking files…"});
    setSection(AppSection::cleanup);
    auto flag = std::make_shared<CancellationFlag>();
    m_cleanupCancellation = flag;
    m_cleanupRun = run;
    const ScanResultPtr snapshot = m_snapshotsEnabled ? m_scan : nullptr;

    auto job = [model = this, runner = m_runner.get(), cleanupRun = m_services.cleanupRun, entries,
                backupParent, snapshot, store = m_store, flag, run]() mutable -> JobRunner::Apply {
        if (!run->begin())
            return {};
        const CleanupWorkflow::Progress progress = [model, runner, flag](const CleanupProgress& report) {
            runner->post([model, flag, report] {
                // Only while this run is the one running: a late report never brings progress back.
                if (model->m_cleaning && model->m_cleanupCancellation == flag)
                    model->setCleanupProgress(report);
            });
        };
        CleanupRunResult result;
        try {
            result = cleanupRun(entries, backupParent, snapshot, store, *flag, progress);
        } catch (const std::exception& error) {
            // The workflow reports its failures in its result; an escaped one still ends the run.
            result.preparationError = errorDescription(error).toStdString();
        }
        run->finish(std::move(result));
        return [model, run] {
            model->applyCleanupRun(run, false);
        };
    };
    m_runner->start(JobKind::longJob, std::move(job));
}

void AppModel::applyCleanupRun(const std::shared_ptr<CleanupRunHandoff>& run, bool quitting) {
    if (run->applied)
        return;
    run->applied = true;
    if (m_cleanupRun == run)
        m_cleanupRun.reset();
    const CleanupRunResult& result = *run->result;

    std::set<std::string> moved;
    for (const TrashReceipt& receipt : result.outcome.receipts)
        moved.insert(receipt.originalPath);
    // A finished backup is recorded whatever happened after it.
    if (result.backup) {
        std::vector<BackupReceipt> backups = m_backups;
        backups.insert(backups.begin(), *result.backup);
        setBackups(std::move(backups));
    }
    if (!result.outcome.receipts.empty()) {
        std::vector<TrashReceipt> receipts = m_receipts;
        receipts.insert(receipts.begin(), result.outcome.receipts.begin(), result.outcome.receipts.end());
        setReceipts(std::move(receipts));
    }
    if (!moved.empty()) {
        std::vector<CleanupEntry> rest = m_queue;
        std::erase_if(rest, [&](const CleanupEntry& entry) {
            return std::any_of(moved.begin(), moved.end(),
                               [&](const std::string& path) { return isAtOrInside(entry.node.path, path); });
        });
        setQueue(std::move(rest));
    }
    setCleaning(false);
    setCleanupProgress(std::nullopt);
    persistState();
    if (quitting)
        return;

    if (result.snapshot)
        refreshSnapshots();
    if (!moved.empty()) {
        setIsHistorical(m_scan != nullptr);
        setDuplicateReport(nullptr);
        const qlonglong count = qlonglong(moved.size());
        const QString title = run->uninstallName ? QString::fromStdString(*run->uninstallName) +
                                                       QStringLiteral(" moved to Trash")
                                                 : QStringLiteral("Moved to Trash");
        const QString detail = QLocale().toString(count) + QStringLiteral(" item") +
                               (count == 1 ? QString() : QStringLiteral("s")) +
                               QStringLiteral(" — Restore is available in Cleanup.");
        setToast(TroveToast{Uuid::random(), title, detail, TroveToastAction::cleanup,
                            QStringLiteral("View Cleanup")});
        if (run->uninstallName) {
            setAppReport(nullptr);
            setSelectedApp(std::nullopt);
            // An inventory that began before the move could still list the application: start afresh.
            if (m_inspectingApps)
                cancelApplications();
            inspectApplications();
        }
    }
    if (result.cancelled)
        showToast(QStringLiteral("Cleanup cancelled"), QStringLiteral("Nothing was moved to Trash."),
                  std::nullopt, QStringLiteral("Cleanup now"));
    if (result.preparationError) {
        setError(QString::fromStdString(*result.preparationError) +
                 QStringLiteral("\nNothing was moved to Trash."));
    } else if (!result.outcome.errors.empty()) {
        QStringList lines;
        for (const auto& [path, message] : result.outcome.errors)
            lines.push_back(itemName(path) + QStringLiteral(": ") + QString::fromStdString(message));
        setError(lines.join(u'\n'));
    }
}

void AppModel::finishCleanupRunBeforeQuit() {
    const std::shared_ptr<CleanupRunHandoff> run = m_cleanupRun;
    if (run && run->waitAtQuit())
        applyCleanupRun(run, true);
}

void AppModel::restore(const TrashReceipt& receipt) {
    if (m_cleaning || m_staging || m_restoringReceipts.contains(receipt.id))
        return;
    m_restoringReceipts.insert(receipt.id);
    emit cleanupChanged();
    auto restore = std::make_shared<RestoreHandoff>();
    restore->receipt = receipt;
    m_restores.push_back(restore);

    auto job = [model = this, restoreItem = m_services.restore, restore]() -> JobRunner::Apply {
        if (!restore->begin())
            return {};
        std::optional<QString> failure;
        try {
            restoreItem(restore->receipt);
        } catch (const std::exception& error) {
            failure = errorDescription(error);
        }
        restore->finish(std::move(failure));
        return [model, restore] {
            model->applyRestore(restore, false);
        };
    };
    m_runner->start(JobKind::longJob, std::move(job));
}

void AppModel::applyRestore(const std::shared_ptr<RestoreHandoff>& restore, bool quitting) {
    if (restore->applied)
        return;
    restore->applied = true;
    std::erase(m_restores, restore);
    const TrashReceipt& receipt = restore->receipt;
    m_restoringReceipts.erase(receipt.id);
    emit cleanupChanged();
    if (const std::optional<QString>& failure = *restore->result) {
        setError(*failure);
        return;
    }
    std::vector<TrashReceipt> rest = m_receipts;
    std::erase_if(rest, [&](const TrashReceipt& r) { return r.id == receipt.id; });
    setReceipts(std::move(rest));
    persistState();
    if (!quitting)
        setNotice(QStringLiteral("Restored ") + itemName(receipt.originalPath) +
                  QStringLiteral(". Rescan to update storage."));
}

void AppModel::finishRestoresBeforeQuit() {
    // A copy: applying one takes it off the list.
    for (const std::shared_ptr<RestoreHandoff>& restore : std::vector(m_restores))
        if (restore->waitAtQuit())
            applyRestore(restore, true);
}

} // namespace ambertrove
