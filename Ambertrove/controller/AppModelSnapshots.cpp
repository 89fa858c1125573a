#include "controller/AppModel.hpp"

#include "base/PathText.hpp"
#include "controller/ErrorText.hpp"

#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>

#include <exception>
#include <future>
#include <optional>
#include <variant>

namespace ambertrove {

namespace {

QDateTime localTime(Date date) {
    return QDateTime::fromMSecsSinceEpoch(qint64(date.unixSeconds() * 1000.0));
}

// The short time of the locale ("12:00 PM").
QString shortTime(const QLocale& locale, const QDateTime& time) {
    return locale.toString(time.time(), QLocale::ShortFormat);
}

// A month by its short name, the day and the whole year, in the locale's order ("Mar 1, 2024"), then the
// short time.
QString abbreviatedDateTime(Date date) {
    const QLocale locale;
    const QDateTime time = localTime(date);
    QString format = locale.dateFormat(QLocale::LongFormat);
    // The long form without its weekday, its month name shortened.
    static const QRegularExpression weekday(QStringLiteral("d{4}[^dMy]*"));
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return locale.toString(time.date(), format.trimmed()) + QStringLiteral(", ") + shortTime(locale, time);
}

// The numeric date with the whole year ("3/1/2024"), then the short time.
QString numericDateTime(Date date) {
    const QLocale locale;
    const QDateTime time = localTime(date);
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(time.date(), format) + QStringLiteral(", ") + shortTime(locale, time);
}

// A job that was stopped: it has nothing to show and nothing to tell.
struct Cancelled {};

// A job's value, the description of its failure, or its stop.
template <typename T> using Outcome = std::variant<T, QString, Cancelled>;

template <typename T, typename Work> Outcome<T> attempt(Work&& work) {
    try {
        return Outcome<T>(std::in_place_index<0>, work());
    } catch (const CancellationError&) {
        return Outcome<T>(std::in_place_index<2>);
    } catch (const std::exception& failure) {
        return Outcome<T>(std::in_place_index<1>, errorDescription(failure));
    }
}

template <typename T> bool wasCancelled(const Outcome<T>& outcome) {
    return std::holds_alternative<Cancelled>(outcome);
}

// What a saved-scan job polls: its own stop flag.
TaskCancellation polling(std::shared_ptr<CancellationFlag> flag) {
    return TaskCancellation([flag = std::move(flag)] { return flag->isCancelled(); });
}

} // namespace

std::optional<std::uint64_t> AppModel::beginSnapshot(const QString& status) {
    if (m_snapshotBusy || m_scanning || m_cleaning)
        return std::nullopt;
    m_snapshotGeneration = newGeneration();
    m_snapshotCancellation = std::make_shared<CancellationFlag>();
    setSnapshotBusy(true);
    setSnapshotStatus(status);
    return m_snapshotGeneration;
}

void AppModel::endSnapshot() {
    setSnapshotBusy(false);
    setSnapshotStatus(QString());
}

void AppModel::readSnapshotCatalogLater(std::function<void(const std::optional<QString>& failure)> done) {
    m_stateWriter->add([model = this, read = m_services.snapshotCatalog, store = m_store,
                        done = std::move(done)]() -> JobRunner::Apply {
        Outcome<std::shared_ptr<SnapshotCatalog>> outcome = attempt<std::shared_ptr<SnapshotCatalog>>(
            [&] { return std::make_shared<SnapshotCatalog>(read(store)); });
        return [model, done, outcome = std::move(outcome)] {
            if (const QString* failure = std::get_if<QString>(&outcome)) {
                done(*failure);
                return;
            }
            if (wasCancelled(outcome))
                return;
            model->applySnapshotCatalog(std::move(*std::get<0>(outcome)));
            done(std::nullopt);
        };
    });
}

void AppModel::refreshSnapshots() {
    if (m_snapshotBusy)
        return;
    readSnapshotCatalogLater([model = this](const std::optional<QString>& failure) {
        if (failure)
            model->setError(QString::fromUtf8(kSavedScansPrefix) + *failure);
    });
}

void AppModel::saveSnapshot() {
    if (!m_snapshotsEnabled || !m_scan)
        return;
    const std::optional<std::uint64_t> generation = beginSnapshot(QStringLiteral("Saving snapshot…"));
    if (!generation)
        return;
    m_runner->start(JobKind::longJob,
                    [model = this, generation = *generation, save = m_services.saveSnapshot, store = m_store,
                     scan = m_scan]() mutable -> JobRunner::Apply {
                        const std::optional<DiskNode> root = scan->root();
                        const std::string title = root ? root->name() : std::string("Scan");
                        Outcome<SnapshotRecord> outcome =
                            attempt<SnapshotRecord>([&] { return save(store, *scan, title); });
                        return [model, generation, outcome = std::move(outcome)] {
                            if (model->m_snapshotGeneration != generation)
                                return;
                            if (const QString* failure = std::get_if<QString>(&outcome)) {
                                model->endSnapshot();
                                model->setError(*failure);
                                return;
                            }
                            if (wasCancelled(outcome)) {
                                model->endSnapshot();
                                return;
                            }
                            // The slot stays taken until the catalog shows the new scan.
                            model->readSnapshotCatalogLater(
                                [model, generation](const std::optional<QString>& failure) {
                                    if (model->m_snapshotGeneration != generation)
                                        return;
                                    if (!failure)
                                        model->setNotice(QStringLiteral("Snapshot saved."));
                                    model->endSnapshot();
                                    if (failure)
                                        model->setError(*failure);
                                });
                        };
                    });
}

void AppModel::compareSnapshot(const SnapshotRecord& record) {
    if (!m_scan) {
        setError(QStringLiteral("Scan ") + QString::fromStdString(record.rootPath) +
                 QStringLiteral(" first, then compare."));
        return;
    }
    const std::optional<std::uint64_t> generation = beginSnapshot(QStringLiteral("Comparing snapshots…"));
    if (!generation)
        return;
    m_runner->start(
        JobKind::longJob,
        [model = this, generation = *generation, load = m_services.loadSnapshot,
         compare = m_services.compareSnapshots, store = m_store, scan = m_scan, record, logical = m_logical,
         cancellation = polling(m_snapshotCancellation)]() -> JobRunner::Apply {
            Outcome<std::vector<SnapshotChange>> outcome = attempt<std::vector<SnapshotChange>>(
                [&] { return compare(load(store, record, cancellation), *scan, logical, cancellation); });
            return
                [model, generation, outcome = std::move(outcome), record, root = scan->rootPath]() mutable {
                    if (model->m_snapshotGeneration != generation)
                        return;
                    if (const QString* failure = std::get_if<QString>(&outcome)) {
                        model->endSnapshot();
                        model->setError(*failure);
                        return;
                    }
                    if (wasCancelled(outcome)) {
                        model->endSnapshot();
                        return;
                    }
                    // Moved, not copied: a large tree's changes are hundreds of thousands.
                    model->setChanges(std::move(std::get<0>(outcome)));
                    model->setComparisonTitle(abbreviatedDateTime(record.createdAt) +
                                              QStringLiteral(" → current scan"));
                    model->setComparisonRoot(root);
                    model->endSnapshot();
                };
        });
}

void AppModel::openSnapshot(const SnapshotRecord& record) {
    const std::optional<std::uint64_t> generation = beginSnapshot(QStringLiteral("Opening saved scan…"));
    if (!generation)
        return;
    // The saved scan replaces whatever scan or duplicate search came before it.
    m_scanCancellation->cancel();
    m_duplicateCancellation->cancel();
    m_duplicateGeneration = newGeneration();
    m_scanGeneration = newGeneration();
    const std::uint64_t scanGeneration = m_scanGeneration;
    setFindingDuplicates(false);
    setDuplicateAfterScan(false);
    setDuplicateReport(nullptr);
    setDuplicateScopePath(std::nullopt);

    struct Opened {
        ScanResultPtr scan;
        ScanPresentation presentation;
    };
    m_runner->start(
        JobKind::longJob,
        [model = this, generation = *generation, scanGeneration, load = m_services.loadSnapshot,
         present = m_services.presentation, store = m_store, record,
         cancellation = polling(m_snapshotCancellation)]() -> JobRunner::Apply {
            Outcome<std::shared_ptr<const Opened>> outcome = attempt<std::shared_ptr<const Opened>>([&] {
                auto scan = std::make_shared<const ScanResult>(load(store, record, cancellation));
                ScanPresentation presentation = present(*scan, cancellation);
                cancellation.check();
                return std::make_shared<const Opened>(Opened{std::move(scan), std::move(presentation)});
            });
            return [model, generation, scanGeneration, outcome = std::move(outcome)] {
                if (wasCancelled(outcome)) {
                    if (model->m_snapshotGeneration == generation)
                        model->endSnapshot();
                    return;
                }
                if (const QString* failure = std::get_if<QString>(&outcome)) {
                    if (model->m_snapshotGeneration != generation)
                        return;
                    model->endSnapshot();
                    // A saved scan that became unreadable shows up among the catalog's issues; the
                    // loading failure is the one told.
                    model->readSnapshotCatalogLater([](const std::optional<QString>&) {});
                    model->setError(*failure);
                    return;
                }
                if (model->m_scanGeneration != scanGeneration || model->m_snapshotGeneration != generation)
                    return;
                const Opened& opened = *std::get<0>(outcome);
                model->installScan(opened.scan, opened.presentation, opened.scan->rootPath, true);
                model->setSection(AppSection::explore);
                model->setActiveQuickWin(std::nullopt);
                model->endSnapshot();
                model->setNotice(QStringLiteral("Viewing a saved snapshot. Rescan before staging cleanup."));
            };
        });
}

void AppModel::compareSavedSnapshots(const SnapshotRecord& record) {
    if (!m_beforeSnapshot) {
        setBeforeSnapshot(record);
        return;
    }
    const std::optional<std::uint64_t> generation = beginSnapshot(QStringLiteral("Comparing snapshots…"));
    if (!generation)
        return;
    m_runner->start(
        JobKind::longJob,
        [model = this, generation = *generation, load = m_services.loadSnapshot,
         compare = m_services.compareSnapshots, store = m_store, before = *m_beforeSnapshot, record,
         logical = m_logical, cancellation = polling(m_snapshotCancellation)]() -> JobRunner::Apply {
            Outcome<std::vector<SnapshotChange>> outcome = attempt<std::vector<SnapshotChange>>([&] {
                // The two saved scans load side by side; the earlier one's failure is told first. Both see
                // the job's cancellation, so the wait for the earlier one ends with it too.
                auto loadingEarlier =
                    std::async(std::launch::async, [&] { return load(store, before, cancellation); });
                std::optional<ScanResult> later;
                std::exception_ptr laterFailure;
                try {
                    later = load(store, record, cancellation);
                } catch (...) {
                    laterFailure = std::current_exception();
                }
                const ScanResult earlier = loadingEarlier.get();
                if (laterFailure)
                    std::rethrow_exception(laterFailure);
                return compare(earlier, *later, logical, cancellation);
            });
            return [model, generation, outcome = std::move(outcome), before, record]() mutable {
                if (model->m_snapshotGeneration != generation)
                    return;
                if (const QString* failure = std::get_if<QString>(&outcome)) {
                    model->endSnapshot();
                    model->setError(*failure);
                    return;
                }
                if (wasCancelled(outcome)) {
                    model->endSnapshot();
                    return;
                }
                // Moved, not copied: a large tree's changes are hundreds of thousands.
                model->setChanges(std::move(std::get<0>(outcome)));
                model->setComparisonTitle(numericDateTime(before.createdAt) + QStringLiteral(" → ") +
                                          numericDateTime(record.createdAt));
                model->setComparisonRoot(before.rootPath);
                model->endSnapshot();
            };
        });
}

void AppModel::deleteSnapshot(const SnapshotRecord& record) {
    if (m_snapshotBusy)
        return;
    // On the state thread, in its turn with the saves and catalog reads.
    m_stateWriter->add([model = this, remove = m_services.removeSnapshot, read = m_services.snapshotCatalog,
                        store = m_store, record]() -> JobRunner::Apply {
        Outcome<std::shared_ptr<SnapshotCatalog>> outcome = attempt<std::shared_ptr<SnapshotCatalog>>([&] {
            remove(store, record);
            return std::make_shared<SnapshotCatalog>(read(store));
        });
        return [model, outcome = std::move(outcome)] {
            if (const QString* failure = std::get_if<QString>(&outcome)) {
                model->setError(*failure);
                return;
            }
            if (wasCancelled(outcome))
                return;
            model->applySnapshotCatalog(std::move(*std::get<0>(outcome)));
            model->setChanges({});
            model->setComparisonTitle(std::nullopt);
            model->setComparisonRoot(std::nullopt);
        };
    });
}

void AppModel::exportCSV(std::vector<std::string> paths) {
    if (!m_scan)
        return;
    exportTo(QStringLiteral("Ambertrove-files.csv"), QStringLiteral("CSV exported."),
             [write = m_services.exportCSV, scan = m_scan, paths = std::move(paths)](
                 const std::string& destination, const TaskCancellation& cancellation) {
                 write(paths, *scan, destination, cancellation);
             });
}

void AppModel::exportScan() {
    if (!m_scan)
        return;
    exportTo(QStringLiteral("Ambertrove-scan.json"), QStringLiteral("Scan exported."),
             [write = m_services.exportScan, scan = m_scan](const std::string& destination,
                                                            const TaskCancellation& cancellation) {
                 write(*scan, destination, cancellation);
             });
}

void AppModel::exportTo(const QString& proposedName, const QString& doneNotice,
                        std::function<void(const std::string&, const TaskCancellation&)> write) {
    // The panel answers later; the controller may be gone by then.
    m_platform->chooseSaveFile(
        proposedName, dialogHome(),
        [model = QPointer<AppModel>(this), doneNotice,
         write = std::move(write)](std::optional<std::string> destination) mutable {
            if (!model || !destination || destination->empty())
                return;
            model->m_runner->start(
                JobKind::longJob,
                [model = model.data(), doneNotice, write = std::move(write),
                 destination = std::move(*destination),
                 quitting = model->m_quitting.get_token()]() -> JobRunner::Apply {
                    Outcome<bool> outcome = attempt<bool>([&] {
                        write(destination, TaskCancellation(quitting));
                        return true;
                    });
                    return [model, doneNotice, destination, outcome = std::move(outcome)] {
                        // Only the controller's going stops an export, leaving no file: nothing to tell.
                        if (wasCancelled(outcome))
                            return;
                        if (const QString* failure = std::get_if<QString>(&outcome))
                            model->setError(failureAbout(QStringLiteral("write"), destination, *failure));
                        else
                            model->setNotice(doneNotice);
                    };
                });
        });
}

void AppModel::refreshTimeMachine() {
    setTimeMachineStatus(QStringLiteral("Reading local snapshots…"));
    m_runner->start(
        JobKind::longJob,
        [model = this, list = m_services.timeMachineSnapshots,
         quitting = m_quitting.get_token()]() -> JobRunner::Apply {
            Outcome<std::vector<std::string>> outcome =
                attempt<std::vector<std::string>>([&] { return list("/", TaskCancellation(quitting)); });
            // Only the controller's going stops the listing.
            if (wasCancelled(outcome))
                return {};
            return [model, outcome = std::move(outcome)] {
                if (const QString* failure = std::get_if<QString>(&outcome)) {
                    // The previous list stays; the command's own words say why.
                    model->setTimeMachineStatus(*failure);
                    return;
                }
                QStringList names;
                for (const std::string& name : std::get<0>(outcome))
                    names.push_back(QString::fromStdString(name));
                model->setTimeMachine(names);
                model->setTimeMachineStatus(
                    names.isEmpty() ? QStringLiteral("No local Time Machine snapshots found.")
                                    : QStringLiteral("macOS manages these separately from your files."));
            };
        });
}

} // namespace ambertrove
