#include "analysis/ScanTableQuery.hpp"

#include "analysis/CancellationPoints.hpp"
#include "analysis/LocalizedOrder.hpp"
#include "analysis/NodeDisplay.hpp"
#include "analysis/OrderedBits.hpp"
#include "analysis/ParallelParts.hpp"
#include "analysis/PathCache.hpp"
#include "analysis/PathOrder.hpp"
#include "analysis/ScanSortCache.hpp"

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
    std::uint32_t rank = 0; // the path's rank, when the whole table's ranks are at hand
};

// The first 8 bytes of `text` from `from` on as a big-endian number, zeros past its end.
std::uint64_t bytesAt(std::string_view text, std::size_t from) {
    std::uint64_t value = 0;
    for (std::size_t k = from; k < from + 8; ++k)
        value = value << 8 | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0);
    return value;
}

// Runs work(chunk, begin, end, points) over `items` items: on the calling thread with its points, as
// one chunk, for one part; else in chunks of kChunkItems, which `parts` threads take in turn, each with
// points of its own.
constexpr std::size_t kChunkItems = std::size_t(1) << 14;
[[nodiscard]] std::size_t chunksOf(std::size_t items, std::size_t parts) {
    return parts <= 1 ? 1 : std::max<std::size_t>(1, (items + kChunkItems - 1) / kChunkItems);
}
template <class Work>
void forEachChunk(std::size_t items, std::size_t parts, CancellationPoints& points,
                  SharedCancellation& shared, Work&& work) {
    if (parts <= 1) {
        work(std::size_t(0), std::size_t(0), items, points);
        return;
    }
    ParallelParts::runTasks(parts, chunksOf(items, parts), shared, [&](std::size_t chunk, PartPoints& own) {
        work(chunk, chunk * kChunkItems, std::min(items, (chunk + 1) * kChunkItems), own);
    });
}

