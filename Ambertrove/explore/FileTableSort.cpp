#include "explore/FileTableSort.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/LocalizedOrder.hpp"
#include "analysis/NodeDisplay.hpp"
#include "analysis/OrderedBits.hpp"
#include "analysis/PathOrder.hpp"
#include "analysis/ScanTableQuery.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <numeric>

namespace ambertrove::FileTableSort {

namespace {

bool isText(ScanSortField field) {
    return field == ScanSortField::name || field == ScanSortField::kindName;
}

// Every row's value of every key, made once: a number, or a collation key that compares byte-wise as
// its text compares in the localized order.
class KeyTable {
public:
    KeyTable(const NodeTable& nodes, const std::vector<NodeIndex>& rows,
             const std::vector<TableSortKey>& keys, const std::string& locale, CancellationPoints& points)
        : m_keys(keys)
        , m_rows(rows.size()) {
        const LocalizedOrder order(locale);
        m_numbers.resize(keys.size());
        m_texts.resize(keys.size());
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const ScanSortField field = keys[k].field;
            if (field == ScanSortField::name) {
                // One collation key per row, one after another; viewed once all are made.
                std::string& arena = m_arenas.emplace_back();
                std::vector<std::size_t> ends(m_rows, 0);
                for (std::size_t r = 0; r < m_rows; ++r) {
                    points.visit();
                    if (rows[r] != kNoNode)
                        order.appendSortKey(nodes.name(rows[r]), arena);
                    ends[r] = arena.size();
                }
                std::vector<std::string_view>& texts = m_texts[k];
                texts.resize(m_rows);
                for (std::size_t r = 0, start = 0; r < m_rows; start = ends[r], ++r)
                    texts[r] = std::string_view(arena.data() + start, ends[r] - start);
            } else if (field == ScanSortField::kindName) {
                std::vector<std::string_view>& texts = m_texts[k];
                texts.resize(m_rows);
                for (std::size_t r = 0; r < m_rows; ++r) {
                    points.visit();
                    if (rows[r] != kNoNode)
                        texts[r] = kindKey(NodeDisplay::kindName(nodes, rows[r]), order);
                }
            } else {
                std::vector<std::uint64_t>& numbers = m_numbers[k];
                numbers.resize(m_rows);
                for (std::size_t r = 0; r < m_rows; ++r) {
                    if (rows[r] != kNoNode)
                        numbers[r] = number(nodes, rows[r], field);
                }
            }
        }
    }

    // Negative, zero or positive as row a sorts before, ties with or sorts after row b by the keys.
    [[nodiscard]] int compare(std::size_t a, std::size_t b) const {
        for (std::size_t k = 0; k < m_keys.size(); ++k) {
            int c = 0;
            if (isText(m_keys[k].field)) {
                c = m_texts[k][a].compare(m_texts[k][b]);
            } else {
                const std::uint64_t x = m_numbers[k][a], y = m_numbers[k][b];
                c = x < y ? -1 : (x > y ? 1 : 0);
            }
            if (c != 0)
                return m_keys[k].ascending ? c : -c;
        }
        return 0;
    }

private:
    [[nodiscard]] static std::uint64_t number(const NodeTable& nodes, NodeIndex i, ScanSortField field) {
        const NodeTable::NodeRef r = nodes[i];
        switch (field) {
        case ScanSortField::allocatedSize:
            return orderedBits(r.allocatedSize());
        case ScanSortField::logicalSize:
            return orderedBits(r.logicalSize());
        case ScanSortField::itemCount:
            return orderedBits(NodeDisplay::itemCount(nodes, i));
        case ScanSortField::modified:
            return orderedBits(r.modified());
        case ScanSortField::name:
        case ScanSortField::kindName:
            break;
        }
        return 0;
    }

    // Kinds are a handful of texts: each is collated once.
    [[nodiscard]] std::string_view kindKey(std::string_view kind, const LocalizedOrder& order) {
        auto found = m_kinds.find(kind);
        if (found == m_kinds.end()) {
            std::string key;
            order.appendSortKey(kind, key);
            found = m_kinds.emplace(std::string(kind), std::move(key)).first;
        }
        return found->second;
    }

