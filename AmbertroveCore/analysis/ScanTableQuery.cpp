#include "analysis/ScanTableQuery.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/LocalizedOrder.hpp"
#include "analysis/NodeDisplay.hpp"
#include "analysis/OrderedBits.hpp"
#include "analysis/PathCache.hpp"
#include "analysis/PathOrder.hpp"

#include <algorithm>
#include <array>

namespace ambertrove {

namespace {

// Every text the kind column can show.
constexpr std::array<std::string_view, 10> kKindNames = {
    "Symbolic link", "Application", "Folder",    "Video",   "Audio",
    "Image",         "Document",    "Developer", "Archive", "Other"};

// One row of the sort: its key as an ordered 64-bit number (for a name, the first 16 bytes of its
// collation key; the rest is compared only when those agree), inverted for a descending sort, and the
// row's position in the visiting order.
struct SortRow {
    std::uint64_t key;
    std::uint64_t key2; // bytes 8 to 15 of a collation key
    std::uint32_t slot;
};

// Rows and their keys: numbers (sizes, counts, the rank of a kind text), dates, or collation keys of
// names, which compare byte-wise as the names compare in the localized order.
class SortKeys {
public:
    SortKeys(const NodeTable& nodes, const std::vector<NodeIndex>& rows, ScanSortField field, bool ascending,
             const std::string& locale, CancellationPoints& points)
        : m_ascending(ascending) {
        m_rows.reserve(rows.size());
        const auto add = [&](std::uint64_t key, std::uint64_t key2 = 0) {
            m_rows.push_back({ascending ? key : ~key, ascending ? key2 : ~key2,
                              static_cast<std::uint32_t>(m_rows.size())});
        };
        switch (field) {
        case ScanSortField::name: {
            const LocalizedOrder order(locale);
            m_offsets.reserve(rows.size() + 1);
            m_text.reserve(rows.size() * 24);
            m_offsets.push_back(0);
            for (NodeIndex i : rows) {
                points.visit();
                const std::size_t start = m_text.size();
                order.appendSortKey(nodes.name(i), m_text);
                m_offsets.push_back(m_text.size());
                const auto bytes = [&](std::size_t from) {
                    std::uint64_t value = 0;
                    for (std::size_t k = from; k < from + 8; ++k)
                        value =
                            value << 8 |
                            (start + k < m_text.size() ? static_cast<unsigned char>(m_text[start + k]) : 0);
                    return value;
                };
                add(bytes(0), bytes(8));
            }
            break;
        }
        case ScanSortField::kindName: {
            const LocalizedOrder order(locale);
            std::array<std::int64_t, kKindNames.size()> rank{};
            for (std::size_t k = 0; k < kKindNames.size(); ++k)
                for (std::size_t other = 0; other < kKindNames.size(); ++other)
                    if (order.compare(kKindNames[other], kKindNames[k]) < 0)
                        ++rank[k];
            for (NodeIndex i : rows) {
                points.visit();
                const std::string_view kind = NodeDisplay::kindName(nodes, i);
                const auto k = std::find(kKindNames.begin(), kKindNames.end(), kind) - kKindNames.begin();
                add(orderedBits(rank[static_cast<std::size_t>(k)]));
            }
            break;
        }
        case ScanSortField::modified:
            for (NodeIndex i : rows)
                add(orderedBits(nodes[i].modified()));
            break;
        case ScanSortField::allocatedSize:
        case ScanSortField::logicalSize:
        case ScanSortField::itemCount:
            for (NodeIndex i : rows) {
                const NodeTable::NodeRef r = nodes[i];
                add(orderedBits(field == ScanSortField::allocatedSize ? r.allocatedSize()
                                : field == ScanSortField::logicalSize ? r.logicalSize()
                                                                      : NodeDisplay::itemCount(nodes, i)));
            }
            break;
        }
    }

    [[nodiscard]] std::vector<SortRow>& rows() { return m_rows; }