// Rows and their keys: numbers (sizes, counts, the rank of a kind text), dates, or collation keys of
// names, which compare byte-wise as the names compare in the localized order. Large listings have their
// keys made in parts, side by side.
class SortKeys {
public:
    SortKeys(const NodeTable& nodes, const std::vector<NodeIndex>& rows, ScanSortField field, bool ascending,
             const std::string& locale, std::size_t parts, CancellationPoints& points,
             SharedCancellation& shared)
        : m_ascending(ascending) {
        m_rows.resize(rows.size());
        const auto set = [&](std::size_t r, std::uint64_t key, std::uint64_t key2 = 0) {
            m_rows[r] = {ascending ? key : ~key, ascending ? key2 : ~key2, static_cast<std::uint32_t>(r)};
        };
        switch (field) {
        case ScanSortField::name: {
            // Each chunk keeps its keys one after another in an arena of its own; the views are made once
            // the chunk's arena is complete.
            m_keys.resize(rows.size());
            m_arenas.resize(chunksOf(rows.size(), parts));
            forEachChunk(rows.size(), parts, points, shared,
                         [&](std::size_t chunk, std::size_t begin, std::size_t end, auto& own) {
                             const LocalizedOrder order(locale);
                             std::string& arena = m_arenas[chunk];
                             arena.reserve((end - begin) * 24);
                             std::vector<std::size_t> ends(end - begin);
                             for (std::size_t r = begin; r < end; ++r) {
                                 own.visit();
                                 order.appendSortKey(nodes.name(rows[r]), arena);
                                 ends[r - begin] = arena.size();
                             }
                             for (std::size_t r = begin, from = 0; r < end; from = ends[r - begin], ++r) {
                                 const std::string_view key(arena.data() + from, ends[r - begin] - from);
                                 m_keys[r] = key;
                                 set(r, bytesAt(key, 0), bytesAt(key, 8));
                             }
                         });
            break;
        }
        case ScanSortField::kindName: {
            const LocalizedOrder order(locale);
            std::array<std::int64_t, kKindNames.size()> rank{};
            for (std::size_t k = 0; k < kKindNames.size(); ++k)
                for (std::size_t other = 0; other < kKindNames.size(); ++other)
                    if (order.compare(kKindNames[other], kKindNames[k]) < 0)
                        ++rank[k];
            for (std::size_t r = 0; r < rows.size(); ++r) {
                points.visit();
                const std::string_view kind = NodeDisplay::kindName(nodes, rows[r]);
                const auto k = std::find(kKindNames.begin(), kKindNames.end(), kind) - kKindNames.begin();
                set(r, orderedBits(rank[static_cast<std::size_t>(k)]));
            }
            break;
        }
        case ScanSortField::modified:
        case ScanSortField::allocatedSize:
        case ScanSortField::logicalSize:
        case ScanSortField::itemCount:
            for (std::size_t r = 0; r < rows.size(); ++r) {
                const NodeIndex i = rows[r];
                const NodeTable::NodeRef n = nodes[i];
                set(r, field == ScanSortField::modified        ? orderedBits(n.modified())
                       : field == ScanSortField::allocatedSize ? orderedBits(n.allocatedSize())
                       : field == ScanSortField::logicalSize   ? orderedBits(n.logicalSize())
                                                             : orderedBits(NodeDisplay::itemCount(nodes, i)));
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
        if (m_keys.empty())
            return 0;
        const int c = tail(a.slot).compare(tail(b.slot));
        return m_ascending ? c : -c;
    }

private:
    // A collation key after its first 16 bytes.
    [[nodiscard]] std::string_view tail(std::uint32_t slot) const {
        const std::string_view key = m_keys[slot];
        return key.size() > 16 ? key.substr(16) : std::string_view();
    }

    bool m_ascending;
    std::vector<SortRow> m_rows;
    std::vector<std::string> m_arenas;
    std::vector<std::string_view> m_keys; // by slot, into the arenas
};

// Sorts `rows` by `less`, polling as it compares. One thread: the sort moves memory more than it computes,
// and threads that touch fresh memory side by side wait on each other in the kernel.
template <class Less>
void sortRows(std::vector<SortRow>& rows, CancellationPoints& points, const Less& less) {
    std::sort(rows.begin(), rows.end(), [&](const SortRow& a, const SortRow& b) {
        points.compare();
        return less(a, b);
    });
}

} // namespace

std::vector<NodeIndex> ScanTableQuery::sortedIndices(const ScanResult& scan, std::string_view focus,
                                                     bool recursive,
                                                     const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    points.check();
    const NodeTable& nodes = scan.nodes;
    const std::vector<NodeIndex> rows = query.indices(scan, focus, recursive, Date::now(), cancellation);
    // The collation keys of a large listing's names are made on a few threads, whose polls go through one
    // shared test.
    SharedCancellation shared(cancellation);
    SortKeys keys(nodes, rows, field, ascending, locale, ParallelParts::partsFor(rows.size()), points,
                  shared);
    std::vector<SortRow>& order = keys.rows();
    const auto sortedRows = [&] {
        points.check();
        std::vector<NodeIndex> sorted;
        sorted.reserve(rows.size());
        for (const SortRow& r : order)
            sorted.push_back(rows[r.slot]);
        return sorted;
    };

    // With the rank of every path at hand (made by an earlier sort of the same scan, or now for the
    // next), rows with equal keys are put in path order by the same sort.
    std::shared_ptr<const std::vector<std::uint32_t>> ranks;
    if (cache && PathOrder::ranksPayOff(rows.size(), nodes.recordCount()))
        ranks = cache->pathRanks(scan, points);
    for (std::size_t k = 0; ranks && k < order.size(); ++k) {
        order[k].rank = (*ranks)[rows[order[k].slot]];
        if (order[k].rank == ScanSortCache::kUnranked)
            ranks.reset(); // a path kept whole, which the tree does not order: ties are ordered below
    }
    if (ranks) {
        sortRows(order, points, [&](const SortRow& a, const SortRow& b) {
            const int c = keys.compare(a, b);
            return c != 0 ? c < 0 : a.rank < b.rank;
        });
        return sortedRows();
    }
    sortRows(order, points, [&](const SortRow& a, const SortRow& b) { return keys.compare(a, b) < 0; });

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
    return sortedRows();
}

std::vector<std::string> ScanTableQuery::sortedPaths(const ScanResult& scan, std::string_view focus,
                                                     bool recursive,
                                                     const TaskCancellation& cancellation) const {
    CancellationPoints points(cancellation);
    const std::vector<NodeIndex> sorted = sortedIndices(scan, focus, recursive, cancellation);
    PathCache pathCache(scan.nodes);
    std::vector<std::string> paths = pathCache.paths(sorted, points);
    points.check();
    return paths;
}

} // namespace ambertrove
