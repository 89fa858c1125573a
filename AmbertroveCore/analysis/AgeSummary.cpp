#include "analysis/AgeSummary.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/PathOrder.hpp"

#include <algorithm>

namespace ambertrove {

namespace {

// Months of the calendar already asked for, so that a scan of millions of files asks the calendar once per
// month it spans rather than once per file.
class MonthLookup {
public:
    explicit MonthLookup(const Calendar& calendar)
        : m_calendar(calendar) {}

    ModificationMonth operator()(Date date) {
        const double t = date.unixSeconds();
        auto it = std::upper_bound(m_known.begin(), m_known.end(), t,
                                   [](double value, const Calendar::Month& m) { return value < m.start; });
        if (it != m_known.begin() && t < std::prev(it)->end)
            return {std::prev(it)->year, std::prev(it)->month};
        const std::optional<Calendar::Month> month = m_calendar.monthContaining(date);
        if (!month)
            return ModificationMonth{};
        if (month->start < month->end)
            m_known.insert(it, *month);
        return {month->year, month->month};
    }

private:
    const Calendar& m_calendar;
    std::vector<Calendar::Month> m_known; // by start, not overlapping
};

struct FileFigures {
    bool isDirectory;
    std::int64_t logicalSize;
    std::int64_t bytes;
    Date modified;
    Date accessed;
};

class Builder {
public:
    Builder(Date now, const Calendar& calendar)
        : m_now(now)
        , m_months(calendar) {}

    void add(NodeIndex file, const FileFigures& f) {
        if (f.isDirectory)
            return;
        const AgeRange range = ageRangeContaining(f.modified, m_now);
        const ModificationMonth month = m_months(f.modified);
        auto& total = m_summary.totals[static_cast<std::size_t>(rawValue(range))];
        total = saturatingAdd(total, f.bytes);
        auto& monthTotal = m_summary.months[month];
        monthTotal = saturatingAdd(monthTotal, f.bytes);
        const bool untouched = f.logicalSize >= AgeSummary::kUntouchedBytes &&
                               m_now.secondsSince(f.modified) > AgeSummary::kUntouchedSeconds &&
                               m_now.secondsSince(f.accessed) > AgeSummary::kUntouchedSeconds;
        m_summary.entries.push_back({file, f.bytes, range, month, untouched});
    }

    void reserve(std::size_t files) { m_summary.entries.reserve(files); }
    [[nodiscard]] const std::vector<AgeSummary::Entry>& entries() const { return m_summary.entries; }

    // Sorts the entries largest first, equal sizes by `pathLess` of their files, and hands the summary over.
    template <typename PathLess> AgeSummary finish(PathLess&& pathLess, CancellationPoints& points) {
        std::stable_sort(m_summary.entries.begin(), m_summary.entries.end(),
                         [&](const AgeSummary::Entry& a, const AgeSummary::Entry& b) {
                             points.compare();
                             if (a.bytes != b.bytes)
                                 return a.bytes > b.bytes;
                             return pathLess(a.file, b.file);
                         });
        points.check();
        return std::move(m_summary);
    }

private:
    Date m_now;
    MonthLookup m_months;
    AgeSummary m_summary;
};

} // namespace

AgeSummary AgeSummary::make(const ScanResult& scan, std::string_view focus, const ScanQuery& query, Date now,
                            const Calendar& calendar, const TaskCancellation& cancellation) {
    const NodeIndex at = scan.nodes.find(focus);
    const std::int64_t files = at == kNoNode ? 0 : scan.nodes[at].fileCount();
    return make(
        scan, [&](const NodeVisitor& visit) { query.forEach(scan, focus, true, now, visit, cancellation); },
        query.logical, now, calendar, cancellation, std::size_t(std::max<std::int64_t>(files, 0)));
}

AgeSummary AgeSummary::make(const ScanResult& scan, const Traversal& matchingNodes, bool logical, Date now,
                            const Calendar& calendar, const TaskCancellation& cancellation,
                            std::size_t expectedFiles) {
    Builder builder(now, calendar);
    // One block for a large folder's entries rather than a series of doublings: the memory of a block
    // this large goes back to the system when the summary goes, where the pieces of a series would stay
    // with the allocator.
    builder.reserve(expectedFiles);
    const NodeTable& table = scan.nodes;
    matchingNodes([&](NodeIndex i) {
        if (!table.isNode(i))
            return;
        const NodeTable::NodeRef r = table[i];
        if (r.isDirectory())
            return;
        builder.add(i, {false, r.logicalSize(), r.bytes(logical), r.modifiedDate(), r.accessedDate()});
    });
    // Equal sizes are many (every empty file): their paths are compared through the tree, or by one
    // number each once the files are ranked in path order, never by building the paths.
    CancellationPoints points(cancellation);
    PathOrder order(table);
    const std::vector<AgeSummary::Entry>& entries = builder.entries();
    if (PathOrder::ranksPayOff(entries.size(), table.recordCount())) {
        std::vector<NodeIndex> files;
        files.reserve(entries.size());
        for (const AgeSummary::Entry& e : entries)
            files.push_back(e.file);
        order.rank(files, points);
    }
    return builder.finish([&](NodeIndex a, NodeIndex b) { return order.less(a, b); }, points);
}

AgeSummary AgeSummary::make(std::span<const DiskNode> nodes, bool logical, Date now, const Calendar& calendar,
                            const TaskCancellation& cancellation) {
    Builder builder(now, calendar);
    CancellationPoints points(cancellation);
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        points.visit();
        const DiskNode& n = nodes[k];
        builder.add(NodeIndex(k), {n.isDirectory, n.logicalSize, n.bytes(logical), n.modified, n.accessed});
    }
    CancellationPoints sorting(cancellation);
    return builder.finish([&](NodeIndex a, NodeIndex b) { return nodes[a].path < nodes[b].path; }, sorting);
}

AgeListing AgeSummary::listing(std::optional<AgeRange> range, std::optional<ModificationMonth> month,
                               const TaskCancellation& cancellation) const {
    AgeListing result;
    CancellationPoints points(cancellation);
    for (const Entry& e : entries) {
        points.visit();
        const bool listed = month ? e.month == *month : range ? e.range == *range : e.untouched;
        if (!listed)
            continue;
        result.files.push_back(e.file);
        result.bytes = saturatingAdd(result.bytes, e.bytes);
    }
    points.check();
    return result;
}

} // namespace ambertrove
