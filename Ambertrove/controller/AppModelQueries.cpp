#include "controller/AppModel.hpp"

#include "model/Formatting.hpp"

#include <QHash>
#include <QTimer>

#include <algorithm>

namespace ambertrove {

namespace {

// At most this many folders of one scan keep their computed category totals.
constexpr std::size_t kFolderTypeCacheSize = 8;

} // namespace

ScanQuery AppModel::queryFilter() const {
    return ScanQuery{m_filter.toStdString(), m_showHidden,         m_minimumBytes,
                     m_categoryFilter,       m_modifiedBeforeDays, m_logical};
}

Date AppModel::now() const {
    return m_clock->now();
}

bool AppModel::matches(const DiskNode& node) const {
    // The core's rule, so that a single node and the views' listings never disagree; the present moment
    // is taken at each call.
    return queryFilter().matches(node, m_clock->now());
}

std::vector<DiskNode> AppModel::currentChildren() const {
    std::vector<DiskNode> children;
    for (const NodeIndex child : currentChildIndices())
        children.push_back(m_scan->nodes.makeNode(child));
    return children;
}

std::vector<NodeIndex> AppModel::currentChildIndices() const {
    const NodeIndex folder = focusIndex();
    if (folder == kNoNode)
        return {};
    const ScanQueryFilter test(queryFilter(), m_clock->now());
    return m_scan->childIndices(folder, m_logical,
                                [&](NodeIndex child) { return test.matches(m_scan->nodes, child); });
}

std::vector<ActiveExplorerFilter> AppModel::activeFilters() const {
    std::vector<ActiveExplorerFilter> chips;
    // The text is not trimmed: blanks are a filter too.
    if (!m_filter.isEmpty())
        chips.push_back({ExplorerFilterID::name, QStringLiteral("Name: ") + m_filter});
    if (!m_showHidden)
        chips.push_back({ExplorerFilterID::hidden, QStringLiteral("Hidden files excluded")});
    if (m_minimumBytes >= 1)
        chips.push_back({ExplorerFilterID::size,
                         QString::fromStdString(formattedBytes(m_minimumBytes)) + QLatin1Char('+')});
    if (m_categoryFilter) {
        const std::string_view title = rawValue(*m_categoryFilter);
        chips.push_back({ExplorerFilterID::type, QString::fromUtf8(title.data(), qsizetype(title.size()))});
    }
    if (m_modifiedBeforeDays >= 1) {
        const QString age = m_modifiedBeforeDays == 365 ? QStringLiteral("1 year")
                            : m_modifiedBeforeDays == 730
                                ? QStringLiteral("2 years")
                                : QString::number(m_modifiedBeforeDays) + QStringLiteral(" days");
        chips.push_back({ExplorerFilterID::age, QStringLiteral("Older than ") + age});
    }
    return chips;
}

void AppModel::removeFilter(ExplorerFilterID id) {
    switch (id) {
    case ExplorerFilterID::name:
        setFilter(QString());
        break;
    case ExplorerFilterID::hidden:
        setShowHidden(true);
        break;
    case ExplorerFilterID::size:
        setMinimumBytes(0);
        break;
    case ExplorerFilterID::type:
        setCategoryFilter(std::nullopt);
        break;
    case ExplorerFilterID::age:
        setModifiedBeforeDays(0);
        break;
    }
}

void AppModel::clearFilters() {
    for (const ExplorerFilterID id : allCases<ExplorerFilterID>())
        removeFilter(id);
}

std::optional<QuickWin> AppModel::visibleWin() const {
    if (!m_activeQuickWin)
        return std::nullopt;
    const auto found = std::find_if(m_quickWins.begin(), m_quickWins.end(),
                                    [&](const QuickWin& win) { return win.kind == *m_activeQuickWin; });
    if (found == m_quickWins.end())
        return std::nullopt;
    return *found;
}

ExplorerQueryKey AppModel::queryKey(const QString& scope) const {
    // Built at every view update: the focus is found without making its node.
    const NodeIndex focused = focusIndex();
    return ExplorerQueryKey{m_scan ? std::optional<Uuid>(m_scan->id) : std::nullopt,
                            focused != kNoNode ? m_scan->nodes.path(focused) : std::string(), queryFilter(),
                            scope};
}

void AppModel::runQuery(std::stop_token caller,
                        std::function<JobRunner::Apply(const TaskCancellation&)> work) {
    if (caller.stop_requested())
        return;
    // The pause runs on the GUI thread's monotonic timers, so a burst of requests (typing in the search
    // field) starts no work until the input rests: each new request stops the previous one meanwhile.
    QTimer::singleShot(m_timing.queryPause, Qt::PreciseTimer, this, [this, caller, work = std::move(work)] {
        if (caller.stop_requested())
            return;
        // The view stops its own queries; the controller stops them all as it goes, whatever view asked (a
        // view may outlive its window, or have let its request run on).
        const TaskCancellation cancellation([caller, quitting = m_quitting.get_token()] {
            return caller.stop_requested() || quitting.stop_requested();
        });
        m_runner->start(JobKind::query, [caller, work, cancellation]() -> JobRunner::Apply {
            if (cancellation.isCancelled())
                return {};
            JobRunner::Apply apply = work(cancellation);
            // Checked once more on the GUI thread: a value that arrives after the caller stopped is dropped.
            return [caller, apply = std::move(apply)] {
                if (!caller.stop_requested() && apply)
                    apply();
            };
        });
    });
}

void AppModel::refreshFolderTypes() {
    if (m_folderTypeTask) {
        m_folderTypeTask->request_stop();
        m_folderTypeTask.reset();
    }
    if (!m_scan || !m_focusPath)
        return;
    if (*m_focusPath == m_scan->rootPath) {
        setFolderTypes(m_rootFolderTypes);
        return;
    }
    std::string key = m_scan->id.text() + *m_focusPath;
    // A hit leaves the entry where it is: the order is the order of computation.
    for (const auto& [cached, totals] : m_folderTypeCache) {
        if (cached == key) {
            setFolderTypes(totals);
            return;
        }
    }
    // The views show no breakdown while the folder's totals are computed.
    setFolderTypes({});
    std::stop_source task;
    m_folderTypeTask = task;
    using Folders = std::map<std::string, FileTypeTotals>;
    backgroundQuery<Folders>(
        task.get_token(),
        [scan = m_scan, focus = *m_focusPath,
         distribution = m_services.distribution](const TaskCancellation& cancellation) {
            return distribution(*scan, focus, cancellation).folders;
        },
        [this, scanID = m_scan->id, focus = *m_focusPath, key = std::move(key)](Folders folders) {
            if (!m_scan || m_scan->id != scanID || m_focusPath != focus)
                return;
            m_folderTypeTask.reset();
            setFolderTypes(folders);
            m_folderTypeCache.insert(m_folderTypeCache.begin(), {key, std::move(folders)});
            if (m_folderTypeCache.size() > kFolderTypeCacheSize)
                m_folderTypeCache.pop_back();
        });
}

} // namespace ambertrove

std::size_t
std::hash<ambertrove::ExplorerQueryKey>::operator()(const ambertrove::ExplorerQueryKey& key) const noexcept {
    // The four fields in order, an absent scan as the marker 0 and a present one as 1 and its bytes.
    std::size_t seed = 0;
    auto mix = [&seed](std::size_t value) {
        seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    mix(key.scanID ? 1 : 0);
    if (key.scanID) {
        for (const std::uint8_t byte : key.scanID->bytes)
            mix(byte);
    }
    mix(std::hash<std::string>()(key.focus));
    mix(std::hash<ambertrove::ScanQuery>()(key.filter));
    mix(qHash(key.scope));
    return seed;
}
