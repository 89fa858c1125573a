#include "controller/AppModel.hpp"

#include "base/AmbertroveError.hpp"
#include "controller/ErrorText.hpp"
#include "model/Formatting.hpp"
#include "scan/ScanPaths.hpp"

#include <QLocale>

namespace ambertrove {

namespace {

QString bytesRead(const DuplicateProgress& progress) {
    return QString::fromStdString(progress.fileName) + QStringLiteral(" · ") +
           QString::fromStdString(formattedBytes(progress.bytesRead)) + QStringLiteral(" / ") +
           QString::fromStdString(formattedBytes(progress.fileSize));
}

} // namespace

bool AppModel::isFullSystemRoot(const std::string& path) {
    return path == ScanPaths::dataRoot || path == ScanPaths::systemRoot;
}

QString AppModel::duplicateProgressText(const DuplicateProgress& progress) {
    switch (progress.phase) {
    case DuplicateProgress::Phase::grouping:
        return QStringLiteral("Grouping files by size…");
    case DuplicateProgress::Phase::sampling: {
        const QLocale locale;
        return QStringLiteral("Checking samples · ") + locale.toString(qlonglong(progress.checked)) +
               QStringLiteral(" of ") + locale.toString(qlonglong(progress.total)) +
               QStringLiteral(" candidates");
    }
    case DuplicateProgress::Phase::hashing:
        return QStringLiteral("Reading full contents · ") + bytesRead(progress);
    case DuplicateProgress::Phase::verifying:
        return QStringLiteral("Verifying identical copies · ") + bytesRead(progress);
    case DuplicateProgress::Phase::complete:
        return QStringLiteral("Comparison complete");
    }
    return {};
}

QString AppModel::appProgressText(const std::string& name, int inspected) {
    // Plain digits: the count changes with every application and grouping would make it jump.
    return QString::fromStdString(name) + QStringLiteral(" · ") + QString::number(inspected) +
           QStringLiteral(" apps inspected");
}

void AppModel::findDuplicates(const std::optional<std::string>& scope) {
    if (m_findingDuplicates || m_cleaning)
        return;
    if (m_scanning) {
        if (!scope)
            setDuplicateAfterScan(true);
        else
            setNotice(QStringLiteral("Wait for the scan to finish before choosing a comparison folder."));
        return;
    }
    if (m_snapshotBusy) {
        setNotice(QStringLiteral("Wait for the snapshot to finish loading."));
        return;
    }
    if (!m_scan) {
        setNotice(QStringLiteral("Choose Scan Full Mac before finding duplicates."));
        return;
    }

    setDuplicateScopePath(scope ? *scope : m_scan->rootPath);
    auto flag = std::make_shared<CancellationFlag>();
    m_duplicateCancellation = flag;
    const std::uint64_t scanGeneration = m_scanGeneration;
    m_duplicateGeneration = newGeneration();
    const std::uint64_t generation = m_duplicateGeneration;
    setDuplicateKeepers({});
    setFindingDuplicates(true);
    setDuplicateProgress(QStringLiteral("Grouping files by size…"));
    setDuplicateReport(nullptr);
    setDuplicateWork(std::nullopt);
    setNotice(std::nullopt);

    // Decimal megabytes, as the size field shows them.
    const std::int64_t minimumSize = std::int64_t(m_duplicateMinimumMB) * 1'000'000;
    // Whatever the job hands back is applied only while both the scan and this search are current.
    auto current = [model = this, scanGeneration, generation] {
        return model->m_scanGeneration == scanGeneration && model->m_duplicateGeneration == generation;
    };
    auto job = [model = this, runner = m_runner.get(), find = m_services.duplicates, scan = m_scan, scope,
                flag, minimumSize, current]() -> JobRunner::Apply {
        const DuplicateFinder::DetailProgress progress = [model, runner,
                                                          current](const DuplicateProgress& p) {
            runner->post([model, current, p] {
                if (!current() || !model->m_findingDuplicates)
                    return;
                model->setDuplicateWork(p);
                model->setDuplicateProgress(duplicateProgressText(p));
            });
        };
        try {
            auto report =
                std::make_shared<const DuplicateReport>(find(*scan, minimumSize, scope, *flag, progress));
            return [model, current, report = std::move(report)] {
                if (!current())
                    return;
                model->setDuplicateReport(report);
                model->setFindingDuplicates(false);
            };
        } catch (const CancellationError&) {
            return [model, current] {
                if (current())
                    model->setFindingDuplicates(false);
            };
        } catch (const std::exception& error) {
            return [model, current, text = errorDescription(error)] {
                if (!current())
                    return;
                model->setFindingDuplicates(false);
                model->setError(text);
            };
        }
    };
    m_runner->start(JobKind::utility, std::move(job));
}

void AppModel::findDuplicatesOnMac() {
    if (!m_scanning) {
        if (m_scan && isFullSystemRoot(m_scan->rootPath))
            findDuplicates(std::nullopt);
        else
            setNotice(QStringLiteral("Choose Scan Full Mac first — then compare the scanned files here."));
        return;
    }
    if (isFullSystemRoot(m_scanRootPath))
        setDuplicateAfterScan(true);
    else
        setNotice(QStringLiteral("A folder scan is running — Entire Mac needs a full-Mac result."));
}

void AppModel::cancelDuplicates() {
    m_duplicateCancellation->cancel();
    m_duplicateGeneration = newGeneration();
    setFindingDuplicates(false);
    setNotice(QStringLiteral("Duplicate search cancelled."));
}

void AppModel::inspectApplications() {
    if (m_inspectingApps)
        return;
    auto flag = std::make_shared<CancellationFlag>();
    m_appCancellation = flag;
    m_appGeneration = newGeneration();
    const std::uint64_t generation = m_appGeneration;
    setInspectingApps(true);
    setAppProgress(QStringLiteral("Discovering applications…"));

    auto current = [model = this, generation] {
        return model->m_appGeneration == generation;
    };
    auto job = [model = this, runner = m_runner.get(), inspect = m_services.applications,
                home = m_services.home, flag, current]() -> JobRunner::Apply {
        const ApplicationInventory::ProgressCallback progress =
            [model, runner, current](const std::string& name, int inspected) {
                runner->post([model, current, text = appProgressText(name, inspected)] {
                    if (current() && model->m_inspectingApps)
                        model->setAppProgress(text);
                });
            };
        try {
            auto report = std::make_shared<const ApplicationReport>(inspect(home(), *flag, progress));
            return [model, current, report = std::move(report)] {
                if (!current())
                    return;
                model->setAppReport(report);
                model->setSelectedApp(std::nullopt);
                model->setInspectingApps(false);
            };
        } catch (const CancellationError&) {
            return [model, current] {
                if (current())
                    model->setInspectingApps(false);
            };
        } catch (const std::exception& error) {
            return [model, current, text = errorDescription(error)] {
                if (!current())
                    return;
                model->setInspectingApps(false);
                model->setError(text);
            };
        }
    };
    m_runner->start(JobKind::utility, std::move(job));
}

void AppModel::cancelApplications() {
    m_appCancellation->cancel();
    m_appGeneration = newGeneration();
    setInspectingApps(false);
    setAppProgress(QString());
}

void AppModel::stageAllDuplicates() {
    if (!m_duplicateReport || !canClean() || !m_scan)
        return;
    // Every group goes into one change of the queue, saved once and announced once with the count of
    // all its new entries. A group that fails stages nothing of its own; the others are staged.
    const std::shared_ptr<const DuplicateReport> report = m_duplicateReport;
    const CleanupPolicy policy = m_services.policy();
    std::vector<CleanupEntry> staged;
    bool anyGroup = false;
    std::optional<QString> failure;
    for (const DuplicateGroup& group : report->groups) {
        if (group.files.empty())
            continue;
        const auto chosen = m_duplicateKeepers.find(group.id);
        const std::string& keeping =
            chosen != m_duplicateKeepers.end() ? chosen->second : group.files.front().path;
        try {
            if (std::optional<std::vector<CleanupEntry>> entries = duplicateEntries(group, keeping, policy)) {
                anyGroup = true;
                staged.insert(staged.end(), std::make_move_iterator(entries->begin()),
                              std::make_move_iterator(entries->end()));
            }
        } catch (const std::exception& error) {
            if (!failure)
                failure = errorDescription(error);
        }
    }
    // First, so that a failure to save is shown below it.
    if (failure)
        setError(*failure);
    if (anyGroup) {
        std::vector<CleanupEntry> previous = m_queue;
        std::vector<CleanupEntry> all = previous;
        all.insert(all.end(), staged.begin(), staged.end());
        setQueue(CleanupEntry::normalized(all));
        persistState();
        reportAddedToCleanup(staged, previous);
    }
}

void AppModel::uninstall(const InstalledApplication& app) {
    if (m_cleaning || m_staging)
        return;
    std::vector<CleanupEntry> entries;
    try {
        entries = app.cleanupEntries(m_services.policy);
    } catch (const std::exception& error) {
        setError(errorDescription(error));
        return;
    }
    // The copies that queued duplicate entries keep go with every entry, so that the run refuses to move
    // a kept copy that lies in the application's folders. An entry's own identity of a path stays.
    const std::map<std::string, FileIdentity> kept = queuedRetainedCopies();
    for (CleanupEntry& entry : entries)
        entry.retainedCopies.insert(kept.begin(), kept.end());
    prepareCleanupReview(entries, app.name);
}

} // namespace ambertrove
