#include "controller/AppModel.hpp"

#include "base/AmbertroveError.hpp"
#include "cleanup/CleanupJson.hpp"
#include "controller/ErrorText.hpp"

#include <QLocale>

#include <algorithm>
#include <unordered_set>

namespace ambertrove {

namespace {

constexpr int kMaxErrorLines = 8;

// `previous` followed by `staged`, one entry per top-most item.
std::vector<CleanupEntry> merged(const std::vector<CleanupEntry>& previous,
                                 const std::vector<CleanupEntry>& staged) {
    std::vector<CleanupEntry> all;
    all.reserve(previous.size() + staged.size());
    all.insert(all.end(), previous.begin(), previous.end());
    all.insert(all.end(), staged.begin(), staged.end());
    return CleanupEntry::normalized(all);
}

// Whether `path` or one of its ancestors, found by cutting the text at its slashes, is in `paths`.
bool coveredBy(std::string path, const std::unordered_set<std::string>& paths) {
    while (true) {
        if (paths.contains(path))
            return true;
        if (path == "/")
            return false;
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return false;
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
}

} // namespace

bool AppModel::canClean() const {
    return m_scan && !m_isHistorical && !m_scanning && !m_cleaning && !m_staging && !m_snapshotBusy;
}

std::int64_t AppModel::queueBytes() const {
    std::int64_t total = 0;
    for (const CleanupEntry& entry : m_queue)
        total = saturatingAdd(total, entry.node.allocatedSize);
    return total;
}

std::optional<std::optional<QString>> AppModel::cleanupRejection(const std::string& path) {
    // Answers hold for the scan they were found for; a bounded table, so a long session stays lean.
    constexpr std::size_t kMostAnswers = 4096;
    PolicyAnswers& cache = m_policyAnswers;
    if (cache.scan != m_scan.get() || cache.answers.size() >= kMostAnswers) {
        const bool keepPolicy = cache.scan == m_scan.get();
        cache.scan = m_scan.get();
        cache.generation = newGeneration();
        cache.answers.clear();
        cache.pending.clear();
        if (!keepPolicy)
            cache.policy.reset();
    }
    if (const auto found = cache.answers.find(path); found != cache.answers.end())
        return found->second;
    if (!cache.pending.insert(path).second)
        return std::nullopt;
    m_runner->start(JobKind::query,
                    [this, path, policy = cache.policy, makePolicy = m_services.policy,
                     generation = cache.generation]() -> JobRunner::Apply {
                        // Resolving the home folder and reading what the policy protects may wait on the
                        // disk.
                        std::shared_ptr<const CleanupPolicy> used = policy;
                        std::optional<QString> answer;
                        try {
                            if (!used)
                                used = std::make_shared<const CleanupPolicy>(makePolicy());
                            if (std::optional<std::string> sentence = used->rejection(path))
                                answer = QString::fromStdString(*sentence);
                        } catch (const std::exception& error) {
                            // A policy that cannot answer refuses: nothing is offered for cleanup that was
                            // not checked.
                            answer = errorDescription(error);
                        }
                        return [this, path, used, answer = std::move(answer), generation] {
                            PolicyAnswers& answers = m_policyAnswers;
                            if (answers.generation != generation)
                                return;
                            if (!answers.policy && used)
                                answers.policy = used;
                            answers.pending.erase(path);
                            answers.answers.insert_or_assign(path, answer);
                            emit policyAnswered();
                        };
                    });
    return std::nullopt;
}

void AppModel::stage(const std::vector<DiskNode>& nodes, const ScanResultPtr& source,
                     const std::string& reason) {
    if (m_cleaning || m_staging)
        return;
    // A source scan comes with its nodes (the applications screen stages a leftover of its own small
    // scan), so it is taken even while a saved scan is shown.
    if (!source && !canClean())
        return;
    const ScanResultPtr scan = source ? source : m_scan;

    const CleanupPolicy policy = m_services.policy();
    std::vector<CleanupEntry> staged;
    QStringList errors;
    for (const DiskNode& node : nodes) {
        try {
            staged.emplace_back(node, *scan, reason, policy);
        } catch (const std::exception& failure) {
            errors.push_back(QString::fromStdString(node.name()) + QStringLiteral(": ") +
                             errorDescription(failure));
        }
    }

    std::vector<CleanupEntry> previous = m_queue;
    setQueue(merged(previous, staged));
    persistState();
    reportAddedToCleanup(staged, previous);
    if (!errors.isEmpty())
        setError(errors.mid(0, kMaxErrorLines).join(u'\n'));
}

void AppModel::stagePaths(std::vector<std::string> paths, const std::string& reason) {
    if (!canClean() || paths.empty())
        return;
    const ScanResultPtr scan = m_scan;
    setStaging(true);
    auto flag = std::make_shared<CancellationFlag>();
    m_stagingCancellation = flag;
    std::vector<CleanupEntry> previous = m_queue;

    struct Staged {
        CleanupBatch batch;
        std::vector<CleanupEntry> queue;
        std::string queueData;
    };
    // What the worker hands back, applied on the GUI thread.
    const auto finish = [model = this, scan, flag](std::shared_ptr<const Staged> result,
                                                   std::optional<QString> failure,
                                                   const std::vector<CleanupEntry>& before) {
        // A stop asked for after the work was done still discards its result.
        if (!result && !failure)
            model->setNotice(QStringLiteral("Staging cancelled."));
        else if (failure)
            model->setError(*failure);
        else if (flag->isCancelled())
            model->setNotice(QStringLiteral("Staging cancelled."));
        else if (!model->m_scan || model->m_scan->id != scan->id || model->m_isHistorical ||
                 model->m_scanning || model->m_snapshotBusy)
            model->setNotice(QStringLiteral("Scan changed — stage these files again."));
        else {
            model->setQueue(result->queue);
            model->persistState(result->queueData);
            model->reportAddedToCleanup(result->batch.entries, before);
            if (!result->batch.errors.empty()) {
                QStringList lines;
                for (const std::string& line : result->batch.errors)
                    lines.push_back(QString::fromStdString(line));
                model->setError(lines.join(u'\n'));
            }
        }
        model->setStaging(false);
    };

    m_runner->start(JobKind::longJob,
                    [prepare = m_services.batch, paths = std::move(paths), scan, reason,
                     previous = std::move(previous), flag, finish]() -> JobRunner::Apply {
                        try {
                            auto result = std::make_shared<Staged>();
                            result->batch = prepare(paths, *scan, reason, *flag);
                            result->queue = merged(previous, result->batch.entries);
                            flag->check();
                            result->queueData = CleanupJson::encodeEntries(result->queue);
                            return [finish, result = std::shared_ptr<const Staged>(std::move(result)),
                                    previous] {
                                finish(result, std::nullopt, previous);
                            };
                        } catch (const CancellationError&) {
                            return [finish, previous] {
                                finish(nullptr, std::nullopt, previous);
                            };
                        } catch (const std::exception& failure) {
                            return [finish, text = errorDescription(failure), previous] {
                                finish(nullptr, text, previous);
                            };
                        }
                    });
}

std::optional<std::vector<CleanupEntry>> AppModel::duplicateEntries(const DuplicateGroup& group,
                                                                    const std::string& keeping,
                                                                    const CleanupPolicy& policy) const {
    const auto keeper = std::find_if(group.files.begin(), group.files.end(),
                                     [&](const DiskNode& file) { return file.path == keeping; });
    if (keeper == group.files.end())
        return std::nullopt;
    const std::string reason = "Duplicate · keeping " + keeper->name();
    std::vector<CleanupEntry> staged;
    for (auto file = group.files.begin(); file != group.files.end(); ++file) {
        if (file == keeper)
            continue;
        CleanupEntry entry(*file, *m_scan, reason, policy);
        entry.retainedCopies = {{keeper->path, keeper->identity}};
        staged.push_back(std::move(entry));
    }
    return staged;
}

void AppModel::stageDuplicates(const DuplicateGroup& group, const std::string& keeping) {
    if (!canClean() || !m_scan)
        return;
    std::optional<std::vector<CleanupEntry>> staged;
    try {
        staged = duplicateEntries(group, keeping, m_services.policy());
    } catch (const std::exception& failure) {
        setError(errorDescription(failure));
        return;
    }
    if (!staged)
        return;

    std::vector<CleanupEntry> previous = m_queue;
    setQueue(merged(previous, *staged));
    persistState();
    reportAddedToCleanup(*staged, previous);
}

void AppModel::removeFromQueue(const std::string& path) {
    if (m_staging || m_cleaning)
        return;
    std::vector<CleanupEntry> rest = m_queue;
    std::erase_if(rest, [&](const CleanupEntry& entry) { return entry.node.path == path; });
    setQueue(std::move(rest));
    persistState();
}

void AppModel::persistState(const std::optional<std::string>& queueData) {
    // The state as it is now, by value: the GUI thread goes on changing its own.
    StateFiles::State state{m_queue, queueData, m_receipts, m_backups};
    m_stateWriter->save([model = this, files = &m_stateFiles, save = m_services.saveState,
                         state = std::move(state)]() -> JobRunner::Apply {
        try {
            save(*files, state);
            return {};
        } catch (const std::exception& failure) {
            return [model, text = errorDescription(failure)] {
                model->appendError(QStringLiteral("Could not save cleanup state: ") + text);
            };
        }
    });
}

void AppModel::reportAddedToCleanup(const std::vector<CleanupEntry>& staged,
                                    const std::vector<CleanupEntry>& previous) {
    if (staged.empty())
        return;
    std::unordered_set<std::string> queued;
    for (const CleanupEntry& entry : previous)
        queued.insert(entry.node.path);
    const auto added = std::count_if(staged.begin(), staged.end(), [&](const CleanupEntry& entry) {
        return !coveredBy(entry.node.path, queued);
    });

    setNotice(std::nullopt);
    TroveToast toast;
    toast.action = TroveToastAction::cleanup;
    toast.actionTitle = QStringLiteral("Cleanup now");
    if (added > 0) {
        toast.title = QStringLiteral("Added to Cleanup");
        toast.detail = QLocale().toString(qint64(added)) + QStringLiteral(" item") +
                       (added == 1 ? QString() : QStringLiteral("s"));
    } else {
        toast.title = QStringLiteral("Already in Cleanup");
    }
    // No timer: it stays until it is replaced, dismissed or acted on.
    setToast(std::move(toast));
}

void AppModel::appendError(const QString& text) {
    if (m_error && !m_error->isEmpty())
        setError(*m_error + u'\n' + text);
    else
        setError(text);
}

} // namespace ambertrove