    // Negative, zero or positive as row a comes before, ties with or comes after row b.
    [[nodiscard]] int compare(const SortRow& a, const SortRow& b) const {
        if (a.key != b.key)
            return a.key < b.key ? -1 : 1;
        if (a.key2 != b.key2)
            return a.key2 < b.key2 ? -1 : 1;
        if (m_offsets.empty())
            return 0;
        const std::string_view ka = tail(a.slot), kb = tail(b.slot);
        const int c = ka.compare(kb);
        return m_ascending ? c : -c;
    }

private:
    // A collation key after its first 16 bytes.
    [[nodiscard]] std::string_view tail(std::uint32_t slot) const {
        const std::size_t start = m_offsets[slot] + 16, end = m_offsets[slot + 1];
        return start < end ? std::string_view(m_text.data() + start, end - start) : std::string_view();
    }

    bool m_ascending;
    std::vector<SortRow> m_rows;
    std::string m_text;
    std::vector<std::size_t> m_offsets;
};

} // namespace

std::vector<NodeIndex> ScanTableQuery::sortedIndices(const ScanResult& scan, std::string_view focus,
                                                     bool recursive,
                                                     const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    const std::vector<NodeIndex> rows = query.indices(scan, focus, recursive, Date::now(), cancellation);
    SortKeys keys(nodes, rows, field, ascending, locale, points);
    std::vector<SortRow>& order = keys.rows();
    std::sort(order.begin(), order.end(), [&](const SortRow& a, const SortRow& b) {
        points.compare();
        return keys.compare(a, b) < 0;
    });

    // Rows with equal keys come in ascending path order, whatever the direction. Only the tied rows
    // have their paths ranked, and each run of them is sorted by that rank.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    std::vector<bool> isTied(rows.size(), false);
    std::size_t tiedCount = 0;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first + 1;
        while (last < order.size() && keys.compare(order[first], order[last]) == 0)
            ++last;
        if (last - first > 1) {
            runs.emplace_back(first, last);
            for (std::size_t k = first; k < last; ++k)
                isTied[order[k].slot] = true;
            tiedCount += last - first;
        }
        first = last;
    }
    // The tied rows in visiting order, which reads the table far more locally than the sorted order.
    std::vector<NodeIndex> tied;
    tied.reserve(tiedCount);
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (isTied[k])
            tied.push_back(rows[k]);
    PathOrder pathOrder(nodes);
    if (PathOrder::ranksPayOff(tied.size(), nodes.recordCount()))
        pathOrder.rank(tied, points);
    for (const auto& [first, last] : runs) {
        const auto begin = order.begin() + static_cast<std::ptrdiff_t>(first);
        const auto end = order.begin() + static_cast<std::ptrdiff_t>(last);
        // Within a run the key is spent: it becomes the path's rank, when every row of the run has one.
        bool allRanked = true;
        for (auto it = begin; it != end && allRanked; ++it)
            allRanked = pathOrder.rankOf(rows[it->slot]).has_value();
        if (allRanked) {
            for (auto it = begin; it != end; ++it)
                it->key = *pathOrder.rankOf(rows[it->slot]);
            std::sort(begin, end, [&](const SortRow& a, const SortRow& b) {
                points.compare();
                return a.key < b.key;
            });
        } else {
            std::sort(begin, end, [&](const SortRow& a, const SortRow& b) {
                points.compare();
                return pathOrder.less(rows[a.slot], rows[b.slot]);
            });
        }
    }
    points.check();
    std::vector<NodeIndex> sorted;
    sorted.reserve(rows.size());
    for (const SortRow& r : order)
        sorted.push_back(rows[r.slot]);
    return sorted;
}

std::vector<std::string> ScanTableQuery::sortedPaths(const ScanResult& scan, std::string_view focus,
                                                     bool recursive,
                                                     const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    const std::vector<NodeIndex> sorted = sortedIndices(scan, focus, recursive, cancellation);
    PathCache cache(scan.nodes);
    std::vector<std::string> paths = cache.paths(sorted, points);
    points.check();
    return paths;
}

} // namespace ambertrove