    const std::vector<TableSortKey>& m_keys;
    std::size_t m_rows;
    std::vector<std::vector<std::uint64_t>> m_numbers;
    std::vector<std::vector<std::string_view>> m_texts;
    // The collation keys of names, per key; a list, so that a new arena leaves the others in place.
    std::list<std::string> m_arenas;
    // Kind to collation key; a node-based map, so the keys stay where they are while it grows.
    std::map<std::string, std::string, std::less<>> m_kinds;
};

// Sorts the row positions: present rows by the keys, then by `pathOrder`; missing rows last by it.
std::vector<std::uint32_t> order(const NodeTable& nodes, const std::vector<NodeIndex>& rows,
                                 const std::vector<TableSortKey>& keys, const std::string& locale,
                                 const std::function<int(std::size_t, std::size_t)>& pathOrder,
                                 CancellationPoints& points) {
    points.check();
    const KeyTable table(nodes, rows, keys, locale, points);
    std::vector<std::uint32_t> slots(rows.size());
    std::iota(slots.begin(), slots.end(), 0u);
    std::stable_sort(slots.begin(), slots.end(), [&](std::uint32_t a, std::uint32_t b) {
        points.compare();
        const bool presentA = rows[a] != kNoNode, presentB = rows[b] != kNoNode;
        if (presentA != presentB)
            return presentA;
        if (presentA) {
            if (const int c = table.compare(a, b); c != 0)
                return c < 0;
        }
        return pathOrder(a, b) < 0;
    });
    points.check();
    return slots;
}

} // namespace

std::vector<NodeIndex> rows(const ScanResult& scan, const ScanQuery& filter, std::string_view focus,
                            bool recursive, const std::vector<TableSortKey>& keys,
                            const TaskCancellation& cancellation,
                            const std::shared_ptr<ScanSortCache>& cache) {
    if (keys.size() == 1) {
        const ScanTableQuery query{filter, keys.front().field, keys.front().ascending, {}, cache};
        return query.sortedIndices(scan, focus, recursive, cancellation);
    }
    return sorted(scan, filter.indices(scan, focus, recursive, Date::now(), cancellation), keys,
                  cancellation);
}

std::vector<NodeIndex> sorted(const ScanResult& scan, std::vector<NodeIndex> rows,
                              const std::vector<TableSortKey>& keys, const TaskCancellation& cancellation,
                              const std::string& locale) {
    CancellationPoints points(cancellation);
    PathOrder paths(scan.nodes);
    // Ranked once, ties among many rows compare by one number each.
    if (PathOrder::ranksPayOff(rows.size(), scan.nodes.recordCount()))
        paths.rank(rows, points);
    const std::vector<std::uint32_t> slots = order(
        scan.nodes, rows, keys, locale,
        [&](std::size_t a, std::size_t b) { return paths.compare(rows[a], rows[b]); }, points);
    std::vector<NodeIndex> out;
    out.reserve(rows.size());
    for (std::uint32_t slot : slots)
        out.push_back(rows[slot]);
    return out;
}

std::vector<std::string> sorted(const ScanResult& scan, std::vector<std::string> paths,
                                const std::vector<TableSortKey>& keys, const TaskCancellation& cancellation,
                                const std::string& locale) {
    CancellationPoints points(cancellation);
    std::vector<NodeIndex> rows;
    rows.reserve(paths.size());
    for (const std::string& path : paths) {
        points.visit();
        rows.push_back(scan.nodes.find(path));
    }
    const std::vector<std::uint32_t> slots = order(
        scan.nodes, rows, keys, locale,
        [&](std::size_t a, std::size_t b) { return paths[a].compare(paths[b]); }, points);
    std::vector<std::string> out;
    out.reserve(paths.size());
    for (std::uint32_t slot : slots)
        out.push_back(std::move(paths[slot]));
    return out;
}

} // namespace ambertrove::FileTableSort
