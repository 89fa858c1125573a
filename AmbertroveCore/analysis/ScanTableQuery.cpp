#include "analysis/ScanTableQuery.hpp"

#include "analysis/LocalizedOrder.hpp"
#include "analysis/NodeDisplay.hpp"
#include "analysis/PathOrder.hpp"
#include "analysis/TaskCancellation.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>

namespace ambertrove {

namespace {

// Every text the kind column can show.
constexpr std::array<std::string_view, 10> kKindNames = {
    "Symbolic link", "Application", "Folder",    "Video",   "Audio",
    "Image",         "Document",    "Developer", "Archive", "Other"};

// The sort keys of the rows: numbers (sizes, counts, the rank of a kind text), dates, or collation
// keys of names, which compare byte-wise as the names compare in the localized order.
class SortKeys {
public:
    SortKeys(const NodeTable& nodes, const std::vector<NodeIndex>& rows, ScanSortField field,
             const std::string& locale, TaskCancellation& cancellation)
        : m_field(field) {
        switch (field) {
        case ScanSortField::name: {
            const LocalizedOrder order(locale);
            m_offsets.reserve(rows.size() + 1);
            m_offsets.push_back(0);
            for (NodeIndex i : rows) {
                cancellation.visit();
                order.appendSortKey(nodes.name(i), m_text);
                m_offsets.push_back(m_text.size());
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
            m_numbers.reserve(rows.size());
            for (NodeIndex i : rows) {
                cancellation.visit();
                const std::string_view kind = NodeDisplay::kindName(nodes, i);
                const auto k = std::find(kKindNames.begin(), kKindNames.end(), kind) - kKindNames.begin();
                m_numbers.push_back(rank[static_cast<std::size_t>(k)]);
            }
            break;
        }
        case ScanSortField::modified:
            m_dates.reserve(rows.size());
            for (NodeIndex i : rows)
                m_dates.push_back(nodes[i].modified);
            break;
        default:
            m_numbers.reserve(rows.size());
            for (NodeIndex i : rows) {
                const NodeTable::Record& r = nodes[i];
                m_numbers.push_back(field == ScanSortField::allocatedSize ? r.allocatedSize
                                    : field == ScanSortField::logicalSize ? r.logicalSize
                                                                          : NodeDisplay::itemCount(nodes, i));
            }
            break;
        }
    }

    // Negative, zero or positive as row a's key is before, the same as or after row b's.
    [[nodiscard]] int compare(std::size_t a, std::size_t b) const {
        switch (m_field) {
        case ScanSortField::name: {
            const std::string_view ka(m_text.data() + m_offsets[a], m_offsets[a + 1] - m_offsets[a]);
            const std::string_view kb(m_text.data() + m_offsets[b], m_offsets[b + 1] - m_offsets[b]);
            return ka.compare(kb);
        }
        case ScanSortField::modified:
            return m_dates[a] < m_dates[b] ? -1 : (m_dates[b] < m_dates[a] ? 1 : 0);
        default:
            return m_numbers[a] < m_numbers[b] ? -1 : (m_numbers[b] < m_numbers[a] ? 1 : 0);
        }
    }

private:
    ScanSortField m_field;
    std::vector<std::int64_t> m_numbers;
    std::vector<double> m_dates;
    std::string m_text;
    std::vector<std::size_t> m_offsets;
};

} // namespace

std::vector<NodeIndex> ScanTableQuery::sortedIndices(const ScanResult& scan, std::string_view focus,
                                                     bool recursive, std::stop_token stop) const {
    TaskCancellation cancellation(stop);
    cancellation.check();
    const NodeTable& nodes = scan.nodes;
    const std::vector<NodeIndex> rows = query.indices(scan, focus, recursive, Date::now(), stop);
    const SortKeys keys(nodes, rows, field, locale, cancellation);

    // Equal keys fall back to the path. Large sorts rank the paths once, on the first tie.
    PathOrder pathOrder(nodes);
    bool ranked = rows.size() < 64;
    std::vector<std::uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        cancellation.compare();
        const int c = keys.compare(a, b);
        if (c != 0)
            return ascending ? c < 0 : c > 0;
        if (!ranked) {
            pathOrder.rank(rows, cancellation);
            ranked = true;
        }
        return pathOrder.less(rows[a], rows[b]);
    });
    cancellation.check();
    std::vector<NodeIndex> sorted;
    sorted.reserve(rows.size());
    for (std::uint32_t k : order)
        sorted.push_back(rows[k]);
    return sorted;
}

std::vector<std::string> ScanTableQuery::sortedPaths(const ScanResult& scan, std::string_view focus,
                                                     bool recursive, std::stop_token stop) const {
    TaskCancellation cancellation(stop);
    const std::vector<NodeIndex> sorted = sortedIndices(scan, focus, recursive, stop);
    std::vector<std::string> paths;
    paths.reserve(sorted.size());
    for (NodeIndex i : sorted) {
        cancellation.visit();
        paths.push_back(scan.nodes.path(i));
    }
    cancellation.check();
    return paths;
}

} // namespace ambertrove
