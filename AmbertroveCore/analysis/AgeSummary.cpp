#include "analysis/AgeSummary.hpp"

#include "analysis/CancellationPoints.hpp"

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

    void add(std::string path, const FileFigures& f) {
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
        m_summary.entries.push_back({std::move(path), f.bytes, range, month, untouched});
    }

    AgeSummary finish(const TaskCancellation& cancellation) {
        CancellationPoints points(cancellation);
        std::stable_sort(m_summary.entries.begin(), m_summary.entries.end(),
                         [&](const AgeSummary::Entry& a, const AgeSummary::Entry& b) {
                             points.compare();
                             if (a.bytes != b.bytes)
                                 return a.bytes > b.bytes;
                             return a.path < b.path;
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
    return make(
        scan, [&](const NodeVisitor& visit) { query.forEach(scan, focus, true, now, visit, cancellation); },
        query.logical, now, calendar, cancellation);
}

AgeSummary AgeSummary::make(const ScanResult& scan, const Traversal& matchingNodes, bool logical, Date now,
                            const Calendar& calendar, const TaskCancellation& cancellation) {
    Builder builder(now, calendar);
    const NodeTable& table = scan.nodes;
    matchingNodes([&](NodeIndex i) {
        if (!table.isNode(i))
            return;
        const NodeTable::NodeRef r = table[i];
        if (r.isDirectory())
            return;
        builder.add(table.nodePath(i),
                    {false, r.logicalSize(), r.bytes(logical), r.modifiedDate(), r.accessedDate()});
    });
    return builder.finish(cancellation);
}

AgeSummary AgeSummary::make(std::span<const DiskNode> nodes, bool logical, Date now, const Calendar& calendar,
                            const TaskCancellation& cancellation) {
    Builder builder(now, calendar);
    CancellationPoints points(cancellation);
    for (const DiskNode& n : nodes) {
        points.visit();
        builder.add(n.path, {n.isDirectory, n.logicalSize, n.bytes(logical), n.modified, n.accessed});
    }
    return builder.finish(cancellation);
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
        result.paths.push_back(e.path);
        result.bytes = saturatingAdd(result.bytes, e.bytes);
    }
    points.check();
    return result;
}

} // namespace ambertrove
